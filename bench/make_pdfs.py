#!/usr/bin/env python3
"""Writes a set of PDFs of realistic size for the PDF benchmark, imitating two producers:
- an office suite's export: Type0 fonts with Identity-H and a ToUnicode CMap (Chinese and Latin
  text), one Flate-compressed content stream per page, a cross-reference table;
- a report library: cross-reference and object streams, simple fonts in WinAnsiEncoding,
  Flate-compressed content, tables drawn with lines and rectangles.
Usage: make_pdfs.py FOLDER COUNT. The texts never hold the benchmark's keyword."""
import os
import random
import sys
import zlib

HANZI = "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处理府研质"
SYLLABLES = ["ka", "ro", "mi", "ten", "sa", "lo", "pre", "di", "ver", "an", "to", "mul", "nes", "ber", "ti",
             "on", "ar", "el", "in", "gu", "sto", "pa", "re", "co", "de", "li", "ma", "ne", "or", "us", "ist"]


def words(rng, n):
    return [("".join(rng.choice(SYLLABLES) for _ in range(rng.randint(1, 4)))) for _ in range(n)]


def assemble(objects, root, info, xref_stream):
    out = bytearray(b"%PDF-1.5\n%\xe2\xe3\xcf\xd3\n")
    offsets = {}
    if not xref_stream:
        for num, body in objects:
            offsets[num] = len(out)
            out += b"%d 0 obj\n" % num + body + b"\nendobj\n"
        size = max(offsets) + 1
        start = len(out)
        out += b"xref\n0 %d\n0000000000 65535 f \n" % size
        for n in range(1, size):
            out += (b"%010d 00000 n \n" % offsets[n]) if n in offsets else b"0000000000 65535 f \n"
        out += b"trailer\n<</Size %d /Root %d 0 R /Info %d 0 R>>\nstartxref\n%d\n%%%%EOF\n" % (size, root, info, start)
        return bytes(out)
    # Non-stream objects go into object streams of up to 100 objects.
    plain = [(n, b) for n, b in objects if b"stream\n" not in b]
    streams = [(n, b) for n, b in objects if b"stream\n" in b]
    next_num = max(n for n, _ in objects) + 1
    where = {}
    for n, body in streams:
        offsets[n] = len(out)
        out += b"%d 0 obj\n" % n + body + b"\nendobj\n"
    for i in range(0, len(plain), 100):
        group = plain[i:i + 100]
        header, data = b"", b""
        for k, (n, body) in enumerate(group):
            header += b"%d %d " % (n, len(data))
            data += body + b"\n"
            where[n] = (next_num, k)
        packed = zlib.compress(header + data)
        offsets[next_num] = len(out)
        out += b"%d 0 obj\n<</Type /ObjStm /N %d /First %d /Filter /FlateDecode /Length %d>>\nstream\n" % (
            next_num, len(group), len(header), len(packed)) + packed + b"\nendstream\nendobj\n"
        next_num += 1
    xref_num = next_num
    offsets[xref_num] = len(out)
    rows = b""
    for n in range(0, xref_num + 1):
        if n in where:
            rows += bytes([2]) + where[n][0].to_bytes(4, "big") + where[n][1].to_bytes(2, "big")
        elif n in offsets:
            rows += bytes([1]) + offsets[n].to_bytes(4, "big") + b"\0\0"
        else:
            rows += b"\0" * 7
    packed = zlib.compress(rows)
    out += b"%d 0 obj\n<</Type /XRef /W [1 4 2] /Size %d /Root %d 0 R /Info %d 0 R /Filter /FlateDecode /Length %d>>\nstream\n" % (
        xref_num, xref_num + 1, root, info, len(packed)) + packed + b"\nendstream\nendobj\n"
    out += b"startxref\n%d\n%%%%EOF\n" % offsets[xref_num]
    return bytes(out)


def stream(dict_, data, compress=True):
    if compress:
        data = zlib.compress(data)
        dict_ += b" /Filter /FlateDecode"
    return b"<<" + dict_ + b" /Length %d>>\nstream\n" % len(data) + data + b"\nendstream"


