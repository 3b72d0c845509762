#!/usr/bin/env python3
"""Writes zipped office documents of realistic size and markup for the zip_vs_inflate benchmark:
.docx, .xlsx, .pptx and .odt files with Chinese and English text (the keyword nowhere), and a list
of each file's text parts (what the decoder reads) for the inflate-only side.

Usage: bench/make_zipdocs.py FOLDER COUNT
"""
import os
import random
import sys
import zipfile

COMMON = ("的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经"
          "十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处理府研质")
WORDS = ["report", "budget", "project", "schedule", "review", "contract", "supplier", "meeting", "office", "training",
         "delivery", "quality", "invoice", "customer", "system", "network", "server", "plan", "summary", "policy"]


def phrase(rng, n):
    out = []
    while len(out) < n:
        if rng.random() < 0.15:
            out.append(" " + rng.choice(WORDS) + " ")
        else:
            out.append("".join(rng.choice(COMMON) for _ in range(rng.randint(2, 6))))
        if rng.random() < 0.1:
            out.append(rng.choice("，。；：、"))
    return "".join(out)[:n * 3]


def esc(s):
    return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


CT = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
      '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
      '<Default Extension="xml" ContentType="application/xml"/>{}'
      '<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/></Types>')
OVR = '<Override PartName="/{}" ContentType="application/vnd.openxmlformats-officedocument.{}+xml"/>'
RELS = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="{}"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/></Relationships>')


def core(rng):
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
            'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
            f'<dc:title>{esc(phrase(rng, 8))}</dc:title><dc:creator>{esc(phrase(rng, 2))}</dc:creator><cp:keywords>{esc(phrase(rng, 3))}</cp:keywords>'
            '<dcterms:created xsi:type="dcterms:W3CDTF">2024-01-10T08:45:00Z</dcterms:created></cp:coreProperties>')


def word_run(rng, text):
    rpr = rng.choice(['<w:rPr><w:rFonts w:hint="eastAsia"/></w:rPr>',
                      '<w:rPr><w:rFonts w:ascii="Calibri" w:eastAsia="SimSun" w:hAnsi="Calibri"/><w:b/><w:sz w:val="24"/><w:szCs w:val="24"/></w:rPr>',
                      '<w:rPr><w:lang w:val="en-US" w:eastAsia="zh-CN"/></w:rPr>'])
    return f'<w:r>{rpr}<w:t xml:space="preserve">{esc(text)}</w:t></w:r>'


def word_paragraph(rng):
    runs = "".join(word_run(rng, phrase(rng, rng.randint(3, 30))) +
                   ('<w:proofErr w:type="spellStart"/>' if rng.random() < 0.2 else "") for _ in range(rng.randint(1, 6)))
    return (f'<w:p w:rsidR="00A1{rng.randint(1000, 9999)}" w:rsidRDefault="00B2{rng.randint(1000, 9999)}"><w:pPr><w:pStyle w:val="a3"/>'
            f'<w:spacing w:before="0" w:after="113"/><w:ind w:firstLine="482"/><w:jc w:val="left"/></w:pPr>{runs}</w:p>')


def docx(rng):
    paras = "".join(word_paragraph(rng) for _ in range(rng.randint(80, 600)))
    body = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
            f'<w:body>{paras}<w:sectPr><w:pgSz w:w="11906" w:h="16838"/></w:sectPr></w:body></w:document>')
    header = f'<w:hdr xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">{word_paragraph(rng)}</w:hdr>'
    parts = {"word/document.xml": body, "word/header1.xml": header, "docProps/core.xml": core(rng)}
    types = OVR.format("word/document.xml", "wordprocessingml.document.main") + OVR.format("word/header1.xml", "wordprocessingml.header")
    return parts, {"[Content_Types].xml": CT.format(types), "_rels/.rels": RELS.format("word/document.xml"),
                   "word/styles.xml": '<w:styles>' + '<w:style w:styleId="a3"><w:name w:val="Normal"/></w:style>' * 50 + '</w:styles>'}


def xlsx(rng):
    strings = [phrase(rng, rng.randint(2, 20)) for _ in range(rng.randint(200, 1500))]
    sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
           f'count="{len(strings)}" uniqueCount="{len(strings)}">' + "".join(f'<si><t>{esc(s)}</t></si>' for s in strings) + '</sst>')
    rows = []
    for r in range(1, rng.randint(100, 800)):
        cells = []
        for c in "ABCDEFGH":
            if rng.random() < 0.5:
                cells.append(f'<c r="{c}{r}" s="1" t="s"><v>{rng.randrange(len(strings))}</v></c>')
            else:
                cells.append(f'<c r="{c}{r}" s="2"><v>{rng.randint(0, 99999) / 100}</v></c>')
        rows.append(f'<row r="{r}" spans="1:8">' + "".join(cells) + '</row>')
    sheet = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<sheetData>' + "".join(rows) + '</sheetData></worksheet>')
    book = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets>'
            f'<sheet name="{esc(phrase(rng, 3))}" sheetId="1" r:id="rId1"/></sheets></workbook>')
    parts = {"xl/workbook.xml": book, "xl/sharedStrings.xml": sst, "xl/worksheets/sheet1.xml": sheet, "docProps/core.xml": core(rng)}
    types = (OVR.format("xl/workbook.xml", "spreadsheetml.sheet.main") + OVR.format("xl/sharedStrings.xml", "spreadsheetml.sharedStrings") +
             OVR.format("xl/worksheets/sheet1.xml", "spreadsheetml.worksheet"))
    return parts, {"[Content_Types].xml": CT.format(types), "_rels/.rels": RELS.format("xl/workbook.xml")}


