// Mail and web archives: recognition, header text with encoded words, parameters, and the parts
// of mails written the way mail programs write them, down to an attached document's words.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "pure/doctext/mime.h"
#include "pure/doctext/mimecoding.h"
#include "pure/doctext/mimeheader.h"
#include "tests/pure/doctext/placesink.h"

namespace {

// Narrow literals are GBK: "合同" is BA CF CD AC.
std::string Base64(const std::string& Bytes, std::size_t LineLength = 76) {
    static const char* Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string Out;
    for (std::size_t I = 0; I < Bytes.size(); I += 3) {
        unsigned V = static_cast<unsigned char>(Bytes[I]) << 16;
        if (I + 1 < Bytes.size()) V |= static_cast<unsigned char>(Bytes[I + 1]) << 8;
        if (I + 2 < Bytes.size()) V |= static_cast<unsigned char>(Bytes[I + 2]);
        for (std::size_t K = 0; K < 4; ++K) Out += I + K <= Bytes.size() ? Alphabet[(V >> (18 - 6 * K)) & 63] : '=';
        if (LineLength > 0 && (I / 3 + 1) % (LineLength / 4) == 0) Out += "\r\n";
    }
    return Out;
}
std::string B(const char* Charset, const std::string& Bytes) {
    return std::string("=?") + Charset + "?B?" + Base64(Bytes, 0) + "?=";
}

std::string HeaderText(const std::string& Value) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    const std::u16string Text = DecodeHeaderText(Value, Env);
    return Utf16ToUtf8(Text.data(), Text.size());
}

TEST(Mime, RecognizedByAHeaderBlock) {
    const struct {
        const char* Head;
        bool Mail;
    } Cases[] = {
        {"Received: from a by b\r\n\tid 1\r\nFrom: a@b\r\nTo: c@d\r\nSubject: x\r\n\r\nbody", true},
        {"From: a@b\nDate: Mon, 1 Jul 2024\nX-Mailer: Foxmail\n", true},
        {"MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"x\"\r\n\r\n", true},  // Word's .mht
        {"From - Mon Jul 01 10:00:00 2024\nX-Mozilla-Status: 0001\nFrom: a\nSubject: b\n", true},
        {"\xEF\xBB\xBF"
         "From: a\nTo: b\nSubject: c\n",
         true},
        {"From: a@b\nhello there, this is a note\nTo: b\nSubject: c\n", false},
        {"Subject: plan\n\nFrom: me\nTo: you\n", false},
        {"Note: x\nAuthor: y\nTitle: z\nSubject: w\n", false},
        {"From: a\n to: b\nSubject c\n", false},
        {" From: a\nTo: b\nSubject: c\n", false},
        {"name,amount\nFrom: a,1\n", false},
    };
    for (const auto& C : Cases) {
        const std::string Head = C.Head;
        EXPECT_EQ(IsMimeMessage(reinterpret_cast<const unsigned char*>(Head.data()), Head.size()), C.Mail) << C.Head;
    }
}

TEST(Mime, HeaderTextWithEncodedWords) {
    const std::string Utf8 = U8(u8"合同");
    const struct {
        std::string Value;
        const char8_t* Expected;
    } Cases[] = {
        {B("gb2312", "合同"), u8"合同"},
        {"=?GBK?Q?=C4=EA=B6=C8_=D4=A4=CB=E3?=", u8"年度 预算"},
        {"=?gb18030?b?" + Base64("报销", 0) + "?=", u8"报销"},
        // adjacent words join without the white space (and folded line end) between them
        {"Re: " + B("utf-8", U8(u8"合")) + "\n\t" + B("utf-8", U8(u8"同")) + " end", u8"Re: 合同 end"},
        {B("gbk", "合") + " " + B("utf-8", U8(u8"同")), u8"合同"},
        // a character its writer cut between two words
        {B("utf-8", Utf8.substr(0, 2)) + " " + B("utf-8", Utf8.substr(2)), u8"合同"},
        {"=?gb2312?Q?=BA?= =?gb2312?Q?=CF=CD=AC?=", u8"合同"},
        // an unknown charset is the system's code page; bytes outside words: UTF-8 or that page
        {B("x-unknown", "合同"), u8"合同"},
        {Utf8 + " report", u8"合同 report"},
        {"合同 report", u8"合同 report"},
        // not encoded words: as written
        {"=?gb2312?X?abc?= =?gb2312?B?abc", u8"=?gb2312?X?abc?= =?gb2312?B?abc"},
        {"a =?utf-8?q?b c?= d", u8"a =?utf-8?q?b c?= d"},
    };
    for (const auto& C : Cases) EXPECT_EQ(HeaderText(C.Value), U8(C.Expected)) << C.Value;
}