def office_export(rng, pages):
    """Type0 + Identity-H + ToUnicode, text drawn glyph by glyph in TJ arrays with kerning."""
    chars = list(dict.fromkeys(HANZI + "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789,.;:()- "))
    rng.shuffle(chars)
    gid = {c: i + 3 for i, c in enumerate(chars)}
    cmap = b"/CIDInit /ProcSet findresource begin 12 dict begin begincmap /CMapName /Adobe-Identity-UCS def\n" \
           b"1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
    items = sorted(gid.items(), key=lambda kv: kv[1])
    for i in range(0, len(items), 100):
        chunk = items[i:i + 100]
        cmap += b"%d beginbfchar\n" % len(chunk)
        for c, g in chunk:
            cmap += b"<%04X> <%04X>\n" % (g, ord(c))
        cmap += b"endbfchar\n"
    cmap += b"endcmap CMapName currentdict /CMap defineresource pop end end"
    objects = [(1, b"<</Type /Catalog /Pages 2 0 R /Lang (zh-CN)>>"),
               (3, b"<</Title <FEFF62A5544A> /Producer (Office Suite 7.4) /Creator (Writer)>>"),
               (4, b"<</Type /Font /Subtype /Type0 /BaseFont /AAAAAB+SimSun /Encoding /Identity-H /DescendantFonts [5 0 R] /ToUnicode 6 0 R>>"),
               (5, b"<</Type /Font /Subtype /CIDFontType2 /BaseFont /AAAAAB+SimSun /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>> /DW 1000 /W [3 [500 500 500]]>>"),
               (6, stream(b"", cmap)),
               # A letterhead picture on the first page: JPEG bytes that neither side decodes.
               (7, stream(b"/Type /XObject /Subtype /Image /Width 400 /Height 100 /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
                          bytes(rng.getrandbits(8) for _ in range(rng.randint(12000, 40000))), compress=False))]
    kids = []
    num = 9
    for p in range(pages):
        ops = [b"0.1 w q 0 0.1 595.3 841.8 re W n", b"0 0 0 rg 0 0 0 RG"]
        if p == 0:
            ops.append(b"q 200 0 0 50 56.7 790 cm /Im1 Do Q")
        y = 790.0
        for line in range(rng.randint(28, 40)):
            n = rng.randint(18, 36)
            text = "".join(rng.choice(HANZI) if rng.random() < 0.8 else rng.choice("abcdefgh0123456789") for _ in range(n))
            parts = []
            run = b""
            for c in text:
                run += b"%04X" % gid[c]
                if rng.random() < 0.15:
                    parts.append(b"<" + run + b">" + b"%d" % rng.randint(-40, 40))
                    run = b""
            parts.append(b"<" + run + b">")
            ops.append(b"BT /F1 10.5 Tf 1 0 0 1 %.1f %.1f Tm [%s] TJ ET" % (56.7, y, b"".join(parts)))
            y -= 18.7
            if rng.random() < 0.1:
                ops.append(b"q 0.5 0.5 0.5 RG 56.7 %.1f m 538.6 %.1f l S Q" % (y + 5, y + 5))
        ops.append(b"Q")
        content = b"\n".join(ops)
        objects.append((num, stream(b"", content)))
        objects.append((num + 1, b"<</Type /Page /Parent 2 0 R /MediaBox [0 0 595.3 841.8] /Resources <</Font <</F1 4 0 R>> /XObject <</Im1 7 0 R>> /ProcSet [/PDF /Text /ImageC]>> /Contents %d 0 R>>" % num))
        kids.append(num + 1)
        num += 2
    objects.append((2, b"<</Type /Pages /Count %d /Kids [%s]>>" % (len(kids), b" ".join(b"%d 0 R" % k for k in kids))))
    objects.sort()
    return assemble(objects, 1, 3, xref_stream=False)


def report_library(rng, pages):
    """Simple WinAnsi fonts, Tj per line, table rules; object and cross-reference streams."""
    objects = [(1, b"<</Type /Catalog /Pages 2 0 R>>"),
               (3, b"<</Title (Quarterly figures) /Producer (Report Library 3.6) /Author (Finance)>>"),
               (4, b"<</Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding>>"),
               (5, b"<</Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding>>")]
    kids = []
    num = 6
    vocab = words(rng, 3000)
    for p in range(pages):
        ops = [b"1 0 0 1 0 0 cm", b"BT /F2 14 Tf 72 760 Td (Section %d: %s) Tj ET" % (p + 1, rng.choice(vocab).encode())]
        y = 730
        for line in range(rng.randint(35, 50)):
            if rng.random() < 0.3:
                cells = [rng.choice(vocab).encode() for _ in range(4)]
                for k, cell in enumerate(cells):
                    ops.append(b"BT /F1 9 Tf %d %d Td (%s) Tj ET" % (72 + 120 * k, y, cell))
                ops.append(b"0.8 g 72 %d 480 0.5 re f 0 g" % (y - 3))
            else:
                text = " ".join(rng.choice(vocab) for _ in range(rng.randint(10, 16)))
                text = text.replace("(", "").encode()
                ops.append(b"BT /F1 10 Tf 72 %d Td 0 Tc (%s) Tj ET" % (y, text))
            y -= 13
        content = b"\n".join(ops)
        objects.append((num, stream(b"", content)))
        objects.append((num + 1, b"<</Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources <</Font <</F1 4 0 R /F2 5 0 R>>>> /Contents %d 0 R>>" % num))
        kids.append(num + 1)
        num += 2
    objects.append((2, b"<</Type /Pages /Count %d /Kids [%s]>>" % (len(kids), b" ".join(b"%d 0 R" % k for k in kids))))
    objects.sort()
    return assemble(objects, 1, 3, xref_stream=True)


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(7)
    for i in range(count):
        pages = rng.choice([1, 2, 3, 5, 8, 12, 20, 30])
        data = office_export(rng, pages) if i % 2 == 0 else report_library(rng, pages)
        with open(os.path.join(folder, "doc%03d.pdf" % i), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
