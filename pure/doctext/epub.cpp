// E-books (.epub): a ZIP package whose container names its package document; the chapters that
// document lists in reading order (its XHTML items) are read as web pages, and its metadata's
// title and creator are the book's properties.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pure/doctext/document.h"
#include "pure/doctext/packagekinds.h"
#include "pure/doctext/xmltags.h"
#include "pure/doctext/xmltext.h"

namespace {

const TXmlTextRules MetadataRules{.Containers = "title creator", .Breaks = "title creator"};

// A book holds a mimetype member (as OpenDocument packages do) and META-INF/container.xml (as
// they do not).
bool Claims(const TPackage& Package) {
    return Package.Find("mimetype") != TPackage::Npos && Package.Find("meta-inf/container.xml") != TPackage::Npos;
}

void Decode(TPackage& Package) {
    std::string Opf;
    ForEachXmlTag(Package.ReadSmall(Package.Find("meta-inf/container.xml")),
                  [&](std::string_view Tag, const TXmlAttributes& A) {
                      if (Tag == "rootfile" && Opf.empty())
                          Opf = NormalPartName(DecodeXmlAttribute(XmlAttribute(A, "full-path")));
                  });
    const std::size_t OpfEntry = Opf.empty() ? TPackage::Npos : Package.Find(Opf);
    if (OpfEntry == TPackage::Npos) return;
    // The manifest's XHTML items by id, in its order, and the spine's references to them.
    std::unordered_map<std::string, std::string> Items;
    std::vector<std::string> Listed, Spine;
    ForEachXmlTag(Package.ReadSmall(OpfEntry), [&](std::string_view Tag, const TXmlAttributes& A) {
        if (Tag == "item") {
            const std::string_view Type = XmlAttribute(A, "media-type");
            if (Type != "application/xhtml+xml" && Type != "text/html") return;
            const std::string Id = DecodeXmlAttribute(XmlAttribute(A, "id"));
            Items.emplace(Id, ResolvePartName(Opf, DecodeXmlAttribute(XmlAttribute(A, "href"))));
            Listed.push_back(Id);
        } else if (Tag == "itemref") {
            Spine.push_back(DecodeXmlAttribute(XmlAttribute(A, "idref")));
        }
    });
    // A book without a spine is read in the manifest's order.
    if (Spine.empty()) Spine = Listed;
    const TDocumentFormat* Html = FindFormat("html");
    std::vector<bool> Read(Package.Count());  // a chapter the spine lists twice is read once
    for (const std::string& Id : Spine) {
        const auto It = Items.find(Id);
        const std::size_t Entry = It == Items.end() ? TPackage::Npos : Package.Find(It->second);
        if (Entry == TPackage::Npos || Read[Entry]) continue;
        Read[Entry] = true;
        if (!Package.DecodeMemberAs(Entry, *Html)) return;
    }
    if (!Package.Sink().Place(TTextPlace::Properties)) return;
    if (Package.DecodeXml(OpfEntry, MetadataRules)) Package.Sink().Place(TTextPlace::Body);
}

}  // namespace

const TPackageKind EpubPackage{"epub", Claims, Decode};
