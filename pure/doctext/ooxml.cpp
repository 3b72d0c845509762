// Office Open XML packages (.docx .xlsx .pptx, their templates and macro forms): the parts a
// reader sees, found by the package's content types, else by its relationships, else by the
// names the office suites give them.
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pure/doctext/ooxmlcells.h"
#include "pure/doctext/packagekinds.h"
#include "pure/doctext/xmltags.h"
#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"

namespace {

// What the character data of each kind of part means.
const TXmlTextRules WordRules{
    .Containers = "t", .Breaks = "p tc tr txbxContent", .Skips = "Fallback", .Tabs = "tab ptab", .LineBreaks = "br cr"};
const TXmlTextRules DrawingRules{.Containers = "t", .Breaks = "p tc", .Skips = "Fallback", .LineBreaks = "br"};
const TXmlTextRules SharedStringRules{.Containers = "t", .Breaks = "si", .Skips = "rPh"};
// A worksheet's cells, each a run: inline strings (<is><t>), and the value (<v>) of every cell
// whose type says it is not an index into the shared strings (read from there), a truth value
// or an error code: numbers as stored, formulas' cached results (not the formulas, <f>).
const TXmlTextRules WorksheetRules{
    .Containers = "t",
    .Breaks = "c row is",
    .Unless = {.Containers = "v", .Element = "c", .Attribute = "t", .Values = "s b e", .Numbers = "n"}};
const TXmlTextRules SheetCommentRules{.Containers = "t", .Breaks = "comment", .Skips = "rPh"};
// The workbook's sheet names, which its reader sees on the tabs.
const TXmlTextRules WorkbookRules{.AttributeElement = "sheet", .AttributeName = "name"};
const TXmlTextRules& PropertyRules = PackagePropertyRules;

// Body text first, the sheet names and drawings after it, properties last.
enum TOrder { BodyOrder = 0, NamesOrder = 1, PropertiesOrder = 2 };

bool EndsWith(std::string_view S, std::string_view Tail) {
    return S.size() >= Tail.size() && S.substr(S.size() - Tail.size()) == Tail;
}
bool Holds(std::string_view S, std::string_view Part) { return S.find(Part) != std::string_view::npos; }

// The rules for a part, by its content type.
const TXmlTextRules* RulesByType(std::string_view Type, int& Order) {
    Order = BodyOrder;
    const bool Word = Holds(Type, "wordprocessingml") || Holds(Type, "ms-word");
    const bool Sheet = Holds(Type, "spreadsheetml") || Holds(Type, "ms-excel");
    const bool Slides = Holds(Type, "presentationml") || Holds(Type, "ms-powerpoint");
    if (Word) {
        for (const char* Tail :
             {"main+xml", "header+xml", "footer+xml", "footnotes+xml", "endnotes+xml", "comments+xml"})
            if (EndsWith(Type, Tail)) return &WordRules;
        return nullptr;
    }
    if (Sheet) {
        if (EndsWith(Type, "sharedstrings+xml")) return &SharedStringRules;
        if (EndsWith(Type, "worksheet+xml")) return &WorksheetRules;
        if (EndsWith(Type, "comments+xml")) return &SheetCommentRules;
        if (EndsWith(Type, "main+xml")) return Order = NamesOrder, &WorkbookRules;
        return nullptr;
    }
    if (Slides) {
        if (EndsWith(Type, ".slide+xml") || EndsWith(Type, "notesslide+xml")) return &DrawingRules;
        return nullptr;
    }
    if (EndsWith(Type, "drawingml.chart+xml") || EndsWith(Type, "officedocument.drawing+xml"))
        return Order = NamesOrder, &DrawingRules;
    if (EndsWith(Type, "core-properties+xml")) return Order = PropertiesOrder, &PropertyRules;
    return nullptr;
}

// The rules for a part of a package without usable content types, by the names the office
// suites give them.
const TXmlTextRules* RulesByName(std::string_view Name, int& Order) {
    Order = BodyOrder;
    if (!EndsWith(Name, ".xml")) return nullptr;
    const std::size_t Slash = Name.rfind('/');
    const std::string_view Folder = Slash == std::string_view::npos ? "" : Name.substr(0, Slash);
    const std::string_view File = Name.substr(Slash + 1);
    auto Starts = [&](std::string_view Head) { return File.substr(0, Head.size()) == Head; };
    if (Folder == "word" && (File == "document.xml" || Starts("header") || Starts("footer") ||
                             File == "footnotes.xml" || File == "endnotes.xml" || File == "comments.xml"))
        return &WordRules;
    if (Folder == "xl" && File == "sharedstrings.xml") return &SharedStringRules;
    if (Folder == "xl" && File == "workbook.xml") return Order = NamesOrder, &WorkbookRules;
    if (Folder == "xl/worksheets") return &WorksheetRules;
    if (Folder == "xl" && Starts("comments")) return &SheetCommentRules;
    if (Folder == "ppt/slides" || Folder == "ppt/notesslides") return &DrawingRules;
    if (Name == "docprops/core.xml") return Order = PropertiesOrder, &PropertyRules;
    return nullptr;
}

class TOfficePackage {
public:
    explicit TOfficePackage(TPackage& Package) : FPackage(Package) {}

