// Hostile documents: what each costs the decoders in time and memory. Each input is built here
// (the largest ones are generated as they are read, never held), decoded once through the table of
// formats as the keyword test does, and measured: processor seconds, the peak of the heap above
// what it held before, and the UTF-16 units of text that came out.
// Prints one line per input: name seconds peak_kib units
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pure/doctext/document.h"
#include "tests/pure/doctext/heapcount.h"
#include "tests/pure/doctext/ziptest.h"

namespace {

// Head, then Unit repeated until the source is Size bytes long, then Tail: a file of any length
// that is never held in memory.
class TRepeatSource : public TByteSource {
public:
    TRepeatSource(std::string Head, std::string Unit, std::string Tail, std::uint64_t Size)
        : FHead(std::move(Head)), FUnit(std::move(Unit)), FTail(std::move(Tail)), FSize(Size) {}
    std::uint64_t Size() const override { return FSize; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        auto* Out = static_cast<unsigned char*>(Buffer);
        std::size_t Done = 0;
        const std::uint64_t TailAt = FSize - FTail.size();
        for (; Done < Count && Offset < FSize; ++Done, ++Offset) {
            char C;
            if (Offset < FHead.size())
                C = FHead[Offset];
            else if (Offset >= TailAt)
                C = FTail[Offset - TailAt];
            else
                C = FUnit[(Offset - FHead.size()) % FUnit.size()];
            Out[Done] = static_cast<unsigned char>(C);
        }
        return Done;
    }

private:
    std::string FHead, FUnit, FTail;
    std::uint64_t FSize;
};

class TCountSink : public TTextSink {
public:
    std::size_t Units = 0;
    bool Text(const char16_t*, std::size_t Count) override {
        Units += Count;
        return true;
    }
    bool Break() override { return true; }
    bool RawStream(TByteSource&) override { return true; }
};

std::string Base64(const std::string& Data) {
    static const char* Digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Out;
    std::size_t Line = 0;
    for (std::size_t I = 0; I < Data.size(); I += 3) {
        const unsigned B0 = static_cast<unsigned char>(Data[I]);
        const unsigned B1 = I + 1 < Data.size() ? static_cast<unsigned char>(Data[I + 1]) : 0;
        const unsigned B2 = I + 2 < Data.size() ? static_cast<unsigned char>(Data[I + 2]) : 0;
        Out += Digits[B0 >> 2];
        Out += Digits[((B0 & 3) << 4) | (B1 >> 4)];
        Out += I + 1 < Data.size() ? Digits[((B1 & 15) << 2) | (B2 >> 6)] : '=';
        Out += I + 2 < Data.size() ? Digits[B2 & 63] : '=';
        if ((Line += 4) == 76) Out += "\r\n", Line = 0;
    }
    return Out + "\r\n";
}

const std::string MailHead = "From: a@example.com\r\nSubject: test\r\nMIME-Version: 1.0\r\n";

// A mail whose one attachment is File.
std::string MailWith(const std::string& File, const std::string& Name) {
    return MailHead +
           "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
           "--b\r\nContent-Type: application/octet-stream; name=\"" +
           Name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + Base64(File) + "--b--\r\n";
}

std::string MultipartNested(int Depth) {
    std::string Deep = MailHead + "Content-Type: multipart/mixed; boundary=b0\r\n\r\n";
    for (int I = 0; I < Depth; ++I)
        Deep += "--b" + std::to_string(I) + "\r\nContent-Type: multipart/mixed; boundary=b" + std::to_string(I + 1) +
                "\r\n\r\n";
    return Deep + "--b" + std::to_string(Depth) + "\r\n\r\ndeepest\r\n--b0\r\n\r\nfirst\r\n";
}

std::string ZipInMailInZip(int Levels) {
    std::string File = "<html><body><p>deepest</p></body></html>";
    for (int I = 0; I < Levels; ++I) {
        File = TZipWriter().Build({{"level.htm", File}});
        if (++I < Levels) File = MailWith(File, "level.zip");
    }
    return File;
}

// A ZIP bomb (a web page of 1 GiB, a head and then the letter a, deflated to about 1 MiB, whose
// headers say 12 MiB) attached to a mail inside a ZIP.
std::string BombInMailInZip() {
    z_stream S{};
    deflateInit2(&S, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    const std::string Head = "<html><body><p>", Letters(1 << 20, 'a');
    std::string Packed(1 << 22, '\0');
    S.next_out = reinterpret_cast<Bytef*>(Packed.data());
    S.avail_out = static_cast<uInt>(Packed.size());
    for (int I = 0; I < 1024; ++I) {
        const std::string& Chunk = I == 0 ? Head + Letters.substr(Head.size()) : Letters;
        S.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Chunk.data()));
        S.avail_in = static_cast<uInt>(Chunk.size());
        deflate(&S, I == 1023 ? Z_FINISH : Z_NO_FLUSH);
    }
    Packed.resize(S.total_out);
    deflateEnd(&S);
    TZipMember Bomb("bomb.htm", std::string(1, '\0'));
    Bomb.Compressed = Packed;
    Bomb.StatedSize = 12 << 20;  // a lie that passes for a document small enough to read
    const std::string Inner = TZipWriter().Build({Bomb, {"note.htm", "<html><p>after the bomb</p></html>"}});
    return TZipWriter().Build({{"mail.eml", MailWith(Inner, "bomb.zip")}});
}