def pptx(rng):
    parts, types = {}, ""
    for i in range(1, rng.randint(5, 30)):
        shapes = "".join(
            f'<p:sp><p:nvSpPr><p:cNvPr id="{k}" name="TextBox {k}"/><p:cNvSpPr txBox="1"/><p:nvPr/></p:nvSpPr>'
            '<p:spPr><a:xfrm><a:off x="457200" y="1600200"/><a:ext cx="8229600" cy="4525963"/></a:xfrm></p:spPr><p:txBody><a:bodyPr/>'
            + "".join(f'<a:p><a:r><a:rPr lang="zh-CN" altLang="en-US" sz="2000"/><a:t>{esc(phrase(rng, rng.randint(3, 25)))}</a:t></a:r></a:p>'
                      for _ in range(rng.randint(1, 8))) + '</p:txBody></p:sp>' for k in range(rng.randint(2, 6)))
        name = f"ppt/slides/slide{i}.xml"
        parts[name] = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<p:sld xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
                       f'xmlns:p="http://schemas.openxmlformats.org/presentationml/2006/main"><p:cSld><p:spTree>{shapes}</p:spTree></p:cSld></p:sld>')
        types += OVR.format(name, "presentationml.slide")
    parts["docProps/core.xml"] = core(rng)
    types += OVR.format("ppt/presentation.xml", "presentationml.presentation.main")
    return parts, {"[Content_Types].xml": CT.format(types), "_rels/.rels": RELS.format("ppt/presentation.xml"),
                   "ppt/presentation.xml": "<p:presentation/>"}


def odt(rng):
    paras = "".join(f'<text:p text:style-name="P{rng.randint(1, 9)}">' +
                    "".join(f'<text:span text:style-name="T{rng.randint(1, 5)}">{esc(phrase(rng, rng.randint(3, 30)))}</text:span>'
                            for _ in range(rng.randint(1, 5))) + '</text:p>' for _ in range(rng.randint(80, 600)))
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"')
    content = (f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document-content {ns}><office:automatic-styles>' +
               "".join(f'<style:style style:name="P{k}" style:family="paragraph"/>' for k in range(1, 10)) +
               f'</office:automatic-styles><office:body><office:text>{paras}</office:text></office:body></office:document-content>')
    styles = (f'<?xml version="1.0" encoding="UTF-8"?>\n<office:document-styles {ns}><office:master-styles><style:master-page style:name="Standard">'
              f'<style:header><text:p>{esc(phrase(rng, 6))}</text:p></style:header></style:master-page></office:master-styles></office:document-styles>')
    meta = ('<?xml version="1.0" encoding="UTF-8"?>\n<office:document-meta xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
            f'xmlns:dc="http://purl.org/dc/elements/1.1/"><office:meta><dc:title>{esc(phrase(rng, 6))}</dc:title></office:meta></office:document-meta>')
    manifest = ('<?xml version="1.0" encoding="UTF-8"?>\n<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.text"/>' +
                "".join(f'<manifest:file-entry manifest:full-path="{n}" manifest:media-type="text/xml"/>' for n in ("content.xml", "styles.xml", "meta.xml")) +
                '</manifest:manifest>')
    return {"content.xml": content, "styles.xml": styles, "meta.xml": meta}, {"META-INF/manifest.xml": manifest}


def main(folder, count):
    os.makedirs(folder, exist_ok=True)
    rng = random.Random(11)
    kinds = [("docx", docx), ("xlsx", xlsx), ("pptx", pptx), ("odt", odt)]
    listing = []
    for i in range(count):
        ext, make = kinds[i % len(kinds)]
        text_parts, other = make(rng)
        name = os.path.join(folder, f"doc{i:04d}.{ext}")
        with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
            if ext == "odt":
                z.writestr("mimetype", "application/vnd.oasis.opendocument.text", zipfile.ZIP_STORED)
            for part, data in list(other.items()) + list(text_parts.items()):
                z.writestr(part, data)
        listing.append(name + "\t" + "\t".join(text_parts))
    with open(os.path.join(folder, "parts.txt"), "w") as f:
        f.write("\n".join(listing) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]))