TEST(Mime, Parameters) {
    static const TIconvCodePages Iconv;
    TDecodeEnv Env;
    Env.CodePages = &Iconv;
    const struct {
        std::string Value;
        const char8_t* Expected;
    } Names[] = {
        {"attachment; filename*=utf-8''%E5%90%88%E5%90%8C.docx", u8"合同.docx"},
        {"attachment;\n\tfilename*0*=gb2312''%BA%CF; filename*1*=%CD%AC; filename*2=\".docx\"", u8"合同.docx"},
        {"attachment; filename=\"" + B("gb2312", "合同.docx") + "\"", u8"合同.docx"},
        {"attachment; filename=\"合同.pdf\"; size=10", u8"合同.pdf"},
        {"attachment; filename=report final.doc", u8"report final.doc"},
        {"attachment; name=x", u8""},
    };
    for (const auto& C : Names) {
        const std::u16string Name = MimeParameterText(C.Value, "filename", Env);
        EXPECT_EQ(Utf16ToUtf8(Name.data(), Name.size()), U8(C.Expected)) << C.Value;
    }
    EXPECT_EQ(MimeParameter("multipart/mixed; boundary=\"a\\\"b c\"", "boundary"), "a\"b c");
    EXPECT_EQ(MimeParameter("multipart/mixed;BOUNDARY=simple;x=y", "boundary"), "simple");
    EXPECT_EQ(MimeField("From: a\nSubject: one\n two\nsubject: three\n", "SUBJECT"), "one two");
}

std::string Mail(const std::string& Headers, const std::string& Body) {
    return "From: a@example.com\r\nTo: b@example.com\r\nSubject: s\r\nMIME-Version: 1.0\r\n" + Headers + "\r\n" + Body;
}
const std::string Props = "<Properties>s|a@example.com|b@example.com|<Body>";

