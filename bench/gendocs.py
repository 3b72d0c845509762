#!/usr/bin/env python3
"""Generates office-like documents for the benchmarks and the fuzz seeds: Word, Excel and PowerPoint
97-2003 compound files (WordDocument/1Table, Workbook with BIFF8 records and a shared-string table
cut by CONTINUE records, PowerPoint Document with text atoms), RTF with \\uN and \\'hh escapes, and
UTF-8 text, OFD documents, mails (.eml), web pages in GBK and single-file web pages (.mht). The
text is Chinese and English prose that never holds the benchmark's keyword; a fifth
of the documents hold another word, for the benchmark of the hits.

Usage: bench/gendocs.py tree FOLDER [COUNT]   a tree of COUNT (default 500) documents
       bench/gendocs.py seeds FOLDER           a few small compound files and workbook streams
"""
import base64
import io
import os
import quopri
import random
import struct
import sys
import zipfile
from xml.sax.saxutils import escape

KEYWORD = "蓝鲸计划"  # the benchmark's keyword: none of its characters occur in the text
PLANTED = "南方纸业"  # a word that a fifth of the documents hold, some many times (the hits' benchmark)
_plant = [False]  # the document being made gets the planted word

HANZI = ("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所"
         "民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日"
         "那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已"
         "通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见期领导务")
HANZI = "".join(c for c in HANZI if c not in KEYWORD)
WORDS = ["budget", "contract", "report", "meeting", "project", "quarter", "office", "supply", "review", "plan",
         "Kestrel", "summary", "invoice", "schedule", "team", "market", "client", "order", "notice", "total"]


def prose(rng, chars):
    """About `chars` characters of mixed Chinese and English sentences."""
    out, n = [], 0
    while n < chars:
        if _plant[0] and rng.random() < 0.05:
            _plant[0] = False
            out.append("供货方" + PLANTED + "有限公司。")
        if rng.random() < 0.8:
            s = "".join(rng.choice(HANZI) for _ in range(rng.randint(8, 40))) + "。"
        else:
            s = " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 12))) + ". "
        out.append(s)
        n += len(s)
    return "".join(out)


def bulk(rng, chars):
    """Long prose made by repeating a few generated paragraphs (fast for megabytes)."""
    paragraphs = [prose(rng, 2000) for _ in range(8)]
    out, n = [], 0
    while n < chars:
        p = rng.choice(paragraphs)
        out.append(p)
        n += len(p)
    return "".join(out)[:chars]


# ---- compound files ----