    void Decode() {
        std::vector<TPackagePart> Parts;
        PartsByType(Parts);
        // No part said what it is: the parts the package's relationships lead to, else the parts
        // by the names office suites give them.
        if (Parts.empty()) PartsByRelationship(Parts);
        if (Parts.empty()) PartsByName(Parts);
        AssignPlaces(Parts);
        if (!DecodeParts(std::move(Parts))) return;
        // Objects embedded in the document (a workbook in a report, a document in a slide),
        // stored as packages or compound files of their own.
        for (const char* Folder : {"word/embeddings/", "xl/embeddings/", "ppt/embeddings/"})
            if (!FPackage.DecodeMembersUnder(Folder)) return;
    }

private:
    // Reads the parts; for a sink that keeps places, a workbook's shared strings stand in the
    // sheets whose cells show them rather than all in the Body.
    bool DecodeParts(std::vector<TPackagePart> Parts) {
        TSharedStringCells Cells;
        const auto Table = std::find_if(Parts.begin(), Parts.end(),
                                        [](const TPackagePart& Part) { return Part.Rules == &SharedStringRules; });
        if (!FPackage.Sink().WantsPlaces() || Table == Parts.end() ||
            !Cells.Hold(FPackage, Table->Entry, SharedStringRules))
            return FPackage.DecodeParts(std::move(Parts));
        Parts.erase(Table);
        return FPackage.DecodeParts(std::move(Parts), [&](const TPackagePart& Part) {
            return Part.Rules != &WorksheetRules || Cells.ShowCells(FPackage, Part.Entry);
        }) && Cells.ShowRest(FPackage.Sink());
    }

    // Where each part's text stands: a worksheet on its sheet (by the workbook's names), a slide on
    // its page (by the presentation's order), headers, footers, notes and properties apart.
    void AssignPlaces(std::vector<TPackagePart>& Parts) {
        const std::vector<std::pair<std::string, std::string>> Sheets = Listed("xl/workbook.xml", "sheet", "name");
        const std::vector<std::pair<std::string, std::string>> Slides = Listed("ppt/presentation.xml", "sldId", "id");
        for (TPackagePart& Part : Parts) {
            const std::string& Name = FPackage.Name(Part.Entry);
            const std::string_view File = std::string_view(Name).substr(Name.rfind('/') + 1);
            auto Starts = [&](std::string_view Head) { return File.substr(0, Head.size()) == Head; };
            if (Part.Rules == &PropertyRules) {
                Part.Place = TTextPlace::Properties;
            } else if (Part.Rules == &SheetCommentRules || Starts("comments") || Starts("notesslide")) {
                Part.Place = TTextPlace::Comment;
            } else if (Starts("header") || Starts("footer")) {
                Part.Place = TTextPlace::HeaderFooter;
            } else if (Starts("footnotes") || Starts("endnotes")) {
                Part.Place = TTextPlace::Footnote;
            } else if (Part.Rules == &WorksheetRules) {
                for (const auto& [Target, SheetName] : Sheets)
                    if (Target == Name) {
                        Part.Place = TTextPlace::Sheet;
                        DecodeUtf8(SheetName, Part.Name);
                    }
            } else if (Part.Rules == &DrawingRules && Starts("slide")) {
                for (std::size_t I = 0; I < Slides.size(); ++I)
                    if (Slides[I].first == Name) {
                        Part.Place = TTextPlace::Page;
                        Part.Number = static_cast<std::uint32_t>(I + 1);
                    }
            }
        }
    }

