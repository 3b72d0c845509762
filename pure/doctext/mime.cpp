#include "pure/doctext/mime.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pure/doctext/bytereader.h"
#include "pure/doctext/charset.h"
#include "pure/doctext/document.h"
#include "pure/doctext/html.h"
#include "pure/doctext/mimecoding.h"
#include "pure/doctext/mimeheader.h"
#include "pure/doctext/qpscout.h"
#include "pure/doctext/sinkwriter.h"
#include "pure/doctext/unitscout.h"
#include "pure/support/bytetext.h"
#include "pure/support/findbyte.h"

namespace {

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

// Field names that mark a header block as a mail's (besides any "X-" field).
constexpr const char* MailFields =
    " from to cc bcc subject date message-id mime-version content-type content-transfer-encoding received "
    "return-path reply-to sender delivered-to in-reply-to references dkim-signature authentication-results "
    "received-spf thread-topic thread-index importance priority user-agent organization content-language "
    "disposition-notification-to list-id list-unsubscribe comments keywords ";

bool IsMailField(const std::string& Lower) {
    if (Lower.compare(0, 2, "x-") == 0) return true;
    return std::strstr(MailFields, (" " + Lower + " ").c_str()) != nullptr;
}

// A line of the mail without its line end, or a piece of a line too long to be a boundary line.
struct TLine {
    const unsigned char* Data = nullptr;
    std::size_t Size = 0;
    std::size_t EndSize = 0;  // bytes of its line end (LF or CR LF); 0 for a piece and a last line
    bool Whole = false;       // a line from its start, not a piece of a long one
    std::uint64_t Offset = 0;
};

class TLineReader {
public:
    explicit TLineReader(TByteSource& Source) : FReader(Source, 0, MimeReadBlock) {}

    bool Next(TLine& Line) {
        FCopy.clear();
        const std::uint64_t Start = FReader.Position();
        for (;;) {
            if (FReader.Peek() < 0) return !FCopy.empty() && Hand(Line, FCopy.data(), FCopy.size(), false, Start);
            std::size_t Count = 0;
            const unsigned char* P = FReader.Buffered(Count);
            const unsigned char* Lf = FindByte(P, Count, '\n');
            if (Lf != nullptr) {
                const std::size_t N = static_cast<std::size_t>(Lf - P);
                FReader.Advance(N + 1);
                if (FCopy.empty()) return Hand(Line, P, N, true, Start);
                FCopy.insert(FCopy.end(), P, P + N);
                return Hand(Line, FCopy.data(), FCopy.size(), true, Start);
            }
            if (FCopy.size() + Count < MimeMaxLineCopy) {
                FCopy.insert(FCopy.end(), P, P + Count);
                FReader.Advance(Count);
                continue;
            }
            // A long line: handed on piece by piece as the blocks hold it.
            FPiece = true;
            if (!FCopy.empty()) return Hand(Line, FCopy.data(), FCopy.size(), false, Start);
            FReader.Advance(Count);
            return Hand(Line, P, Count, false, Start);
        }
    }

    // Whole lines from the buffered bytes as one: up to the first line that starts with "--" (a
    // boundary, perhaps) or the last line end buffered. False when there are none at the start.
    bool Span(TLine& Line) {
        if (!FAtLineStart || FReader.Peek() < 0) return false;
        std::size_t Count = 0;
        const unsigned char* P = FReader.Buffered(Count);
        if (Count >= 2 && P[0] == '-' && P[1] == '-') return false;
        std::size_t End = DashesLine(P, Count);
        if (End == 0) {
            while (End < Count && P[Count - 1 - End] != '\n') ++End;  // back to the last line end
            End = Count - End;
        }
        if (End == 0) return false;
        FCopy.clear();
        const std::uint64_t Start = FReader.Position();
        FReader.Advance(End);
        return Hand(Line, P, End - 1, true, Start);
    }

private:
    // Just after the line end before the first line of the Count bytes at Data that starts with
    // "--" (its second byte unknown counts as one), 0 when none does.
    static std::size_t DashesLine(const unsigned char* Data, std::size_t Count) {
        auto Dashes = [&](std::size_t At) { return At + 2 >= Count || Data[At + 2] == '-'; };
        std::size_t I = 0;
#if defined(__SSE2__)
        const __m128i Lf = _mm_set1_epi8('\n'), Dash = _mm_set1_epi8('-');
        for (; I + 17 <= Count; I += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I));
            const __m128i Next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + I + 1));
            for (int M = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(V, Lf), _mm_cmpeq_epi8(Next, Dash))); M != 0;
                 M &= M - 1)
                if (Dashes(I + static_cast<std::size_t>(__builtin_ctz(M))))
                    return I + static_cast<std::size_t>(__builtin_ctz(M)) + 1;
        }
