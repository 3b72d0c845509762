#include "pure/doctext/package.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pure/doctext/xmltext.h"
#include "pure/doctext/zip.h"
#include "pure/support/bytetext.h"

namespace {

// What the character data of each kind of part means.
const TXmlTextRules WordRules{"t", "p tc tr txbxContent", "Fallback", "", "tab ptab", "br cr"};
const TXmlTextRules DrawingRules{"t", "p tc", "Fallback", "", "", "br"};
const TXmlTextRules SharedStringRules{"t", "si", "rPh", "", "", ""};
const TXmlTextRules WorksheetRules{"t", "c row is", "", "", "", ""};
const TXmlTextRules SheetCommentRules{"t", "comment", "rPh", "", "", ""};
const TXmlTextRules WorkbookRules{"", "", "", "", "", "", "sheet", "name"};
const TXmlTextRules PropertyRules{"title subject keywords keyword description creator initial-creator",
                                  "title subject keywords keyword description creator initial-creator"};
const TXmlTextRules OdfContentRules{
    "p h", "p h table-cell table-row list-item", "tracked-changes creator date", "s", "tab", "line-break"};
// A spreadsheet's table names are its sheet names, which its reader sees on the tabs.
const TXmlTextRules OdfSpreadsheetRules{
    "p h", "p h table-cell table-row list-item", "tracked-changes creator date", "s", "tab", "line-break", "table",
    "name"};
const TXmlTextRules OdfStyleRules{"header footer header-left footer-left header-first footer-first",
                                  "p h table-cell table-row list-item",
                                  "",
                                  "s",
                                  "tab",
                                  "line-break"};

// Most bytes of a package's own bookkeeping part (content types, relationships, manifest).
constexpr std::size_t MaxIndexPart = std::size_t(4) << 20;
// Bytes a part is inflated into at a time: after each call, inflate copies up to 32 KiB of what it
// wrote into its window, so a large block keeps that copying small against the output.
constexpr std::size_t ReadBlock = 256 * 1024;

struct TPart {
    std::size_t Entry;
    const TXmlTextRules* Rules;
    int Order;  // body text first, properties last
};

bool EndsWith(std::string_view S, std::string_view Tail) {
    return S.size() >= Tail.size() && S.substr(S.size() - Tail.size()) == Tail;
}
bool Holds(std::string_view S, std::string_view Part) { return S.find(Part) != std::string_view::npos; }

bool IsUtf8(std::string_view S) {
    for (std::size_t I = 0; I < S.size();) {
        const unsigned char B = static_cast<unsigned char>(S[I]);
        const int Need = B < 0x80                ? 0
                         : B >= 0xC2 && B < 0xE0 ? 1
                         : B >= 0xE0 && B < 0xF0 ? 2
                         : B >= 0xF0 && B < 0xF5 ? 3
                                                 : -1;
        if (Need < 0 || I + Need >= S.size() + (Need == 0 ? 1 : 0)) return false;
        for (int K = 1; K <= Need; ++K)
            if ((static_cast<unsigned char>(S[I + K]) & 0xC0) != 0x80) return false;
        I += 1 + Need;
    }
    return true;
}

// A member's name as UTF-8: names not flagged as UTF-8 and not valid as such are in the
// writer's code page, taken to be GBK (what Chinese archivers write).
std::string MemberName(const TZipEntry& Entry, const TDecodeEnv& Env) {
    if (Entry.Utf8Name || IsUtf8(Entry.Name) || Env.CodePages == nullptr) return Entry.Name;
    std::u16string Wide;
    if (!Env.CodePages->ToUtf16(936, Entry.Name, Wide)) return Entry.Name;
    return Utf16ToUtf8(Wide.data(), Wide.size());
}

// Calls Visit(local name, attribute lookup) for every start tag of a small XML part.
using TAttributes = std::vector<std::pair<std::string_view, std::string_view>>;
void ForEachTag(std::string_view Xml, const std::function<void(std::string_view, const TAttributes&)>& Visit) {
    TAttributes Attributes;
    auto Local = [](std::string_view Name) {
        const std::size_t Colon = Name.rfind(':');
        return Colon == std::string_view::npos ? Name : Name.substr(Colon + 1);
    };
    auto NameEnd = [&](std::size_t At) {
        while (At < Xml.size() && Xml[At] != ' ' && Xml[At] != '\t' && Xml[At] != '\r' && Xml[At] != '\n' &&
               Xml[At] != '/' && Xml[At] != '>' && Xml[At] != '=')
            ++At;
        return At;
    };
    std::size_t At = 0;
    while ((At = Xml.find('<', At)) != std::string_view::npos) {
        ++At;
        if (At >= Xml.size()) return;
        if (Xml[At] == '/' || Xml[At] == '!' || Xml[At] == '?') continue;
        const std::size_t End = NameEnd(At);
        const std::string_view Name = Local(Xml.substr(At, End - At));
        Attributes.clear();
        At = End;
        while (At < Xml.size() && Xml[At] != '>') {
            const char C = Xml[At];
            if (C == ' ' || C == '\t' || C == '\r' || C == '\n' || C == '/') {
                ++At;
                continue;
            }
            const std::size_t AttrEnd = NameEnd(At);
            if (AttrEnd == At) {
                ++At;
                continue;
            }
            const std::string_view AttrName = Local(Xml.substr(At, AttrEnd - At));
            const std::size_t Quote = Xml.find_first_of("\"'>", AttrEnd);
            if (Quote == std::string_view::npos || Xml[Quote] == '>') {
                At = Quote == std::string_view::npos ? Xml.size() : Quote;
                continue;
            }
            const std::size_t Close = Xml.find(Xml[Quote], Quote + 1);
            if (Close == std::string_view::npos) return;
            Attributes.emplace_back(AttrName, Xml.substr(Quote + 1, Close - Quote - 1));
            At = Close + 1;
        }
        Visit(Name, Attributes);
    }
}

std::string_view Attribute(const TAttributes& Attributes, std::string_view Name) {
    for (const auto& [Key, Value] : Attributes)
        if (Key == Name) return Value;
    return {};
}

// Decodes the few references a part name or content type may hold.
std::string DecodeAttribute(std::string_view Value) {
    std::string Out;
    for (std::size_t I = 0; I < Value.size(); ++I) {
        if (Value[I] == '&') {
            const std::size_t Semi = Value.find(';', I);
            char32_t C;
            if (Semi != std::string_view::npos && Semi - I < 12 &&
                DecodeXmlReference(Value.data() + I + 1, Semi - I - 1, C)) {
                AppendUtf8(Out, C);
                I = Semi;
                continue;
            }
        }
        Out += Value[I];
    }
    return Out;
}

class TPackage {
public:
    TPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env)
        : FSource(Source), FSink(Sink), FEntries(ReadZipDirectory(Source)) {
        FNames.reserve(FEntries.size());
        for (std::size_t I = 0; I < FEntries.size(); ++I) {
            FNames.push_back(NormalPartName(MemberName(FEntries[I], Env)));
            FIndex.emplace(FNames.back(), I);  // the first of two members with one name wins
        }
    }

