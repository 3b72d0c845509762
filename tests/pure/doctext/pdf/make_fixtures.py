#!/usr/bin/env python3
"""Writes the small PDF fixtures of the PDF decoder suites (kept in the repository; the tests do
not run this). A plain document with a Latin font and a Chinese Type0 font, then copies of it made
by qpdf: encrypted with the empty user password in each security handler revision, one that
needs a password, and one with object streams. Needs python3 and qpdf (Debian packages)."""
import subprocess, sys, os

here = os.path.dirname(os.path.abspath(__file__))

def pdf(objects, root=1, info=None):
    out = b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"
    offsets = []
    for i, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % i + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for o in offsets:
        out += b"%010d 00000 n \n" % o
    trailer = b"/Size %d /Root %d 0 R" % (len(objects) + 1, root)
    if info:
        trailer += b" /Info %d 0 R" % info
    out += b"trailer\n<<" + trailer + b" /ID [<0123456789abcdef0123456789abcdef> <0123456789abcdef0123456789abcdef>]>>\nstartxref\n%d\n%%%%EOF\n" % xref
    return out

def stream(dict_, data):
    return b"<<" + dict_ + b" /Length %d>>\nstream\n" % len(data) + data + b"\nendstream"

# Glyph codes 1 and 2 of the Chinese font show U+5408 U+540C; 3 to 6 show U+5E74 U+5EA6 U+9884 U+7B97.
cmap = b"""/CIDInit /ProcSet findresource begin 12 dict begin begincmap
/CMapName /Test-UCS def 1 begincodespacerange <0000> <FFFF> endcodespacerange
2 beginbfchar <0001> <5408> <0002> <540C> endbfchar
1 beginbfrange <0003> <0006> [<5E74> <5EA6> <9884> <7B97>] endbfrange
endcmap CMapName currentdict /CMap defineresource pop end end"""
content = b"BT /F1 12 Tf 72 720 Td (Quarterly KesTrel report) Tj /F2 12 Tf 0 -20 Td <00010002> Tj 0 -20 Td [<0003> -50 <0004>] TJ T* <00050006> Tj ET"
objects = [
    b"<</Type /Catalog /Pages 2 0 R>>",
    b"<</Type /Pages /Kids [3 0 R] /Count 1>>",
    b"<</Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources <</Font <</F1 4 0 R /F2 5 0 R>>>> /Contents 6 0 R>>",
    b"<</Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding>>",
    b"<</Type /Font /Subtype /Type0 /BaseFont /Song /Encoding /Identity-H /DescendantFonts [7 0 R] /ToUnicode 8 0 R>>",
    stream(b"", content),
    b"<</Type /Font /Subtype /CIDFontType2 /BaseFont /Song /CIDSystemInfo <</Registry (Adobe) /Ordering (Identity) /Supplement 0>>>>",
    stream(b"", cmap),
    b"<</Title <FEFF0032003000323034 5E745EA6 98847B97> /Author (Wang)>>",
]
# The title holds U+0032 U+0030 U+0032 U+0034 then 年度预算: "2024年度预算".
objects[8] = b"<</Title <FEFF00320030003200345E745EA698847B97> /Author (Wang)>>"
plain = pdf(objects, info=9)
base = os.path.join(here, "plain.pdf")
open(base, "wb").write(plain)

def qpdf(name, *args):
    subprocess.run(["qpdf", *args, base, os.path.join(here, name)], check=True)

qpdf("rc4-40.pdf", "--allow-weak-crypto", "--encrypt", "", "owner", "40", "--")
qpdf("rc4-128.pdf", "--allow-weak-crypto", "--encrypt", "", "owner", "128", "--use-aes=n", "--")
qpdf("aes-128.pdf", "--encrypt", "", "owner", "128", "--use-aes=y", "--")
qpdf("aes-256-r5.pdf", "--allow-weak-crypto", "--encrypt", "", "owner", "256", "--force-R5", "--")
qpdf("aes-256-r6.pdf", "--object-streams=generate", "--encrypt", "", "owner", "256", "--")
qpdf("password.pdf", "--encrypt", "secret", "owner", "256", "--")
qpdf("objstm.pdf", "--object-streams=generate", "--compress-streams=y")
os.remove(base) if "--keep-plain" not in sys.argv else None