#endif
        for (; I < Count; ++I)
            if (Data[I] == '\n' && (I + 1 >= Count || (Data[I + 1] == '-' && Dashes(I)))) return I + 1;
        return 0;
    }

    bool Hand(TLine& Line, const unsigned char* Data, std::size_t Size, bool Ended, std::uint64_t Offset) {
        Line.Data = Data, Line.Size = Size, Line.Offset = Offset;
        Line.EndSize = Ended ? 1 : 0;
        if (Ended && Size > 0 && Data[Size - 1] == '\r') --Line.Size, ++Line.EndSize;
        Line.Whole = FAtLineStart && !(FPiece && !Ended);
        FAtLineStart = Ended;
        FPiece = false;
        return true;
    }

    TForwardReader FReader;
    std::vector<unsigned char> FCopy;  // a short line that two blocks hold
    bool FAtLineStart = true, FPiece = false;
};

enum class TLeaf : std::uint8_t { None, Text, Html, Attachment };

class TMimeDecoder {
public:
    TMimeDecoder(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env)
        : FSource(Source), FEnv(Env), FOut(Sink), FDecoded(new unsigned char[MimeReadBlock + 4]) {}

    void Run() {
        TLineReader Lines(FSource);
        TLine Line;
        bool First = true;
        while (!Stopped()) {
            // A body's lines, and those before and after the parts, are read a span at a time up to
            // the next that may be a boundary.
            if (!First && (FMode == TMode::Body || FMode == TMode::Skip) && Lines.Span(Line)) {
                OnLine(Line);
                continue;
            }
            if (!Lines.Next(Line)) break;
            if (First) {
                First = false;
                // A byte-order mark, and the line a mailbox puts before each message.
                if (Line.Size >= 3 && std::memcmp(Line.Data, "\xEF\xBB\xBF", 3) == 0)
                    Line.Data += 3, Line.Size -= 3, Line.Offset += 3;
                if (Line.Size >= 5 && std::memcmp(Line.Data, "From ", 5) == 0) continue;
            }
            OnLine(Line);
        }
        if (!Stopped()) EndPart();
        FOut.EndRun();
    }

private:
    struct TLevel {
        std::string Boundary;
        bool Digest;  // a digest's parts are messages unless they say otherwise
    };
    enum class TMode : std::uint8_t { Header, Body, Skip };

    bool Stopped() const { return FStopped || FOut.Stopped(); }

    void OnLine(const TLine& Line) {
        std::size_t Level = 0;
        bool Close = false;
        if (Line.Whole && Line.Size >= 2 && Line.Data[0] == '-' && Line.Data[1] == '-' &&
            IsBoundary(Line, Level, Close)) {
            EndPart();
            // A boundary of an outer multipart also ends the inner ones.
            FLevels.resize(Level + 1);
            if (Close) {
                FLevels.pop_back();
                FMode = TMode::Skip;  // the epilogue
            } else {
                BeginHeader(false);
            }
            return;
        }
        switch (FMode) {
        case TMode::Header:
            if (Line.Whole && Line.Size == 0 && Line.EndSize > 0) {
                FBodyStart = Line.Offset + Line.EndSize;
                EndHeader();
            } else if (FHeader.size() < MimeMaxHeaderBytes) {
                FHeader.append(reinterpret_cast<const char*>(Line.Data),
                               std::min(Line.Size, MimeMaxHeaderBytes - FHeader.size()));
                if (Line.EndSize > 0) FHeader += '\n';
            }
            return;
        case TMode::Body:
            // The line end before a boundary belongs to the boundary: each is handed on only
            // once the next line shows it is not one.
            FeedLeaf(FHeldEnd + 2 - FHeldEndSize, FHeldEndSize);
            FeedLeaf(Line.Data, Line.Size);
            FHeldEndSize = Line.EndSize;
            FPartEnd = Line.Offset + Line.Size;
            return;
        case TMode::Skip:
            return;
        }
    }