TEST(Mime, PartsOfMails) {
    const std::string Utf8 = U8(u8"合同");
    const struct {
        std::string Mail;
        const char8_t* Expected;  // after the outer mail's properties
    } Cases[] = {
        {Mail("Content-Type: text/plain; charset=gbk\r\nContent-Transfer-Encoding: base64\r\n",
              Base64("合同\r\n第二行")),
         u8"合同/第二行|"},
        // a soft line break between the bytes of one character
        {Mail("Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n",
              "=E5=90=\r\n=88=E5=90=8C end=\r\n"),
         u8"合同 end|"},
        // 8-bit text that names no charset is read in the system's code page
        {Mail("", "合同\n"), u8"合同|"},
        {Mail("Content-Type: text/plain; charset=\"x-unknown\"\r\n", "合同"), u8"合同|"},
        // alternatives, preamble and epilogue
        {Mail("Content-Type: multipart/alternative; boundary=\"==b\"\r\n",
              "preamble\r\n--==b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n" + Utf8 +
                  "\r\n--==b\r\nContent-Type: text/html; charset=gb2312\r\nContent-Transfer-Encoding: "
                  "quoted-printable\r\n\r\n<html><title>T</title><p>=BA=CF<span>=CD=AC</span></p></html>\r\n"
                  "--==b--\r\nepilogue\r\n"),
         u8"合同|<Properties>T|<Body>合同|"},
        // a message inside a message: its headers are properties too
        {Mail("Content-Type: multipart/mixed; boundary=b\r\n",
              "--b\r\nContent-Type: message/rfc822\r\n\r\nFrom: x@y\r\nSubject: " + B("gbk", "内部") +
                  "\r\n\r\ninner\r\n--b--"),
         u8"<Properties>内部|x@y|<Body>inner|"},
        // an outer boundary ends an inner multipart left open; the last one needs no line end
        {Mail("Content-Type: multipart/mixed; boundary=outer\r\n",
              "--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n--inner\r\n\r\none\r\n"
              "--outer\r\n\r\ntwo\r\n--outer--"),
         u8"one|two|"},
        // a digest's parts are messages
        {Mail("Content-Type: multipart/digest; boundary=d\r\n", "--d\r\n\r\nSubject: first\r\n\r\nbody\r\n--d--"),
         u8"<Properties>first|<Body>body|"},
        // parts of no known format give nothing, however they are named
        {Mail("Content-Type: multipart/mixed; boundary=m\r\n",
              "--m\r\nContent-Type: image/png; name=a.png\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                  Base64(std::string(3000, '\x89')) + "\r\n--m\r\nContent-Type: application/octet-stream\r\n\r\n" +
                  std::string("\x00\x01\x02", 3) + "\r\n--m--\r\n"),
         u8""},
        // damaged: no blank line after the headers, a boundary never closed, a cut base64 group
        {"Subject: only\r\nFrom: a\r\nTo: b\r\nCc: c", u8"<Properties>only|a|b|c|<Body>"},
        {Mail("Content-Type: multipart/mixed; boundary=x\r\n", "--x\r\n\r\nopen"), u8"open|"},
        {Mail("Content-Transfer-Encoding: base64\r\n", Base64("abcd").substr(0, 7)), u8"abcd|"},
    };
    for (const auto& C : Cases) {
        const std::string Text = DecodeWithPlaces(C.Mail);
        const std::string Expected = U8(C.Expected);
        if (C.Mail.compare(0, 6, "From: ") != 0) {
            EXPECT_EQ(Text, Expected) << C.Mail;
        } else {
            EXPECT_EQ(Text, Props + Expected) << C.Mail;
        }
    }
}