    void Decode() {
        std::vector<TPart> Parts;
        if (Find("[content_types].xml") != Npos) {
            OfficeParts(Parts);
        } else if (Find("content.xml") != Npos || Find("meta-inf/manifest.xml") != Npos || Find("mimetype") != Npos) {
            OpenDocumentParts(Parts);
        }
        std::stable_sort(Parts.begin(), Parts.end(), [](const TPart& A, const TPart& B) { return A.Order < B.Order; });
        std::unique_ptr<unsigned char[]> Buffer(new unsigned char[ReadBlock]);
        for (const TPart& Part : Parts) {
            if (FBudget == 0 || !DecodePart(Part, Buffer.get())) return;
        }
    }

private:
    static constexpr std::size_t Npos = static_cast<std::size_t>(-1);

    std::size_t Find(const std::string& Name) const {
        const auto It = FIndex.find(Name);
        return It == FIndex.end() ? Npos : It->second;
    }

    std::string ReadSmall(std::size_t Entry) {
        std::string Out;
        if (Entry == Npos) return Out;
        TZipMemberReader Reader(FSource, FEntries[Entry], FBudget);
        unsigned char Block[16 * 1024];
        while (Out.size() < MaxIndexPart) {
            const std::size_t Got = Reader.Read(Block, std::min(sizeof Block, MaxIndexPart - Out.size()));
            if (Got == 0) break;
            Out.append(reinterpret_cast<const char*>(Block), Got);
        }
        return Out;
    }