    // Whether Line is "--boundary" or "--boundary--" of an open multipart (white space may
    // follow): which one, and whether it closes it.
    bool IsBoundary(const TLine& Line, std::size_t& Level, bool& Close) const {
        const std::string_view Text(reinterpret_cast<const char*>(Line.Data) + 2, Line.Size - 2);
        for (std::size_t L = FLevels.size(); L-- > 0;) {
            const std::string& Boundary = FLevels[L].Boundary;
            if (Text.substr(0, Boundary.size()) != Boundary) continue;
            std::string_view Rest = Text.substr(Boundary.size());
            Close = Rest.substr(0, 2) == "--";
            if (Close) Rest.remove_prefix(2);
            if (Rest.find_first_not_of(" \t") != std::string_view::npos) continue;
            Level = L;
            return true;
        }
        return false;
    }

    void BeginHeader(bool Message) {
        FMode = TMode::Header;
        FMessageHeader = Message;
        FHeader.clear();
    }

    // Ends the part being read: its header, when no body followed, or its body.
    void EndPart() {
        if (FMode == TMode::Header) {
            FBodyStart = FPartEnd = 0;
            EndHeader();
        }
        if (FMode == TMode::Body) EndLeaf();
        FMode = TMode::Skip;
    }

    void Properties() {
        FOut.EndRun();
        FOut.Place(TTextPlace::Properties);
        for (const char* Name : {"Subject", "From", "To", "Cc"}) {
            const std::u16string Text = DecodeHeaderText(MimeField(FHeader, Name), FEnv);
            if (!Text.empty()) FOut.Put(Text), FOut.Break();
        }
        FOut.Place(TTextPlace::Body);
    }

    void EndHeader() {
        if (FMessageHeader) Properties();
        const std::string Type = MimeField(FHeader, "Content-Type");
        std::string Kind = MimeValueToken(Type);
        if (Kind.find('/') == std::string::npos)
            Kind = !FMessageHeader && !FLevels.empty() && FLevels.back().Digest ? "message/rfc822" : "text/plain";
        const TTransferEncoding Encoding = TransferEncodingOf(MimeField(FHeader, "Content-Transfer-Encoding"));
        FMode = TMode::Skip;
        if (Kind.compare(0, 10, "multipart/") == 0) {
            const std::string Boundary = MimeParameter(Type, "boundary");
            if (Boundary.empty() || Boundary.size() > MimeMaxBoundary || FLevels.size() >= MimeMaxDepth) return;
            FLevels.push_back({Boundary, Kind == "multipart/digest"});
            FChain = 0;
            return;  // the preamble is passed over
        }
        if ((Kind == "message/rfc822" || Kind == "message/global") && Encoding == TTransferEncoding::Identity) {
            if (FChain++ < MimeMaxDepth) BeginHeader(true);
            return;
        }
        FChain = 0;
        BeginLeaf(Type, Kind, Encoding);
    }

