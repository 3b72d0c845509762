// OFD packages (the fixed-layout documents of e-invoices, licences and official papers). OFD.xml
// names each document's index; the index names the pages, the template pages they are drawn on,
// the annotations and the attachments. A reader sees the text codes of each page, of its
// templates and of its annotations; the document's descriptive properties and its attachments
// (an e-invoice's data) are read as well.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pure/doctext/document.h"
#include "pure/doctext/ofdtext.h"
#include "pure/doctext/packagekinds.h"
#include "pure/doctext/xmltags.h"
#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"

namespace {

// The text codes of a page, a template page or an annotation file. The text objects of one layer
// make one run, as a word may be drawn one character per object; layers and annotations end runs,
// and so does the end of each part (a page's text never runs on into its template's).
const TXmlTextRules PageRules{.Containers = "TextCode", .Breaks = "Layer"};
const TXmlTextRules AnnotationRules{.Containers = "TextCode", .Breaks = "Annot Layer"};
// The descriptive properties in OFD.xml; not the identifier, dates or producing program.
constexpr const char* InfoNames = "Title Subject Keyword Author Abstract CustomData";
const TXmlTextRules InfoRules{.Containers = InfoNames, .Breaks = InfoNames};

constexpr std::size_t Npos = TPackage::Npos;

// An identifier as the index writes it (a view into the index) and the member it names.
using TNamed = std::pair<std::string_view, std::size_t>;

// The part of a page's first bytes before its Content element: the templates and resources a
// page names come first, and the content, most of the page, need not be parsed for them.
std::string_view BeforeContent(std::string_view Page) {
    for (std::size_t At = Page.find("Content"); At != std::string_view::npos; At = Page.find("Content", At + 1)) {
        const std::size_t End = At + 7;
        if (End >= Page.size() || (Page[End] != '>' && Page[End] != '/' && static_cast<unsigned char>(Page[End]) > ' '))
            continue;
        std::size_t Start = At;  // back over a prefix ("ofd:") to the "<"
        if (Start > 0 && Page[Start - 1] == ':')
            for (--Start; Start > 0 && Page[Start - 1] != '<' && Page[Start - 1] != '>' && Page[Start - 1] > ' ';)
                --Start;
        if (Start > 0 && Page[Start - 1] == '<') return Page.substr(0, Start - 1);
    }
    return Page;
}

void SortByName(std::vector<TNamed>& List) {
    std::stable_sort(List.begin(), List.end(), [](const TNamed& A, const TNamed& B) { return A.first < B.first; });
}

std::pair<std::vector<TNamed>::const_iterator, std::vector<TNamed>::const_iterator> Named(
    const std::vector<TNamed>& Sorted, std::string_view Id) {
    return std::equal_range(Sorted.begin(), Sorted.end(), TNamed{Id, 0},
                            [](const TNamed& A, const TNamed& B) { return A.first < B.first; });
}

class TOfdReader {
public:
    explicit TOfdReader(TPackage& Package)
        : FPackage(Package), FFilter(Package.Sink()), FTaken(Package.Count(), false) {}

    void Decode() {
        const std::size_t Root = FPackage.Find("ofd.xml");
        Take(Root);  // read for its properties only, whatever names it
        const std::string Index = FPackage.ReadSmall(Root);
        std::vector<std::size_t> Documents;
        ForEachXmlTag(Index, [&](std::string_view Tag, const TXmlAttributes&) {
            if (Tag == "DocRoot" && Documents.size() < OfdMaxPages)
                Documents.push_back(Locate(Root, XmlTextAfter(Index, Tag)));
        });
        for (const std::size_t Document : Documents)
            if (!ReadDocument(Document)) return;
        if (FPackage.Sink().Place(TTextPlace::Properties)) FPackage.DecodeXml(Root, InfoRules);
    }

private:
    // The member a location names, relative to the part Base names it in or, beginning with "/",
    // to the package's root; Npos when there is none. Some producers write a location from the
    // root without the "/": one that is not found beside Base is sought from the root.
    std::size_t Locate(std::size_t Base, std::string_view Location) const {
        const std::string Target = DecodeXmlAttribute(TrimXmlSpace(Location));
        if (Target.empty() || Base == Npos) return Npos;
        const std::size_t Entry = FPackage.Find(ResolvePartName(FPackage.Name(Base), Target));
        return Entry != Npos || Target[0] == '/' ? Entry : FPackage.Find(ResolvePartName("", Target));
    }