    bool DecodePart(const TPart& Part, unsigned char* Buffer) {
        TZipMemberReader Reader(FSource, FEntries[Part.Entry], FBudget);
        if (!Reader.Readable()) return true;
        TXmlTextExtractor Extractor(*Part.Rules, FSink);
        for (;;) {
            const std::size_t Got = Reader.Read(Buffer, ReadBlock);
            if (Got == 0) break;
            if (!Extractor.Feed(Buffer, Got)) return false;
        }
        return Extractor.Finish();
    }

    // The rules for a part of an Office Open XML package, by its content type.
    static const TXmlTextRules* OfficeRules(std::string_view Type, int& Order) {
        Order = 0;
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
            if (EndsWith(Type, "main+xml")) return Order = 1, &WorkbookRules;
            return nullptr;
        }
        if (Slides) {
            if (EndsWith(Type, ".slide+xml") || EndsWith(Type, "notesslide+xml")) return &DrawingRules;
            return nullptr;
        }
        if (EndsWith(Type, "drawingml.chart+xml") || EndsWith(Type, "officedocument.drawing+xml"))
            return Order = 1, &DrawingRules;
        if (EndsWith(Type, "core-properties+xml")) return Order = 2, &PropertyRules;
        return nullptr;
    }

    // The rules for a part of an Office Open XML package without usable content types, by the
    // names the office suites give them.
    static const TXmlTextRules* OfficeRulesByName(std::string_view Name, int& Order) {
        Order = 0;
        if (!EndsWith(Name, ".xml")) return nullptr;
        const std::size_t Slash = Name.rfind('/');
        const std::string_view Folder = Slash == std::string_view::npos ? "" : Name.substr(0, Slash);
        const std::string_view File = Name.substr(Slash + 1);
        auto Starts = [&](std::string_view Head) { return File.substr(0, Head.size()) == Head; };
        if (Folder == "word" && (File == "document.xml" || Starts("header") || Starts("footer") ||
                                 File == "footnotes.xml" || File == "endnotes.xml" || File == "comments.xml"))
            return &WordRules;
        if (Folder == "xl" && File == "sharedstrings.xml") return &SharedStringRules;
        if (Folder == "xl" && File == "workbook.xml") return Order = 1, &WorkbookRules;
        if (Folder == "xl/worksheets") return &WorksheetRules;
        if (Folder == "xl" && Starts("comments")) return &SheetCommentRules;
        if (Folder == "ppt/slides" || Folder == "ppt/notesslides") return &DrawingRules;
        if (Name == "docprops/core.xml") return Order = 2, &PropertyRules;
        return nullptr;
    }

    void OfficeParts(std::vector<TPart>& Parts) {
        const std::string Types = ReadSmall(Find("[content_types].xml"));
        std::unordered_map<std::string, std::string> Overrides, Defaults;
        ForEachTag(Types, [&](std::string_view Tag, const TAttributes& A) {
            const std::string Type = AsciiLower(DecodeAttribute(Attribute(A, "ContentType")));
            if (Tag == "Override")
                Overrides[NormalPartName(DecodeAttribute(Attribute(A, "PartName")))] = Type;
            else if (Tag == "Default")
                Defaults[AsciiLower(DecodeAttribute(Attribute(A, "Extension")))] = Type;
        });
        for (std::size_t I = 0; I < FEntries.size(); ++I) {
            const std::string& Name = FNames[I];
            if (FIndex.at(Name) != I) continue;
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
            if (const TXmlTextRules* Rules = OfficeRules(Type, Order)) Parts.push_back({I, Rules, Order});
        }
        if (!Parts.empty()) return;
        // No part said what it is: the parts the package's relationships lead to, else the
        // parts by the names office suites give them.
        RelatedParts(Parts);
        if (!Parts.empty()) return;
        for (std::size_t I = 0; I < FEntries.size(); ++I) {
            int Order;
            const TXmlTextRules* Rules = OfficeRulesByName(FNames[I], Order);
            if (Rules != nullptr && FIndex.at(FNames[I]) == I) Parts.push_back({I, Rules, Order});
        }
    }

    // The relationships of Source (a normal part name, "" for the package): each target with the
    // last segment of its relationship type.
    std::vector<std::pair<std::string, std::string>> Relationships(const std::string& Source) {
        const std::size_t Slash = Source.rfind('/');
        const std::string Folder = Slash == std::string::npos ? "" : Source.substr(0, Slash + 1);
        const std::string File = Slash == std::string::npos ? Source : Source.substr(Slash + 1);
        std::vector<std::pair<std::string, std::string>> Out;
        ForEachTag(ReadSmall(Find(Folder + "_rels/" + File + ".rels")),
                   [&](std::string_view Tag, const TAttributes& A) {
                       if (Tag != "Relationship" || Attribute(A, "TargetMode") == "External") return;
                       const std::string_view Type = Attribute(A, "Type");
                       const std::string Tail = AsciiLower(std::string(Type.substr(Type.rfind('/') + 1)));
                       Out.emplace_back(ResolvePartName(Source, DecodeAttribute(Attribute(A, "Target"))), Tail);
                   });
        return Out;
    }

    // Follows the relationships from the package to its main part and from there to the parts
    // it holds (and from sheets and slides one step further, to comments, drawings and notes).
    void RelatedParts(std::vector<TPart>& Parts) {
        std::vector<bool> Taken(FEntries.size());
        auto Take = [&](const std::string& Name, const TXmlTextRules* Rules, int Order) {
            const std::size_t Entry = Find(Name);
            if (Entry == Npos || Taken[Entry]) return false;
            Taken[Entry] = true;
            Parts.push_back({Entry, Rules, Order});
            return true;
        };
        std::string Main;
        for (const auto& [Target, Type] : Relationships("")) {
            if (Type == "officedocument") Main = Target;
            if (Type == "core-properties") Take(Target, &PropertyRules, 2);
        }
        if (Main.empty()) return;
        const auto Held = Relationships(Main);
        bool Workbook = false, Presentation = false;
        for (const auto& [Target, Type] : Held) {
            Workbook = Workbook || Type == "worksheet" || Type == "sharedstrings";
            Presentation = Presentation || Type == "slide";
        }
        if (!Presentation) Take(Main, Workbook ? &WorkbookRules : &WordRules, Workbook ? 1 : 0);
        for (const auto& [Target, Type] : Held) {
            if (Type == "header" || Type == "footer" || Type == "footnotes" || Type == "endnotes" ||
                Type == "comments") {
                Take(Target, &WordRules, 0);
            } else if (Type == "sharedstrings") {
                Take(Target, &SharedStringRules, 0);
            } else if ((Type == "worksheet" || Type == "slide") &&
                       Take(Target, Type == "slide" ? &DrawingRules : &WorksheetRules, 0)) {
                for (const auto& [Inner, InnerType] : Relationships(Target)) {
                    if (InnerType == "comments")
                        Take(Inner, &SheetCommentRules, 0);
                    else if (InnerType == "notesslide" || InnerType == "drawing" || InnerType == "chart")
                        Take(Inner, &DrawingRules, 1);
                }
            }
        }
    }

    void OpenDocumentParts(std::vector<TPart>& Parts) {
        std::vector<std::string> Listed;
        bool Spreadsheet = Holds(ReadSmall(Find("mimetype")), "spreadsheet");
        std::vector<std::string> Encrypted;
        std::string Last;
        ForEachTag(ReadSmall(Find("meta-inf/manifest.xml")), [&](std::string_view Tag, const TAttributes& A) {
            // A password-protected document's parts are ciphertext, named by the entry before.
            if (Tag == "encryption-data") Encrypted.push_back(Last);
            if (Tag != "file-entry") return;
            const std::string_view Type = Attribute(A, "media-type");
            Last = NormalPartName(DecodeAttribute(Attribute(A, "full-path")));
            if (Type == "text/xml") Listed.push_back(Last);
            if (Last.empty() && Holds(Type, "spreadsheet")) Spreadsheet = true;
        });
        for (const std::string& Name : Encrypted)
            Listed.erase(std::remove(Listed.begin(), Listed.end(), Name), Listed.end());
        if (Listed.empty() && Encrypted.empty()) Listed = {"content.xml", "styles.xml", "meta.xml"};
        for (const std::string& Name : Listed) {
            const std::size_t Entry = Find(Name);
            if (Entry == Npos) continue;
            const std::string_view File = std::string_view(Name).substr(Name.rfind('/') + 1);
            if (File == "content.xml")
                Parts.push_back({Entry, Spreadsheet ? &OdfSpreadsheetRules : &OdfContentRules, 0});
            else if (File == "styles.xml")
                Parts.push_back({Entry, &OdfStyleRules, 1});
            else if (File == "meta.xml")
                Parts.push_back({Entry, &PropertyRules, 2});
        }
    }

    TByteSource& FSource;
    TTextSink& FSink;
    std::vector<TZipEntry> FEntries;
    std::vector<std::string> FNames;
    std::unordered_map<std::string, std::size_t> FIndex;
    std::uint64_t FBudget = ZipPackageBudget;
};

}  // namespace