std::string Fixture(const char* Name) {
    const std::string Folder = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/')) + "/fixtures/";
    std::ifstream In(Folder + Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

TEST(Mime, MailsAsProgramsWriteThem) {
    const std::string Docx = Fixture("notice.docx");
    ASSERT_FALSE(Docx.empty());
    // Outlook: a GB2312 subject folded over two B words, alternatives inside a mixed multipart, an
    // attached .docx named by an encoded word.
    const std::string Outlook =
        "Received: from mail.example.com ([10.0.0.1]) by mx.example.com\r\n\twith ESMTP id 1\r\n"
        "From: \"" +
        B("gb2312", "张三") +
        "\" <zhang@example.com>\r\n"
        "To: " +
        B("gb2312", "李四") +
        " <li@example.com>\r\nCc: wang@example.com\r\n"
        "Subject: " +
        B("gb2312", "关于年度") + "\r\n " + B("gb2312", "预算的通知") +
        "\r\n"
        "Date: Mon, 1 Jul 2024 10:00:00 +0800\r\nMessage-ID: <1@example.com>\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed;\r\n\tboundary=\"----=_NextPart_000_0001_01DA\"\r\n"
        "X-Mailer: Microsoft Outlook 16.0\r\n\r\nThis is a multi-part message in MIME format.\r\n\r\n"
        "------=_NextPart_000_0001_01DA\r\nContent-Type: multipart/alternative;\r\n"
        "\tboundary=\"----=_NextPart_001_0002_01DA\"\r\n\r\n\r\n------=_NextPart_001_0002_01DA\r\n"
        "Content-Type: text/plain;\r\n\tcharset=\"gb2312\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        Base64("请查收附件。") +
        "\r\n------=_NextPart_001_0002_01DA--\r\n\r\n------=_NextPart_000_0001_01DA\r\n"
        "Content-Type: application/octet-stream;\r\n\tname=\"" +
        B("gb2312", "通知.docx") +
        "\"\r\n"
        "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n\tfilename=\"" +
        B("gb2312", "通知.docx") + "\"\r\n\r\n" + Base64(Docx) + "\r\n------=_NextPart_000_0001_01DA--\r\n";
    const std::string Text = DecodeWithPlaces(Outlook);
    EXPECT_EQ(
        Text.substr(0, Text.find("{")),
        U8(u8"<Properties>关于年度预算的通知|\"张三\" <zhang@example.com>|李四 <li@example.com>|wang@example.com|<Body>"
           u8"请查收附件。|"));
    const std::size_t Attached = Text.find(U8(u8"{通知.docx:"));
    ASSERT_NE(Attached, std::string::npos) << Text;
    EXPECT_NE(Text.find(U8(u8"年度预算"), Attached), std::string::npos) << Text;
    EXPECT_EQ(Text.back(), '}');
    // A Foxmail-style GBK subject in Q words and a UTF-8 body in quoted-printable; a webmail
    // attachment named in the RFC 2231 form, in quoted-printable.
    const std::string Foxmail =
        "Date: Tue, 2 Jul 2024 09:00:00 +0800\r\nFrom: \"=?GBK?Q?=CD=F5=CE=E5?=\" <wang@example.com>\r\n"
        "To: \"li\" <li@example.com>\r\nSubject: =?GBK?Q?=BA=CF=CD=AC=C9=F3?=\r\n =?GBK?Q?=C5=FA?=\r\n"
        "X-Mailer: Foxmail 7.2\r\nMime-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"fox\"\r\n\r\n"
        "--fox\r\nContent-Type: text/plain; charset=\"UTF-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        "=E8=AF=B7=E5=AE=A1=E6=89=B9=E3=80=82\r\n--fox\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename*=UTF-8''%E5%90%88%E5%90%8C.rtf\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n\r\n{\\rtf1 Kes=\r\nTrel \\'ba\\'cf\\'cd\\'ac}\r\n--fox--\r\n";
    EXPECT_EQ(DecodeWithPlaces(Foxmail),
              U8(u8"<Properties>合同审批|\"王五\" <wang@example.com>|\"li\" <li@example.com>|<Body>"
                 u8"请审批。|{合同.rtf:KesTrel 合同}"));
}

TEST(Mime, WordSingleFileWebPage) {
    // Quoted-printable HTML in GB2312 whose soft line breaks fall inside characters and tags.
    const std::string Mht =
        "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"----=_NextPart_01DA.5A3C\"\r\n\r\n"
        "This document is a Single File Web Page.\r\n\r\n------=_NextPart_01DA.5A3C\r\n"
        "Content-Location: file:///C:/x.htm\r\nContent-Transfer-Encoding: quoted-printable\r\n"
        "Content-Type: text/html; charset=\"gb2312\"\r\n\r\n<html "
        "xmlns:o=3D\"urn:schemas-microsoft-com:office:office\">"
        "\r\n<head><meta http-equiv=3DContent-Type content=3D\"text/html; charset=3Dgb2312\">\r\n<title>=C4=EA=\r\n"
        "=B6=C8</title><style><!--p {} --></style></head><body lang=3DZH-CN><div class=3DWordSection1>\r\n"
        "<p class=3DMsoNormal><span lang=3DEN-US>=B1=A8</span><span style=3D'font-family:=CB=CE=CC=E5'>=CF=FA=\r\n"
        "=B5=A5<o:p></o:p></span></p>\r\n<p class=3DMsoNormal><![if !supportLists]>1.<![endif]>&nbsp;=BA=\r\n"
        "=CF=CD=AC</p></div></body></html>\r\n\r\n------=_NextPart_01DA.5A3C\r\nContent-Location: file:///C:/x_files/"
        "image001.png\r\nContent-Transfer-Encoding: base64\r\nContent-Type: image/png\r\n\r\niVBORw0KGgo=\r\n"
        "------=_NextPart_01DA.5A3C--\r\n";
    EXPECT_EQ(DecodeWithPlaces(Mht), U8(u8"<Properties><Body><Properties>年度|<Body>报销单|1.\u00A0合同|"));
}

// Each body decoded whole and cut in two at every point: the same bytes either way.
TEST(Mime, TransferEncodingsAcrossCuts) {
    const struct {
        TTransferEncoding Encoding;
        std::string In, Out;
    } Cases[] = {
        {TTransferEncoding::Base64, "5ZCI5ZCM\r\nYWJj\r\nZA==", U8(u8"合同abcd")},
        {TTransferEncoding::Base64, "YW Jj*ZGVm\nZ2g=YWI=", "abcdefghab"},
        {TTransferEncoding::Base64, "YWJjZA", "abcd"},
        {TTransferEncoding::QuotedPrintable, "=E5=90=88=E5=90=8C =3D x=\r\ny=  \r\nz", U8(u8"合同 = xyz")},
        {TTransferEncoding::QuotedPrintable, "a=4g=\nb=G1=", "a=4gb=G1"},  // a last "=": a soft break
    };
    for (const auto& C : Cases) {
        for (std::size_t Cut = 0; Cut <= C.In.size(); ++Cut) {
            TTransferDecoder Decoder(C.Encoding);
            std::string Out(C.In.size() + 8, '\0');
            auto* O = reinterpret_cast<unsigned char*>(Out.data());
            const auto* I = reinterpret_cast<const unsigned char*>(C.In.data());
            std::size_t N = Decoder.Decode(I, Cut, O);
            N += Decoder.Decode(I + Cut, C.In.size() - Cut, O + N);
            N += Decoder.Finish(O + N);
            EXPECT_EQ(Out.substr(0, N), C.Out) << C.In << " cut at " << Cut;
        }
    }
}

TEST(Mime, DeepAndEndlessInputs) {
    // Multiparts nested far deeper than the boundaries followed: the outer levels' text arrives.
    std::string Deep = "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b0\r\n\r\n";
    for (int I = 0; I < 10000; ++I)
        Deep += "--b" + std::to_string(I) + "\r\nContent-Type: multipart/mixed; boundary=b" + std::to_string(I + 1) +
                "\r\n\r\n";
    Deep += "--b10000\r\n\r\ndeepest\r\n--b1\r\n\r\nsecond\r\n--b0\r\n\r\nfirst\r\n";
    EXPECT_EQ(DecodeWithPlaces(Deep), "<Properties><Body>second|first|");
    // One endless soft-broken line of quoted-printable text.
    std::string Endless = Mail("Content-Transfer-Encoding: quoted-printable\r\n", "");
    for (int I = 0; I < 200000; ++I) Endless += "ab=\r\n";
    const std::string Text = DecodeWithPlaces(Endless + "合同");
    EXPECT_EQ(Text.size(), Props.size() + 400000 + 6 + 1);
    EXPECT_EQ(Text.substr(Text.size() - 7), U8(u8"合同|"));
}

// A body is read a span of lines at a time up to a line that may be a boundary: lines that begin
// with "-" or "--" and close nothing stay text, wherever the reader's blocks end, and the text is
// the same read where it lies and read in pieces cut every few hundred bytes.
TEST(Mime, LongBodiesWithLinesLikeBoundaries) {
    std::string Body, Expected;
    for (int I = 0; Expected.size() < 200000; ++I) {
        const std::string Line = I % 7 == 0    ? "--not-the-boundary " + std::to_string(I)
                                 : I % 11 == 0 ? "-"
                                               : "line " + std::to_string(I);
        Body += Line + (I % 5 == 0 ? "\n" : "\r\n");
        Expected += Line + "|";
    }
    const std::string Mail =
        "From: a@example.cn\r\nMIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\""
        "\r\n\r\n--b\r\n\r\n" +
        Body + "--b\r\n\r\ntail\r\n--b--\r\n";
    EXPECT_EQ(DecodeToText(Mail), "a@example.cn|" + Expected + "tail|");
    std::vector<std::size_t> Cuts;
    for (std::size_t At = 333; At < Mail.size(); At += 333) Cuts.push_back(At);
    TCutSource Cut(Mail.data(), Mail.size(), Cuts);
    TCollectSink Sink;
    DecodeDocument(*FindFormat("mime"), Cut, Sink, TDecodeEnv{});
    EXPECT_EQ(Sink.Text8, "a@example.cn|" + Expected + "tail|");
}

}  // namespace