def compound_file(streams, interleave=0, shift=9):
    """A compound file (version 3 or 4) holding `streams` [(name, bytes)] in the root. Streams below
    4096 bytes go to the mini stream. With interleave = k > 0 the large streams take k sectors in turn,
    so their chains cross each other as in files an office suite has saved many times."""
    ss = 1 << shift
    per = ss // 4
    small = [i for i, (_, d) in enumerate(streams) if len(d) < 4096]
    large = [i for i, (_, d) in enumerate(streams) if len(d) >= 4096]
    mini_chain, mini = {}, bytearray()
    for i in small:
        data = streams[i][1]
        first = len(mini) // 64
        count = (len(data) + 63) // 64
        mini_chain[i] = list(range(first, first + count))
        mini += data + b"\0" * (count * 64 - len(data))
    names = ["Root Entry"] + [n for n, _ in streams]
    dir_count = (len(names) * 128 + ss - 1) // ss
    minifat_count = (len(mini) // 64 * 4 + ss - 1) // ss
    ministream_count = (len(mini) + ss - 1) // ss
    need = {i: (len(streams[i][1]) + ss - 1) // ss for i in large}
    large_count = sum(need.values())
    fat_count = 1
    while True:
        f = (fat_count + dir_count + minifat_count + ministream_count + large_count + per - 1) // per
        if f == fat_count:
            break
        fat_count = f
    assert fat_count <= 109, "too large for a header-only DIFAT"
    dir_start = fat_count
    minifat_start = dir_start + dir_count
    ministream_start = minifat_start + minifat_count
    nxt = ministream_start + ministream_count
    chains = {i: [] for i in large}
    step = interleave or max(need.values(), default=1)
    while any(len(chains[i]) < need[i] for i in large):
        for i in large:
            take = min(step, need[i] - len(chains[i]))
            chains[i] += range(nxt, nxt + take)
            nxt += take
    total = nxt
    fat = [0xFFFFFFFF] * (fat_count * per)
    for s in range(fat_count):
        fat[s] = 0xFFFFFFFD

    def link(table, chain):
        for k, s in enumerate(chain):
            table[s] = chain[k + 1] if k + 1 < len(chain) else 0xFFFFFFFE

    link(fat, list(range(dir_start, dir_start + dir_count)))
    link(fat, list(range(minifat_start, minifat_start + minifat_count)))
    link(fat, list(range(ministream_start, ministream_start + ministream_count)))
    for i in large:
        link(fat, chains[i])
    minifat = [0xFFFFFFFF] * (minifat_count * per)
    for i in small:
        link(minifat, mini_chain[i])

    out = bytearray(ss * (total + 1))

    def put(sector, data):
        at = (sector + 1) * ss
        out[at:at + len(data)] = data

    header = bytearray(512)
    header[0:8] = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3 if shift == 9 else 4, 0xFFFE, shift, 6)
    struct.pack_into("<IIIIIIIII", header, 0x28, 0 if shift == 9 else dir_count, fat_count, dir_start, 0, 4096,
                     minifat_start if minifat_count else 0xFFFFFFFE, minifat_count, 0xFFFFFFFE, 0)
    for k in range(109):
        struct.pack_into("<I", header, 0x4C + 4 * k, k if k < fat_count else 0xFFFFFFFF)
    out[0:512] = header
    put(0, struct.pack(f"<{len(fat)}I", *fat))
    if minifat_count:
        put(minifat_start, struct.pack(f"<{len(minifat)}I", *minifat))
    put(ministream_start, bytes(mini))
    for i in large:
        data = streams[i][1]
        for k, s in enumerate(chains[i]):
            put(s, data[k * ss:(k + 1) * ss])
    directory = bytearray(dir_count * ss)
    for e, name in enumerate(names):
        entry = bytearray(128)
        encoded = name.encode("utf-16-le")
        entry[0:len(encoded)] = encoded
        struct.pack_into("<HBB", entry, 0x40, len(encoded) + 2, 5 if e == 0 else 2, 1)
        child = 1 if e == 0 and len(names) > 1 else 0xFFFFFFFF
        right = e + 1 if 0 < e < len(names) - 1 else 0xFFFFFFFF
        struct.pack_into("<III", entry, 0x44, 0xFFFFFFFF, right, child)
        if e == 0:
            start, size = (ministream_start, len(mini)) if mini else (0xFFFFFFFE, 0)
        else:
            i = e - 1
            size = len(streams[i][1])
            chain = mini_chain.get(i) or chains.get(i) or []
            start = chain[0] if chain else 0xFFFFFFFE
        struct.pack_into("<IQ", entry, 0x74, start, size)
        directory[128 * e:128 * e + 128] = entry
    put(dir_start, bytes(directory))
    return bytes(out)


def summary_information(rng):
    """A property set stream of a plausible size (its content does not matter here)."""
    return b"\xFE\xFF\x00\x00\x06\x01\x02\x00" + bytes(rng.getrandbits(8) for _ in range(400))


def word_document(rng, size):
    text = bulk(rng, max(size // 2 - 2000, 100))
    fib = bytes([0xEC, 0xA5, 0xC1, 0x00]) + bytes(1468)
    table = ("宋体\0Times New Roman\0正文\0标题 1\0" * 40).encode("utf-16-le")
    return compound_file([("WordDocument", fib + text.encode("utf-16-le")), ("1Table", table),
                          ("\x05SummaryInformation", summary_information(rng)),
                          ("\x05DocumentSummaryInformation", summary_information(rng))], interleave=64)


def record(kind, data):
    return struct.pack("<HH", kind, len(data)) + data


def biff_string(text):
    """A string of the shared-string table: 8-bit when every character fits, else UTF-16."""
    if all(ord(c) < 256 for c in text):
        return struct.pack("<HB", len(text), 0), text.encode("latin-1"), 1
    return struct.pack("<HB", len(text), 1), text.encode("utf-16-le"), 2


def sst_records(strings, limit=8224):
    """The SST record and its CONTINUE records: a string's characters cut at a record's end go on
    after an option byte; a string's header never is cut."""
    records, cur = [], bytearray(struct.pack("<II", len(strings), len(strings)))
    for text in strings:
        head, chars, width = biff_string(text)
        if len(cur) + len(head) + width > limit:
            records.append(bytes(cur))
            cur = bytearray()
        cur += head
        while chars:
            room = (limit - len(cur)) // width * width
            if room <= 0:
                records.append(bytes(cur))
                cur = bytearray([width - 1])
                continue
            cur += chars[:room]
            chars = chars[room:]
    records.append(bytes(cur))
    return record(0x00FC, records[0]) + b"".join(record(0x003C, r) for r in records[1:])


def workbook(rng, size):
    strings = [prose(rng, rng.randint(2, 60)).strip() for _ in range(max(size // 400, 20))]
    globals_ = record(0x0809, struct.pack("<HHHHII", 0x0600, 5, 0, 0, 0, 0))
    globals_ += b"".join(record(0x0031, bytes(20) + "宋体".encode("utf-16-le")) for _ in range(6))
    globals_ += record(0x0085, struct.pack("<IBB", 0, 0, 0) + b"\x06\x00Sheet1")
    globals_ += sst_records(strings) + record(0x000A, b"")
    sheet = bytearray(record(0x0809, struct.pack("<HHHHII", 0x0600, 0x10, 0, 0, 0, 0)))
    row = 0
    while len(globals_) + len(sheet) < size - 200:
        for col in range(8):
            if rng.random() < 0.5:
                sheet += record(0x00FD, struct.pack("<HHHI", row, col, 15, rng.randrange(len(strings))))
            else:
                sheet += record(0x0203, struct.pack("<HHHd", row, col, 15, rng.random() * 1e6))
        row += 1
    sheet += record(0x000A, b"")
    return compound_file([("Workbook", globals_ + bytes(sheet)), ("\x05SummaryInformation", summary_information(rng))],
                         interleave=64)


def presentation(rng, size):
    slides = bytearray()
    while len(slides) < size:
        text = prose(rng, rng.randint(20, 400))
        atom = struct.pack("<HHI", 0, 0x0FA0, 2 * len(text)) + text.encode("utf-16-le")
        picture = struct.pack("<HHI", 0, 0x0FBA, 0) + bytes(rng.getrandbits(8) for _ in range(rng.randint(0, 64)))
        slides += struct.pack("<HHI", 0x0F, 0x03EE, len(atom) + len(picture)) + atom + picture
    return compound_file([("PowerPoint Document", bytes(slides)), ("Current User", bytes(60)),
                          ("\x05SummaryInformation", summary_information(rng))], interleave=64)


def rtf(rng, size):
    out = [r"{\rtf1\ansi\ansicpg936\deff0{\fonttbl{\f0\fnil\fcharset134 \'cb\'ce\'cc\'e5;}}" "\n"]
    n = len(out[0])
    while n < size:
        text = prose(rng, 200)
        if rng.random() < 0.5:
            body = "".join(f"\\u{ord(c) - 65536 if ord(c) > 32767 else ord(c)}?" if ord(c) > 127 else c for c in text)
        else:
            body = "".join("".join(f"\\'{b:02x}" for b in c.encode("gbk")) if ord(c) > 127 else c for c in text)
        piece = r"{\pard\f0\fs24 " + body + "\\par}\n"
        out.append(piece)
        n += len(piece)
    return ("".join(out) + "}").encode("ascii")


def utf8_text(rng, size):
    return bulk(rng, size // 3).encode("utf-8")[:size]


# ---- OFD, mail and web pages ----

def _zip(members):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            z.writestr(name, data)
    return buffer.getvalue()


def ofd(rng, size):
    """An OFD document as e-invoices and official documents are written: a template page with the
    labels, pages whose text objects hold a few characters each, document properties."""
    ns = 'xmlns:ofd="http://www.ofdspec.org/2016"'

    def text_objects(chars):
        out, n, oid = [], 0, 100
        while n < chars:
            words = prose(rng, rng.randint(4, 30))
            for i in range(0, len(words), rng.randint(1, 6)):
                piece = escape(words[i:i + 6])
                out.append(f'<ofd:TextObject ID="{oid}" Boundary="10 {oid % 250} 80 6" Font="3" Size="3.5">'
                           f'<ofd:FillColor Value="0 0 0"/><ofd:TextCode X="0" Y="4" DeltaX="3.5 3.5 3.5">{piece}'
                           f'</ofd:TextCode></ofd:TextObject>')
                oid += 1
                n += len(piece) + 120
        return "".join(out)

    pages = max(1, size // 60000)
    members = [("OFD.xml", f'<?xml version="1.0" encoding="UTF-8"?><ofd:OFD {ns} Version="1.1" DocType="OFD">'
                           f'<ofd:DocBody><ofd:DocInfo><ofd:DocID>{rng.getrandbits(64):x}</ofd:DocID>'
                           f'<ofd:Title>{escape(prose(rng, 10))}</ofd:Title></ofd:DocInfo>'
                           f'<ofd:DocRoot>Doc_0/Document.xml</ofd:DocRoot></ofd:DocBody></ofd:OFD>'),
               ("Doc_0/Tpls/Tpl_0/Content.xml", f'<ofd:Page {ns}><ofd:Content><ofd:Layer ID="2">'
                                                f'{text_objects(2000)}</ofd:Layer></ofd:Content></ofd:Page>')]
    page_list = []
    for p in range(pages):
        page_list.append(f'<ofd:Page ID="{10 + p}" BaseLoc="Pages/Page_{p}/Content.xml"/>')
        members.append((f"Doc_0/Pages/Page_{p}/Content.xml",
                        f'<ofd:Page {ns}><ofd:Template TemplateID="5"/><ofd:Content><ofd:Layer ID="{20 + p}">'
                        f'{text_objects(size // pages)}</ofd:Layer></ofd:Content></ofd:Page>'))
    members.append(("Doc_0/Document.xml", f'<ofd:Document {ns}><ofd:CommonData><ofd:MaxUnitID>999</ofd:MaxUnitID>'
                                          f'<ofd:PageArea><ofd:PhysicalBox>0 0 210 140</ofd:PhysicalBox></ofd:PageArea>'
                                          f'<ofd:TemplatePage ID="5" BaseLoc="Tpls/Tpl_0/Content.xml"/>'
                                          f'</ofd:CommonData><ofd:Pages>{"".join(page_list)}</ofd:Pages></ofd:Document>'))
    return _zip(members)


def _base64_lines(data):
    encoded = base64.b64encode(data).decode("ascii")
    return "\r\n".join(encoded[i:i + 76] for i in range(0, len(encoded), 76))


def _encoded_word(text):
    return "=?gb2312?B?" + base64.b64encode(text.encode("gbk")).decode("ascii") + "?="


def eml(rng, size):
    """A mail as mail programs write it: a GBK subject in an encoded word, a plain and an HTML
    body in base64 and quoted-printable, and a text attachment."""
    boundary = f"----=_NextPart_{rng.getrandbits(48):012x}"
    body = bulk(rng, size // 4)
    html = "<html><body>" + "".join(f"<p>{escape(body[i:i + 300])}</p>" for i in range(0, len(body), 300)) + \
        "</body></html>"
    parts = [
        f"Content-Type: text/plain;\r\n\tcharset=\"gb2312\"\r\nContent-Transfer-Encoding: base64\r\n\r\n"
        + _base64_lines(body.encode("gbk")),
        "Content-Type: text/html;\r\n\tcharset=\"utf-8\"\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
        + quopri.encodestring(html.encode("utf-8")).decode("ascii").replace("\n", "\r\n"),
        f"Content-Type: application/octet-stream;\r\n\tname=\"{_encoded_word('附件说明.txt')}\"\r\n"
        f"Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment\r\n\r\n"
        + _base64_lines(bulk(rng, size // 8).encode("gbk")),
    ]
    head = (f"From: {_encoded_word('张三')} <zhang@example.cn>\r\nTo: <li@example.cn>\r\n"
            f"Subject: {_encoded_word(prose(rng, 12).strip())}\r\nDate: Mon, 2 Dec 2024 10:00:00 +0800\r\n"
            f"MIME-Version: 1.0\r\nContent-Type: multipart/mixed;\r\n\tboundary=\"{boundary}\"\r\n\r\n"
            f"This is a multi-part message in MIME format.\r\n\r\n")
    return (head + "".join(f"--{boundary}\r\n{p}\r\n\r\n" for p in parts) + f"--{boundary}--\r\n").encode("ascii")


def html_page(rng, size):
    """A web page in GBK as Chinese sites and office suites save them: words split by inline tags,
    character references, a script and a style."""
    out = ['<!DOCTYPE html PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN"><html><head>'
           '<meta http-equiv="Content-Type" content="text/html; charset=gb2312"><title>' + escape(prose(rng, 10)) +
           '</title><style>p { margin: 0 }</style><script>var a = 1;</script></head><body>']
    n = len(out[0])
    while n < size:
        text = escape(prose(rng, 200))
        cut = rng.randrange(1, len(text))
        piece = f'<p class="MsoNormal"><span lang="ZH-CN">{text[:cut]}</span><b>{text[cut:]}</b>&nbsp;&#25253;</p>\n'
        out.append(piece)
        n += len(piece.encode("gbk", "replace"))
    return ("".join(out) + "</body></html>").encode("gbk", "replace")


def mht(rng, size):
    """A single-file web page as a word processor saves it: MIME with a quoted-printable HTML part."""
    boundary = f"----=_NextPart_01D{rng.getrandbits(40):010X}"
    page = html_page(rng, size).decode("gbk").replace("gb2312", "utf-8")
    return (f"MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"{boundary}\"\r\n\r\n"
            f"--{boundary}\r\nContent-Location: file:///C:/doc.htm\r\nContent-Transfer-Encoding: quoted-printable\r\n"
            f"Content-Type: text/html; charset=\"utf-8\"\r\n\r\n"
            + quopri.encodestring(page.encode("utf-8")).decode("ascii").replace("\n", "\r\n")
            + f"\r\n\r\n--{boundary}--\r\n").encode("ascii")


KINDS = [(".doc", word_document), (".xls", workbook), (".ppt", presentation), (".rtf", rtf), (".txt", utf8_text),
         (".ofd", ofd), (".eml", eml), (".htm", html_page), (".mht", mht)]


def make_tree(folder, count=500, seed=9):
    stamp = os.path.join(folder, f".complete-{count}")
    if os.path.exists(stamp):
        return
    rng = random.Random(seed)
    for k in range(count):
        ext, make = KINDS[k % len(KINDS)]
        r = rng.random()
        size = int(rng.uniform(20, 200) * 1024) if r < 0.7 else int(rng.uniform(0.2, 1) * 2**20) if r < 0.95 \
            else int(rng.uniform(1, 3) * 2**20)
        d = os.path.join(folder, f"dept{k % 10}", f"group{k % 7}")
        os.makedirs(d, exist_ok=True)
        _plant[0] = k % 5 == 2
        data = make(rng, size)
        _plant[0] = False
        assert KEYWORD.encode("gbk") not in data and KEYWORD.encode("utf-16-le") not in data
        with open(os.path.join(d, f"doc{k:04d}{ext}"), "wb") as f:
            f.write(data)
    open(stamp, "w").close()


def make_seeds(folder):
    rng = random.Random(3)
    cfb = os.path.join(folder, "cfb")
    biff = os.path.join(folder, "biff")
    os.makedirs(cfb, exist_ok=True)
    os.makedirs(biff, exist_ok=True)
    strings = ["合同" * 3, "plain", "Latin-1 é", prose(rng, 30)]
    sst = sst_records(strings, limit=40)  # small records: strings cut, with the 8-bit/16-bit switch
    stream = record(0x0809, struct.pack("<HHHHII", 0x0600, 5, 0, 0, 0, 0)) + sst + record(0x000A, b"")
    with open(os.path.join(biff, "cut_strings.bin"), "wb") as f:
        f.write(stream)
    rich = struct.pack("<HBHI", 2, 0x0D, 1, 6) + "合同".encode("utf-16-le") + bytes(4)[:2]
    with open(os.path.join(biff, "rich_ext.bin"), "wb") as f:
        f.write(record(0x0809, bytes(16)) + record(0x00FC, bytes(8) + rich) + record(0x003C, bytes(2 + 6)) +
                record(0x000A, b""))
    files = {
        "mini_and_large.cfb": compound_file([("A", prose(rng, 300).encode("utf-16-le")), ("B", b"x" * 4200),
                                             ("\x05SummaryInformation", b"s" * 200)], interleave=1),
        "workbook.cfb": compound_file([("Workbook", stream + bytes(4096))]),
    }
    for name, data in files.items():
        with open(os.path.join(cfb, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    if len(sys.argv) >= 3 and sys.argv[1] == "tree":
        make_tree(sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 500)
    elif len(sys.argv) == 3 and sys.argv[1] == "seeds":
        make_seeds(sys.argv[2])
    else:
        sys.exit(__doc__)