    void BeginLeaf(const std::string& Type, const std::string& Kind, TTransferEncoding Encoding) {
        FMode = TMode::Body;
        FTransfer = TTransferDecoder(Encoding);
        FHeldEndSize = 0;
        FPartEnd = FBodyStart;
        const std::string Charset = MimeParameter(Type, "charset");
        if (Kind == "text/html" || Kind == "application/xhtml+xml") {
            FLeaf = TLeaf::Html;
            FHtml = std::make_unique<THtmlReader>(FOut, FEnv, CodePageOfLabel(Charset));
            if (const char16_t Unit = ScoutedUnit()) {
                if (Encoding == TTransferEncoding::QuotedPrintable && CodePageOfLabel(Charset) == CodePageUtf8)
                    FQuotedScout = std::make_unique<TQuotedScout>(Unit, TReferences::Html);
                else
                    FHtmlScout = std::make_unique<THtmlScout>(Unit, FEnv, CodePageOfLabel(Charset));
            }
        } else if (Kind.compare(0, 5, "text/") == 0 && Kind != "text/rtf" && Kind != "text/richtext") {
            FLeaf = TLeaf::Text;
            FText = std::make_unique<TTextDecoder>(MimeCodePage(Charset, FEnv), FEnv);
            if (const char16_t Unit = ScoutedUnit()) {
                const unsigned CodePage = MimeCodePage(Charset, FEnv);
                if (Encoding == TTransferEncoding::QuotedPrintable && CodePage == CodePageUtf8)
                    FQuotedScout = std::make_unique<TQuotedScout>(Unit, TReferences::None);
                else
                    FTextScout = std::make_unique<TUnitScout>(Unit, CodePage, TReferences::None, FEnv);
            }
        } else {
            // Anything else may hold a document: its decoded bytes are counted and their start kept
            // to tell its format; it is read from the mail again once its end is known.
            const bool Room = FEnv.Budget != nullptr && FEnv.Depth < EmbedMaxDepth;
            FLeaf = Room ? TLeaf::Attachment : TLeaf::None;
            FPartSize = 0;
            FPartHead.clear();
            FPartFormat = nullptr;
            if (!Room) return;
            const std::string Disposition = MimeField(FHeader, "Content-Disposition");
            FPartName = MimeParameterText(Disposition, "filename", FEnv);
            if (FPartName.empty()) FPartName = MimeParameterText(Type, "name", FEnv);
        }
    }

    // A keyword test that waits for a unit a text or page cannot give unless its bytes hold it
    // looks through the part before reading it (see unitscout.h): the unit, or 0 to read the part
    // as it comes.
    char16_t ScoutedUnit() {
        FPartSize = 0;
        FScoutSaw = false;
        FOut.Flush();
        const char16_t Unit = FOut.Sink().AwaitedUnit();
        return TUnitScout::Judges(Unit) ? Unit : 0;
    }
    bool Scouting() const { return FTextScout || FHtmlScout || FQuotedScout; }
    // Looks through the bytes gathered (in blocks: the look costs little per byte but some per
    // call), and at the part's end ends the look.
    void Scout(bool End) {
        ScoutFeed(reinterpret_cast<const unsigned char*>(FBlock.data()), FBlock.size());
        FBlock.clear();
        if (!FScoutSaw && End)
            FScoutSaw = FQuotedScout ? FQuotedScout->Finish()
                        : FTextScout ? FTextScout->Finish()
                                     : FHtmlScout->Finish();
    }
    void ScoutFeed(const unsigned char* Data, std::size_t Size) {
        if (!FScoutSaw && Size > 0)
            FScoutSaw = FQuotedScout ? FQuotedScout->Feed(Data, Size)
                        : FTextScout ? FTextScout->Feed(Data, Size)
                                     : FHtmlScout->Feed(Data, Size);
    }
    // Bytes for the look: a large piece (most of a body, read in spans) as it lies, short ones
    // (lines, line ends) gathered first.
    void ScoutBytes(const unsigned char* Data, std::size_t Size) {
        if (FScoutSaw) return;
        if (Size >= MimeMaxLineCopy) {
            Scout(false);
            return ScoutFeed(Data, Size);
        }
        FBlock.append(reinterpret_cast<const char*>(Data), Size);
        if (FBlock.size() >= MimeReadBlock) Scout(false);
    }