std::string OfdRoot() {
    return "<ofd:OFD xmlns:ofd=\"http://www.ofdspec.org/2016\"><ofd:DocBody><ofd:DocRoot>Doc_0/Document.xml"
           "</ofd:DocRoot></ofd:DocBody></ofd:OFD>";
}
std::string OfdPage(const std::string& Text, const std::string& Template) {
    return "<ofd:Page xmlns:ofd=\"http://www.ofdspec.org/2016\">" + Template +
           "<ofd:Content><ofd:Layer ID=\"4\"><ofd:TextObject ID=\"5\"><ofd:TextCode X=\"0\" Y=\"3\">" + Text +
           "</ofd:TextCode></ofd:TextObject></ofd:Layer></ofd:Content></ofd:Page>";
}
// An OFD whose index names itself as a template page and as every other one of Pages pages.
std::string OfdSelfTemplate(int Pages) {
    std::string Index =
        "<ofd:Document xmlns:ofd=\"http://www.ofdspec.org/2016\"><ofd:CommonData>"
        "<ofd:TemplatePage ID=\"1\" BaseLoc=\"Document.xml\"/></ofd:CommonData><ofd:Pages>";
    for (int I = 0; I < Pages; ++I)
        Index += "<ofd:Page ID=\"" + std::to_string(I + 2) + "\" BaseLoc=\"" +
                 (I % 2 == 0 ? "Pages/Page_0/Content.xml" : "Document.xml") + "\"/>";
    Index += "</ofd:Pages></ofd:Document>";
    return TZipWriter().Build({{"OFD.xml", OfdRoot()},
                               {"Doc_0/Document.xml", Index},
                               {"Doc_0/Pages/Page_0/Content.xml",
                                OfdPage("once", "<ofd:Template TemplateID=\"1\" ZOrder=\"Background\"/>")}});
}

struct TInput {
    const char* Name;
    std::function<std::unique_ptr<TByteSource>(std::string&)> Make;  // may keep its bytes in the string
};

std::unique_ptr<TByteSource> Held(std::string& Keep, std::string Bytes) {
    Keep = std::move(Bytes);
    return std::make_unique<TMemorySource>(Keep.data(), Keep.size());
}

}  // namespace

int main() {
    const std::uint64_t GiB = 1ull << 30;
    const TInput Inputs[] = {
        {"multipart_10000_deep", [](std::string& K) { return Held(K, MultipartNested(10000)); }},
        {"base64_1gib_zeros",
         [&](std::string&) -> std::unique_ptr<TByteSource> {
             // 1 GiB of zeros is 1,431,655,766 digits, 76 to a line.
             const std::string Head =
                 MailHead + "Content-Type: text/plain\r\nContent-Transfer-Encoding: base64\r\n\r\n";
             const std::uint64_t Lines = (GiB * 4 / 3 + 75) / 76;
             return std::make_unique<TRepeatSource>(Head, std::string(76, 'A') + "\r\n", "", Head.size() + Lines * 78);
         }},
        {"qp_endless_soft_line_256mib",
         [](std::string&) -> std::unique_ptr<TByteSource> {
             const std::string Head =
                 MailHead + "Content-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n";
             return std::make_unique<TRepeatSource>(Head, "ab=\r\n", "end", Head.size() + (256u << 20) / 5 * 5 + 3);
         }},
        {"html_million_nested_tags",
         [](std::string&) -> std::unique_ptr<TByteSource> {
             return std::make_unique<TRepeatSource>("<html><body>", "<div><span>", "deepest", 12 + 11 * 1000000 + 7);
         }},
        {"zip_in_mail_in_zip_10_levels", [](std::string& K) { return Held(K, ZipInMailInZip(10)); }},
        {"zip_bomb_in_mail_in_zip", [](std::string& K) { return Held(K, BombInMailInZip()); }},
        {"ofd_self_template_100000_pages", [](std::string& K) { return Held(K, OfdSelfTemplate(100000)); }},
    };
    for (const TInput& Input : Inputs) {
        std::string Keep;
        const std::unique_ptr<TByteSource> Source = Input.Make(Keep);
        unsigned char Head[FormatHeadSize];
        const std::size_t HeadCount = Source->ReadAt(0, Head, sizeof Head);
        const TDocumentFormat* Format = RecognizeFormat(Head, HeadCount);
        TCountSink Sink;
        const std::size_t Before = LiveBytes;
        PeakBytes = LiveBytes;
        const std::clock_t Start = std::clock();
        if (Format != nullptr) DecodeDocument(*Format, *Source, Sink, TDecodeEnv{});
        const double Seconds = double(std::clock() - Start) / CLOCKS_PER_SEC;
        std::printf("%s %.3f %zu %zu %s\n", Input.Name, Seconds, (PeakBytes - Before) / 1024, Sink.Units,
                    Format != nullptr ? Format->Name : "-");
    }
    return 0;
}