    // The parts that the Tag elements of Source name through their relationships, in order, each
    // with the element's Attribute (a sheet's name).
    std::vector<std::pair<std::string, std::string>> Listed(const std::string& Source, std::string_view Tag,
                                                            std::string_view Attribute) {
        std::vector<std::pair<std::string, std::string>> Out;
        if (FPackage.Find(Source) == TPackage::Npos) return Out;
        std::unordered_map<std::string, std::string> Targets;
        ForEachXmlTag(FPackage.ReadSmall(FPackage.Find(RelationshipsOf(Source))),
                      [&](std::string_view Element, const TXmlAttributes& A) {
                          if (Element == "Relationship")
                              Targets[std::string(XmlAttribute(A, "Id"))] =
                                  ResolvePartName(Source, DecodeXmlAttribute(XmlAttribute(A, "Target")));
                      });
        ForEachXmlTag(FPackage.ReadSmall(FPackage.Find(Source)),
                      [&](std::string_view Element, const TXmlAttributes& A) {
                          if (Element != Tag) return;
                          // The relationship id is the r:id attribute; its local name is "id", as a slide's own id is.
                          std::string_view Id;
                          for (const auto& [Key, Value] : A)
                              if (Key == "id" && Targets.count(std::string(Value)) > 0) Id = Value;
                          const auto It = Targets.find(std::string(Id));
                          if (It != Targets.end())
                              Out.emplace_back(It->second, DecodeXmlAttribute(XmlAttribute(A, Attribute)));
                      });
        return Out;
    }

    static std::string RelationshipsOf(const std::string& Part) {
        const std::size_t Slash = Part.rfind('/');
        const std::string Folder = Slash == std::string::npos ? "" : Part.substr(0, Slash + 1);
        return Folder + "_rels/" + Part.substr(Slash + 1) + ".rels";
    }

    void PartsByType(std::vector<TPackagePart>& Parts) {
        const std::string Types = FPackage.ReadSmall(FPackage.Find("[content_types].xml"));
        std::unordered_map<std::string, std::string> Overrides, Defaults;
        ForEachXmlTag(Types, [&](std::string_view Tag, const TXmlAttributes& A) {
            const std::string Type = AsciiLower(DecodeXmlAttribute(XmlAttribute(A, "ContentType")));
            if (Tag == "Override")
                Overrides[NormalPartName(DecodeXmlAttribute(XmlAttribute(A, "PartName")))] = Type;
            else if (Tag == "Default")
                Defaults[AsciiLower(DecodeXmlAttribute(XmlAttribute(A, "Extension")))] = Type;
        });
        for (std::size_t I = 0; I < FPackage.Count(); ++I) {
            const std::string& Name = FPackage.Name(I);
            if (!FPackage.IsFirst(I)) continue;
            auto It = Overrides.find(Name);
            std::string_view Type;
            if (It != Overrides.end()) {
                Type = It->second;
            } else {
                const std::size_t Dot = Name.rfind('.');
                const auto D = Dot == std::string::npos ? Defaults.end() : Defaults.find(Name.substr(Dot + 1));
                if (D != Defaults.end()) Type = D->second;
            }
            int Order;
            if (const TXmlTextRules* Rules = RulesByType(Type, Order)) Parts.push_back({I, Rules, Order});
        }
    }