std::string NormalPartName(std::string_view Name) {
    std::string Out;
    for (std::size_t I = 0; I < Name.size(); ++I) {
        char C = Name[I];
        auto Hex = [](char H) {
            return H >= '0' && H <= '9'   ? H - '0'
                   : H >= 'a' && H <= 'f' ? H - 'a' + 10
                   : H >= 'A' && H <= 'F' ? H - 'A' + 10
                                          : -1;
        };
        if (C == '%' && I + 2 < Name.size() && Hex(Name[I + 1]) >= 0 && Hex(Name[I + 2]) >= 0) {
            C = static_cast<char>(Hex(Name[I + 1]) * 16 + Hex(Name[I + 2]));
            I += 2;
        } else if (C == '\\') {
            C = '/';
        }
        if (C == '/' && Out.empty()) continue;
        Out += C;
    }
    return AsciiLower(Out);
}

std::string ResolvePartName(std::string_view Base, std::string_view Target) {
    std::string Path;
    if (!Target.empty() && Target[0] == '/') {
        Path = std::string(Target);
    } else {
        const std::size_t Slash = Base.rfind('/');
        if (Slash != std::string_view::npos) Path = std::string(Base.substr(0, Slash + 1));
        Path += Target;
    }
    std::vector<std::string> Segments;
    std::size_t At = 0;
    while (At <= Path.size()) {
        std::size_t End = Path.find('/', At);
        if (End == std::string::npos) End = Path.size();
        const std::string Segment = Path.substr(At, End - At);
        if (Segment == "..") {
            if (!Segments.empty()) Segments.pop_back();
        } else if (!Segment.empty() && Segment != ".") {
            Segments.push_back(Segment);
        }
        At = End + 1;
    }
    std::string Out;
    for (const std::string& Segment : Segments) Out += (Out.empty() ? "" : "/") + Segment;
    return NormalPartName(Out);
}

void DecodeZipPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    TPackage(Source, Sink, Env).Decode();
}