    // True the first time a member is asked for: each member is read once at most, whatever
    // names it how often (a document that names itself as a template, cycles of templates).
    bool Take(std::size_t Entry) {
        if (Entry == Npos || FTaken[Entry]) return false;
        FTaken[Entry] = true;
        return true;
    }

    bool Place(TTextPlace Where, std::uint32_t Number = 0) { return FPackage.Sink().Place(Where, Number); }

    bool ReadDocument(std::size_t Document) {
        if (!Take(Document)) return true;
        const std::string Index = FPackage.ReadSmall(Document);
        std::vector<TNamed> Pages, Templates;
        std::vector<std::size_t> Resources;
        std::size_t Annotations = Npos, Attachments = Npos;
        ForEachXmlTag(Index, [&](std::string_view Tag, const TXmlAttributes& A) {
            if (Tag == "Page" || Tag == "TemplatePage") {
                std::vector<TNamed>& List = Tag == "Page" ? Pages : Templates;
                const std::string_view Location = XmlAttribute(A, "BaseLoc");
                if (!Location.empty() && List.size() < OfdMaxPages)
                    List.emplace_back(XmlAttribute(A, "ID"), Locate(Document, Location));
            } else if ((Tag == "PublicRes" || Tag == "DocumentRes") && Resources.size() < OfdMaxPages) {
                Resources.push_back(Locate(Document, XmlTextAfter(Index, Tag)));
            } else if (Tag == "Annotations") {
                Annotations = Locate(Document, XmlTextAfter(Index, Tag));
            } else if (Tag == "Attachments") {
                Attachments = Locate(Document, XmlTextAfter(Index, Tag));
            }
        });
        SortByName(Templates);
        // The document's resource files: their composite graphic units (which some producers
        // draw all their text with, a page's composite objects naming them) and tiling patterns
        // hold text codes too. They are read after the pages, on no one page.
        return ReadPages(Pages, Templates, Annotations) && ReadMore(Resources, PageRules, TTextPlace::Page, 0, false) &&
               ReadAttachments(Attachments);
    }

    // Parts of a page read after its content, each that is not read yet (an annotation file, a
    // resource file) by Rules, at the place Where of page Number, said first unless Placed.
    bool ReadMore(const std::vector<std::size_t>& Parts, const TXmlTextRules& Rules, TTextPlace Where,
                  std::uint32_t Number, bool Placed) {
        for (const std::size_t Entry : Parts) {
            if (!Take(Entry)) continue;
            if (!Placed && !Place(Where, Number)) return false;
            Placed = true;
            if (FPackage.Exhausted() || !FPackage.DecodeXml(Entry, Rules, FFilter)) return false;
        }
        return true;
    }

    // Each page in its order with its templates, then its annotations; last the annotations of
    // pages the document does not list (as of page 0).
    bool ReadPages(const std::vector<TNamed>& Pages, const std::vector<TNamed>& Templates, std::size_t Annotations) {
        const std::string Index = Take(Annotations) ? FPackage.ReadSmall(Annotations) : std::string();
        std::vector<TNamed> Annotated;  // by the ID of the page
        std::string_view PageId;
        ForEachXmlTag(Index, [&](std::string_view Tag, const TXmlAttributes& A) {
            if (Tag == "Page") PageId = XmlAttribute(A, "PageID");
            if (Tag == "FileLoc" && Annotated.size() < OfdMaxPages)
                Annotated.emplace_back(PageId, Locate(Annotations, XmlTextAfter(Index, Tag)));
        });
        SortByName(Annotated);
        auto Annotate = [&](std::uint32_t Number, auto First, auto Last) {
            std::vector<std::size_t> Files;
            for (; First != Last; ++First) Files.push_back(First->second);
            return ReadMore(Files, AnnotationRules, TTextPlace::Comment, Number, false);
        };
        for (std::size_t I = 0; I < Pages.size(); ++I) {
            const auto Number = static_cast<std::uint32_t>(I + 1);
            const auto [First, Last] = Named(Annotated, Pages[I].first);
            if (FPackage.Exhausted() || !ReadPage(Number, Pages[I].second, Templates) || !Annotate(Number, First, Last))
                return false;
        }
        return Annotate(0, Annotated.cbegin(), Annotated.cend());
    }