    void FeedLeaf(const unsigned char* Data, std::size_t Size) {
        if (FLeaf == TLeaf::None || Size == 0) return;
        if (FQuotedScout) return ScoutBytes(Data, Size);  // looked through as it is written, undecoded
        FeedDecoded(FDecoded.get(), FTransfer.Decode(Data, Size, FDecoded.get()));
    }

    void FeedDecoded(const unsigned char* Data, std::size_t Size) {
        switch (FLeaf) {
        case TLeaf::Text:
        case TLeaf::Html:
            if (Scouting()) {
                FPartSize += Size;
                return ScoutBytes(Data, Size);
            }
            // Gathered into blocks: fewer conversions, and an unlabelled text judged by more of it.
            FBlock.append(reinterpret_cast<const char*>(Data), Size);
            if (FBlock.size() >= MimeReadBlock) FlushBlock();
            return;
        case TLeaf::Attachment:
            FPartSize += Size;
            if (FPartHead.size() < FormatHeadSize) {
                FPartHead.insert(FPartHead.end(), Data, Data + std::min(Size, FormatHeadSize - FPartHead.size()));
                if (FPartHead.size() == FormatHeadSize) Recognize();
            }
            if (FPartSize > EmbedMaxBytes || FPartSize > FEnv.Budget->UnpackLeft) FLeaf = TLeaf::None;
            return;
        default:
            return;
        }
    }

    // Tells the attachment's format by its first bytes; one of none is read no further.
    void Recognize() {
        FPartFormat = RecognizeFormat(FPartHead.data(), FPartHead.size());
        if (FPartFormat == nullptr) FLeaf = TLeaf::None;
    }

    // A scouted text or page that may give the unit: read again from its start, now in full.
    void ReadAgain(std::uint64_t Size) {
        TPartSource Part(FSource, FBodyStart, FPartEnd, FTransfer.Encoding(), Size);
        for (std::uint64_t At = 0; !Stopped();) {
            const std::size_t Got = Part.ReadAt(At, FDecoded.get(), MimeReadBlock);
            if (Got == 0) break;
            FeedDecoded(FDecoded.get(), Got);
            At += Got;
        }
    }

    // Hands the gathered bytes of a text or a page on.
    void FlushBlock() {
        if (FLeaf == TLeaf::Text) {
            FUnits.clear();
            FText->Feed(FBlock, FUnits);
            PutLines(FUnits);
        } else if (!FHtml->Feed(reinterpret_cast<const unsigned char*>(FBlock.data()), FBlock.size())) {
            FStopped = true;
        }
        FBlock.clear();
    }

    // Text with its line ends as line breaks.
    void PutLines(const std::u16string& Units) {
        std::size_t Start = 0;
        for (std::size_t I = 0; I < Units.size(); ++I) {
            if (Units[I] != u'\n' && Units[I] != u'\r') continue;
            FOut.Put(Units.data() + Start, I - Start);
            if (Units[I] == u'\n') FOut.LineBreak();
            Start = I + 1;
        }
        FOut.Put(Units.data() + Start, Units.size() - Start);
    }

    void EndLeaf() {
        if (FLeaf != TLeaf::None && !FQuotedScout) {
            unsigned char Tail[4];
            FeedDecoded(Tail, FTransfer.Finish(Tail));
        }
        if (Scouting()) {
            Scout(true);
            // Quoted-printable decodes to no more bytes than it is written in.
            const std::uint64_t Size = FQuotedScout ? FPartEnd - FBodyStart : FPartSize;
            FTextScout.reset();
            FHtmlScout.reset();
            FQuotedScout.reset();
            if (FScoutSaw) {
                ReadAgain(Size);
            } else {
                FLeaf = TLeaf::None;  // passed over: the text holds nothing the sink waits for
                FOut.EndRun();
            }
        }
        if (FLeaf == TLeaf::Text || FLeaf == TLeaf::Html) FlushBlock();
        switch (FLeaf) {
        case TLeaf::Text:
            FUnits.clear();
            FText->Finish(FUnits);
            PutLines(FUnits);
            FOut.EndRun();
            break;
        case TLeaf::Html:
            if (!FHtml->Finish()) FStopped = true;
            break;
        case TLeaf::Attachment: {
            if (FPartFormat == nullptr && FPartHead.size() < FormatHeadSize) Recognize();
            if (FLeaf != TLeaf::Attachment || FPartSize == 0) break;
            if (!FOut.EndRun()) break;
            TPartSource Part(FSource, FBodyStart, FPartEnd, FTransfer.Encoding(), FPartSize);
            if (!DecodeEmbedded(Part, FPartName, FOut.Sink(), FEnv)) FStopped = true;
            break;
        }
        default:
            break;
        }
        FLeaf = TLeaf::None;
        FText.reset();
        FHtml.reset();
    }