    void PartsByName(std::vector<TPackagePart>& Parts) {
        for (std::size_t I = 0; I < FPackage.Count(); ++I) {
            int Order;
            const TXmlTextRules* Rules = RulesByName(FPackage.Name(I), Order);
            if (Rules != nullptr && FPackage.IsFirst(I)) Parts.push_back({I, Rules, Order});
        }
    }

    // The relationships of Source (a normal part name, "" for the package): each target with the
    // last segment of its relationship type.
    std::vector<std::pair<std::string, std::string>> Relationships(const std::string& Source) {
        std::vector<std::pair<std::string, std::string>> Out;
        ForEachXmlTag(FPackage.ReadSmall(FPackage.Find(RelationshipsOf(Source))), [&](std::string_view Tag,
                                                                                      const TXmlAttributes& A) {
            if (Tag != "Relationship" || XmlAttribute(A, "TargetMode") == "External") return;
            const std::string_view Type = XmlAttribute(A, "Type");
            const std::string Tail = AsciiLower(std::string(Type.substr(Type.rfind('/') + 1)));
            Out.emplace_back(ResolvePartName(Source, DecodeXmlAttribute(XmlAttribute(A, "Target"))), Tail);
        });
        return Out;
    }

    // Follows the relationships from the package to its main part and from there to the parts
    // it holds (and from sheets and slides one step further, to comments, drawings and notes).
    void PartsByRelationship(std::vector<TPackagePart>& Parts) {
        std::vector<bool> Taken(FPackage.Count());
        auto Take = [&](const std::string& Name, const TXmlTextRules* Rules, int Order) {
            const std::size_t Entry = FPackage.Find(Name);
            if (Entry == TPackage::Npos || Taken[Entry]) return false;
            Taken[Entry] = true;
            Parts.push_back({Entry, Rules, Order});
            return true;
        };
        std::string Main;
        for (const auto& [Target, Type] : Relationships("")) {
            if (Type == "officedocument") Main = Target;
            if (Type == "core-properties") Take(Target, &PropertyRules, PropertiesOrder);
        }
        if (Main.empty()) return;
        const auto Held = Relationships(Main);
        bool Workbook = false, Presentation = false;
        for (const auto& [Target, Type] : Held) {
            Workbook = Workbook || Type == "worksheet" || Type == "sharedstrings";
            Presentation = Presentation || Type == "slide";
        }
        if (!Presentation) Take(Main, Workbook ? &WorkbookRules : &WordRules, Workbook ? NamesOrder : BodyOrder);
        for (const auto& [Target, Type] : Held) {
            if (Type == "header" || Type == "footer" || Type == "footnotes" || Type == "endnotes" ||
                Type == "comments") {
                Take(Target, &WordRules, BodyOrder);
            } else if (Type == "sharedstrings") {
                Take(Target, &SharedStringRules, BodyOrder);
            } else if ((Type == "worksheet" || Type == "slide") &&
                       Take(Target, Type == "slide" ? &DrawingRules : &WorksheetRules, BodyOrder)) {
                for (const auto& [Inner, InnerType] : Relationships(Target)) {
                    if (InnerType == "comments")
                        Take(Inner, &SheetCommentRules, BodyOrder);
                    else if (InnerType == "notesslide" || InnerType == "drawing" || InnerType == "chart")
                        Take(Inner, &DrawingRules, NamesOrder);
                }
            }
        }
    }

    TPackage& FPackage;
};

bool Claims(const TPackage& Package) { return Package.Find("[content_types].xml") != TPackage::Npos; }

void Decode(TPackage& Package) { TOfficePackage(Package).Decode(); }

}  // namespace

const TPackageKind OfficeOpenXmlPackage{"ooxml", Claims, Decode};