    // A page: the template pages it is drawn on first (they lie beneath its content), then its
    // own text codes. A template is read with the first page drawn on it, once in all: the text
    // is the same on every page, and a template of many pages would cost as much again for each.
    bool ReadPage(std::uint32_t Number, std::size_t Page, const std::vector<TNamed>& Templates) {
        if (!Take(Page)) return true;
        if (!Place(TTextPlace::Page, Number)) return false;
        // The page names its templates and resources before its content; a template may name
        // templates too.
        std::vector<std::size_t> Drawn{Page}, Resources;
        for (std::size_t I = 0; I < Drawn.size(); ++I) {
            // Most pages name them in their first few hundred bytes.
            std::string Page = FPackage.ReadSmall(Drawn[I], OfdPageHead / 4);
            if (BeforeContent(Page).size() == Page.size()) Page = FPackage.ReadSmall(Drawn[I], OfdPageHead);
            const std::string_view Head = BeforeContent(Page);
            ForEachXmlTag(Head, [&](std::string_view Tag, const TXmlAttributes& A) {
                if (Tag == "PageRes") Resources.push_back(Locate(Drawn[I], XmlTextAfter(Head, Tag)));
                if (Tag != "Template") return;
                const auto [First, Last] = Named(Templates, XmlAttribute(A, "TemplateID"));
                if (First != Last && Take(First->second)) Drawn.push_back(First->second);
            });
        }
        for (std::size_t I = 1; I < Drawn.size(); ++I)
            if (!FPackage.DecodeXml(Drawn[I], PageRules, FFilter)) return false;
        return FPackage.DecodeXml(Page, PageRules, FFilter) &&
               ReadMore(Resources, PageRules, TTextPlace::Page, Number, true);
    }

    bool ReadAttachments(std::size_t Attachments) {
        if (!Take(Attachments)) return true;
        const std::string Index = FPackage.ReadSmall(Attachments);
        std::u16string Name;
        bool Going = true;
        ForEachXmlTag(Index, [&](std::string_view Tag, const TXmlAttributes& A) {
            if (!Going) return;
            if (Tag == "Attachment") {
                Name.clear();
                DecodeUtf8(DecodeXmlAttribute(XmlAttribute(A, "Name")), Name);
            } else if (Tag == "FileLoc") {
                Going = ReadAttachment(Locate(Attachments, XmlTextAfter(Index, Tag)), Name);
            }
        });
        return Going;
    }

    // An attachment is a document in its own right, called by the name the attachment gives it:
    // read as what its content is, or, when it is XML of no format known here (an e-invoice's
    // data: buyer, seller, amounts), as the character data of its elements.
    bool ReadAttachment(std::size_t Entry, std::u16string_view Name) {
        if (!Take(Entry) || FPackage.Exhausted()) return !FPackage.Exhausted();
        const std::string Head = FPackage.ReadSmall(Entry, FormatHeadSize);
        const auto* Bytes = reinterpret_cast<const unsigned char*>(Head.data());
        if (RecognizeFormat(Bytes, Head.size()) != nullptr) return FPackage.DecodeMember(Entry, Name);
        if (!LooksLikeXml(Head) || FPackage.Env().Depth >= EmbedMaxDepth) return true;
        std::u16string FileName;
        if (Name.empty()) {
            DecodeUtf8(FPackage.Name(Entry).substr(FPackage.Name(Entry).rfind('/') + 1), FileName);
            Name = FileName;
        }
        TTextSink& Sink = FPackage.Sink();
        return Sink.BeginEmbedded(Name) && DecodeDataXml(FPackage.ReadSmall(Entry), Sink, FPackage.Env()) &&
               Sink.EndEmbedded();
    }

    TPackage& FPackage;
    TPrivateUseFilter FFilter;
    std::vector<bool> FTaken;
};

bool Claims(const TPackage& Package) { return Package.Find("ofd.xml") != Npos; }

void Decode(TPackage& Package) { TOfdReader(Package).Decode(); }

}  // namespace

const TPackageKind OfdPackage{"ofd", Claims, Decode};
