#include <algorithm>
#include <memory>
#include <unordered_map>

#include "pure/doctext/pdf/pdfdecoder.h"
#include "pure/doctext/pdf/pdffile.h"
#include "pure/doctext/pdf/pdffont.h"
#include "pure/doctext/sinkwriter.h"
#include "pure/doctext/xmltext.h"

namespace pdf {

namespace {

// A reference's ';' lies at most this many bytes after its '&' ("&#x10FFFF;" needs 9); farther
// on, the '&' is text.
constexpr std::size_t MaxReferenceLength = 10;

// Puts the XML character data Run, its predefined entities and character references resolved.
void PutXmlText(std::string_view Run, TSinkWriter& Out) {
    std::size_t Plain = 0;  // the first byte not yet put
    for (std::size_t I = Run.find('&'); I != std::string_view::npos; I = Run.find('&', I + 1)) {
        const std::size_t Semi = Run.find(';', I);
        char32_t C;
        if (Semi == std::string_view::npos || Semi - I > MaxReferenceLength ||
            !DecodeXmlReference(Run.data() + I + 1, Semi - I - 1, C))
            continue;
        Out.PutUtf8(Run.substr(Plain, I - Plain));
        Out.PutCodePoint(C);
        Plain = Semi + 1;
        I = Semi;
    }
    Out.PutUtf8(Run.substr(Plain));
}

// The character data of an XMP packet: every text between tags that is not all white space, each
// a run of its own.
void XmpText(std::string_view Xml, TSinkWriter& Out) {
    std::size_t At = 0;
    while (At < Xml.size() && !Out.Stopped()) {
        const std::size_t Lt = Xml.find('<', At);
        const std::string_view Run = Xml.substr(At, Lt == std::string_view::npos ? Xml.npos : Lt - At);
        if (!std::all_of(Run.begin(), Run.end(), [](char C) { return IsWhite(static_cast<unsigned char>(C)); })) {
            PutXmlText(Run, Out);
            Out.Break();
        }
        if (Lt == std::string_view::npos) break;
        const std::size_t Gt = Xml.find('>', Lt);
        if (Gt == std::string_view::npos) break;
        At = Gt + 1;
    }
}

class TDocumentReader {
public:
    TDocumentReader(TFile& File, TSinkWriter& Out, const TDecodeEnv& Env) : FFile(File), FOut(Out), FEnv(Env) {}

    // The document information and the XMP metadata.
    void Properties() {
        FOut.EndRun();
        FOut.Place(TTextPlace::Properties);
        Info();
        if (!FOut.Stopped()) Metadata();
    }

    void Info() {
        const TObject Info = FFile.Get(FFile.Trailer(), "Info");
        for (const char* Key : {"Title", "Subject", "Keywords", "Author"}) {
            const TObject Value = FFile.Get(Info, Key);
            if (!Value.Is(TKind::String)) continue;
            FOut.Put(TextString(Value.Text));
            FOut.Break();
        }
    }

    void Metadata() {
        const TObject Root = FFile.Get(FFile.Trailer(), "Root");
        const TObject Stream = FFile.Get(Root, "Metadata");
        std::string Data;
        if (Stream.IsStream() && FFile.StreamData(Stream, Data)) XmpText(Data, FOut);
    }

    // The pages in reading order: depth first through the page tree, each level holding a node's
    // kids and the resources it hands down. A kid is read once, under the first parent reached
    // that lists it (at its last place there): loops and shared kids end there.
    void Pages() {
        const TObject Root = FFile.Get(FFile.Trailer(), "Root");
        TPageWalk Walk;
        const TObject& PagesRef = Root.Get("Pages");
        if (PagesRef.Is(TKind::Ref)) Walk.Seen.FirstTime(PagesRef.Int);
        Visit(FFile.Resolve(PagesRef), TObject{}, Walk);
        while (!Walk.Levels.empty() && !FOut.Stopped() && Walk.Pages < MaxPages) {
            TLevel& Level = Walk.Levels.back();
            if (Level.Next == Level.Kids.Size()) {
                Walk.Levels.pop_back();
                continue;
            }
            const std::size_t I = Level.Next++;
            if (!Level.Fresh[I]) continue;
            const TObject Resources = Level.Resources;  // Visit may add a level
            Visit(FFile.Resolve(Level.Kids.At(I)), Resources, Walk);
        }
    }

private:
    // Object numbers met, one bit each, as far as the largest met. A number outside the table is
    // new every time: no object can be read under it, so it leads nowhere twice.
    struct TNumberSet {
        std::vector<bool> Bits;
        bool FirstTime(std::int64_t Num) {
            if (Num < 0 || Num >= MaxObjects) return true;
            if (static_cast<std::size_t>(Num) >= Bits.size()) Bits.resize(static_cast<std::size_t>(Num) + 1);
            if (Bits[static_cast<std::size_t>(Num)]) return false;
            Bits[static_cast<std::size_t>(Num)] = true;
            return true;
        }
    };
    struct TLevel {
        TObject Kids, Resources;
        std::size_t Next = 0;
        std::vector<bool> Fresh;  // the kids to read: not met before
    };
    struct TPageWalk {
        std::vector<TLevel> Levels;
        TNumberSet Seen;
        std::size_t Pages = 0;
    };