    TByteSource& FSource;
    const TDecodeEnv& FEnv;
    TSinkWriter FOut;
    bool FStopped = false;
    std::vector<TLevel> FLevels;  // the open multiparts, outermost first
    TMode FMode = TMode::Header;
    bool FMessageHeader = true;  // the header block is a message's, with its properties
    std::size_t FChain = 0;      // messages held in messages since the last multipart
    std::string FHeader;
    // The part whose body is being read: where it starts and ends in the mail, its line end held
    // back, its decoding.
    std::uint64_t FBodyStart = 0, FPartEnd = 0;
    unsigned char FHeldEnd[2] = {'\r', '\n'};
    std::size_t FHeldEndSize = 0;
    TLeaf FLeaf = TLeaf::None;
    TTransferDecoder FTransfer;
    std::unique_ptr<unsigned char[]> FDecoded;
    std::unique_ptr<TTextDecoder> FText;
    std::unique_ptr<THtmlReader> FHtml;
    // The look through a text or page before it is read, and whether it saw a sign of the unit.
    std::unique_ptr<TUnitScout> FTextScout;
    std::unique_ptr<THtmlScout> FHtmlScout;
    std::unique_ptr<TQuotedScout> FQuotedScout;
    bool FScoutSaw = false;
    std::string FBlock;  // decoded bytes of a text or page not yet handed on
    std::u16string FUnits;
    // An attachment: its decoded size, first bytes, format and name.
    std::uint64_t FPartSize = 0;
    std::vector<unsigned char> FPartHead;
    const TDocumentFormat* FPartFormat = nullptr;
    std::u16string FPartName;
};

}  // namespace

bool IsMimeMessage(const unsigned char* Head, std::size_t Size) {
    std::string_view Text(reinterpret_cast<const char*>(Head), Size);
    if (Text.substr(0, 3) == "\xEF\xBB\xBF") Text.remove_prefix(3);
    if (Text.substr(0, 5) == "From ") Text.remove_prefix(std::min(Text.size(), Text.find('\n') + 1));
    int Known = 0;
    bool Version = false, Type = false, InField = false;
    for (std::size_t End; (End = Text.find('\n')) != std::string_view::npos;) {
        std::string_view Line = Text.substr(0, End);
        Text.remove_prefix(End + 1);
        if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
        if (Line.empty()) break;  // the end of the header block
        if (IsBlank(Line[0])) {
            if (!InField) return false;
            continue;
        }
        const std::size_t Colon = Line.find(':');
        if (Colon == std::string_view::npos || Colon == 0 || Colon > 76) return false;
        for (std::size_t I = 0; I < Colon; ++I)
            if (static_cast<unsigned char>(Line[I]) <= ' ' || static_cast<unsigned char>(Line[I]) >= 0x7F) return false;
        InField = true;
        const std::string Name = AsciiLower(std::string(Line.substr(0, Colon)));
        Known += IsMailField(Name);
        Version = Version || Name == "mime-version";
        Type = Type || Name == "content-type";
    }
    return Known >= 3 || (Version && Type);
}

void DecodeMime(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    const TMemoryLease Memory(Env.Budget, MimeMaxMemory);
    if (Memory.Granted()) TMimeDecoder(Source, Sink, Env).Run();
}