    // A node of the page tree: a page is read, a node with kids becomes a level of the walk.
    void Visit(const TObject& Node, const TObject& Inherited, TPageWalk& Walk) {
        if (!Node.Is(TKind::Dict)) return;
        TObject Resources = FFile.Get(Node, "Resources");
        if (!Resources.Is(TKind::Dict)) Resources = Inherited;
        TObject Kids = FFile.Get(Node, "Kids");
        if (Kids.Is(TKind::Array) && !Node.Get("Type").IsName("Page")) {
            if (Walk.Levels.size() >= MaxPageTreeDepth) return;
            TLevel Level{std::move(Kids), std::move(Resources), 0, {}};
            Level.Fresh.resize(Level.Kids.Size());
            for (std::size_t I = Level.Kids.Size(); I-- > 0;) {
                const TObject& Kid = Level.Kids.At(I);
                Level.Fresh[I] = !Kid.Is(TKind::Ref) || Walk.Seen.FirstTime(Kid.Int);
            }
            Walk.Levels.push_back(std::move(Level));
            return;
        }
        ++Walk.Pages;
        FOut.EndRun();
        FOut.Place(TTextPlace::Page, static_cast<std::uint32_t>(Walk.Pages));
        Page(Node, Resources);
        FOut.Break();
    }

    TFile& FFile;
    TSinkWriter& FOut;
    const TDecodeEnv& FEnv;
    std::unordered_map<std::int64_t, std::unique_ptr<TFont>> FFonts;
    std::size_t FFontWeight = 0;
    TNumberSet FFormsDone;
    std::size_t FHeld = 0;  // bytes of content held by the content streams being run
    std::u16string FShown;  // the text of one string shown

    void Page(const TObject& Page, const TObject& Resources) {
        const TObject Contents = FFile.Get(Page, "Contents");
        std::string Data, Part;
        if (Contents.IsStream()) {
            FFile.StreamData(Contents, Data);
        } else if (Contents.Is(TKind::Array)) {
            // The parts form one stream: a token may run from one into the next.
            for (std::size_t I = 0; I < Contents.Size(); ++I) {
                const TObject S = FFile.Resolve(Contents.At(I));
                if (!S.IsStream() || !FFile.StreamData(S, Part)) continue;
                if (Data.size() + Part.size() > FFile.Bounds().Stream) {
                    FHeld = Part.size();
                    Run(Data, Resources, 0);
                    FHeld = 0;
                    Data.clear();
                }
                Data += Part;
                Data += '\n';
            }
        }
        Run(Data, Resources, 0);
    }

    const TFont* Font(const TObject& Resources, const std::string& Name) {
        const TObject Fonts = FFile.Get(Resources, "Font");
        const TObject& Ref = Fonts.Get(Name);
        const TObject Dict = FFile.Resolve(Ref);
        if (!Dict.Is(TKind::Dict)) return nullptr;
        // Fonts are kept by object number; a direct font dictionary is rebuilt at each use.
        const std::int64_t Key = Ref.Is(TKind::Ref) ? Ref.Int : -1;
        if (Key >= 0) {
            if (const auto I = FFonts.find(Key); I != FFonts.end()) return I->second.get();
        }
        auto F = std::make_unique<TFont>();
        F->Load(FFile, Dict, FEnv);
        if (FFontWeight + F->Weight() > FFile.Bounds().FontWeight) {
            FFonts.clear();
            FFontWeight = 0;
        }
        FFontWeight += F->Weight();
        const TFont* Result = F.get();
        FFonts[Key] = std::move(F);
        return Result;
    }

    void Show(const TFont* F, const TObject& S) {
        if (!F || !S.Is(TKind::String)) return;
        FShown.clear();
        F->Decode(S.Text, FShown);
        FOut.Put(FShown);
    }

    void Form(const TObject& Resources, const std::string& Name, int Depth) {
        const TObject XObjects = FFile.Get(Resources, "XObject");
        const TObject& Ref = XObjects.Get(Name);
        if (Ref.Is(TKind::Ref) && !FFormsDone.FirstTime(Ref.Int)) return;  // each form is read once
        const TObject X = FFile.Resolve(Ref);
        if (!X.IsStream() || !X.Get("Subtype").IsName("Form") || FHeld >= FFile.Bounds().Stream) return;
        // The content held by the streams that draw the form and the form's own share one bound.
        std::string Data;
        if (!FFile.StreamData(X, Data, FFile.Bounds().Stream - FHeld)) return;
        TObject Own = FFile.Get(X, "Resources");
        Run(Data, Own.Is(TKind::Dict) ? Own : Resources, Depth + 1);
    }

    // Interprets a content stream: the text operators with the current font, form XObjects,
    // inline images skipped.
    void Run(const std::string& Data, const TObject& Resources, int Depth) {
        if (Depth > MaxFormDepth || Data.empty()) return;
        FHeld += Data.size();
        TParser P(reinterpret_cast<const unsigned char*>(Data.data()), Data.size());
        std::vector<TObject> Ops;
        const TFont* Current = nullptr;
        std::string CurrentName;
        while (!FOut.Stopped()) {
            if (Ops.empty()) P.Budget = FFile.Bounds().OperandNodes;  // the operands of one operator share it
            TObject O = P.Next(false);
            if (O.Is(TKind::End)) break;
            if (O.Is(TKind::Error)) {
                // An operand too large to keep: skip to the next token boundary.
                Ops.clear();
                continue;
            }
            if (!O.Is(TKind::Keyword)) {
                if (Ops.size() >= MaxOperands) Ops.erase(Ops.begin());
                Ops.push_back(std::move(O));
                continue;
            }
            const std::string& Op = O.Text;
            if (Op == "Tj" || Op == "'" || Op == "\"") {
                if (!Ops.empty()) Show(Current, Ops.back());  // the string is the last operand
            } else if (Op == "TJ") {
                if (!Ops.empty() && Ops.back().Is(TKind::Array))
                    for (const TObject& Item : *Ops.back().Array) Show(Current, Item);
            } else if (Op == "Tf") {
                if (Ops.size() >= 2 && Ops[Ops.size() - 2].Is(TKind::Name)) {
                    CurrentName = std::move(Ops[Ops.size() - 2].Text);
                    Ops.clear();  // nothing held while the font loads
                    Current = Font(Resources, CurrentName);
                }
            } else if (Op == "Do") {
                if (!Ops.empty() && Ops.back().Is(TKind::Name)) {
                    const std::string Name = std::move(Ops.back().Text);
                    Ops.clear();
                    Form(Resources, Name, Depth);
                    // The form may have replaced fonts in the cache: look the current one up again.
                    if (!CurrentName.empty()) Current = Font(Resources, CurrentName);
                }
            } else if (Op == "BI") {
                SkipInlineImage(P);
            }
            Ops.clear();
        }
        FOut.Flush();
        FHeld -= Data.size();
    }

    // Skips an inline image's dictionary and data up to and including "EI".
    void SkipInlineImage(TParser& P) {
        for (;;) {
            P.Budget = FFile.Bounds().OperandNodes;
            const TObject O = P.Next(false);
            if (O.Is(TKind::End)) return;
            if (O.Is(TKind::Keyword) && O.Text == "ID") break;
        }
        const unsigned char* D = P.Lexer().Data();
        const std::size_t N = P.Lexer().Size();
        for (std::size_t I = P.Pos() + 1; I + 1 < N; ++I) {
            if (D[I] == 'E' && D[I + 1] == 'I' && IsWhite(D[I - 1]) && (I + 2 == N || !IsRegular(D[I + 2]))) {
                P.Seek(I + 2);
                return;
            }
        }
        P.Seek(N);
    }
};

}  // namespace

}  // namespace pdf

void DecodePdf(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    pdf::TFile File(Source, Env);
    if (!File.Open()) return;
    TSinkWriter Out(Sink);
    pdf::TDocumentReader Reader(File, Out, Env);
    Reader.Properties();
    if (!Out.Stopped()) Reader.Pages();
    Out.Flush();
}
