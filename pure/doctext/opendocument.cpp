// OpenDocument packages (.odt .ods .odp and their templates): the content, the styles (headers
// and footers) and the properties, as the manifest lists them.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "pure/doctext/packagekinds.h"
#include "pure/doctext/xmltags.h"
#include "pure/doctext/xmltext.h"

namespace {

constexpr const char* OdfBreaks = "p h table-cell table-row list-item";
const TXmlTextRules ContentRules{.Containers = "p h",
                                 .Breaks = OdfBreaks,
                                 .Skips = "tracked-changes creator date",
                                 .Spaces = "s",
                                 .SpaceCount = "c",
                                 .Tabs = "tab",
                                 .LineBreaks = "line-break"};
// A spreadsheet's table names are its sheet names, which its reader sees on the tabs.
constexpr TXmlTextRules WithTableNames(TXmlTextRules Rules) {
    Rules.AttributeElement = "table";
    Rules.AttributeName = "name";
    return Rules;
}
const TXmlTextRules SpreadsheetRules = WithTableNames(ContentRules);
const TXmlTextRules StyleRules{.Containers = "header footer header-left footer-left header-first footer-first",
                               .Breaks = OdfBreaks,
                               .Spaces = "s",
                               .SpaceCount = "c",
                               .Tabs = "tab",
                               .LineBreaks = "line-break"};

// Body text first, the headers and footers of the styles after it, properties last.
enum TOrder { BodyOrder = 0, StylesOrder = 1, PropertiesOrder = 2 };

bool Holds(std::string_view S, std::string_view Part) { return S.find(Part) != std::string_view::npos; }

bool Claims(const TPackage& Package) {
    return Package.Find("content.xml") != TPackage::Npos || Package.Find("meta-inf/manifest.xml") != TPackage::Npos ||
           Package.Find("mimetype") != TPackage::Npos;
}

void Decode(TPackage& Package) {
    std::vector<std::string> Listed;
    bool Spreadsheet = Holds(Package.ReadSmall(Package.Find("mimetype")), "spreadsheet");
    std::vector<std::string> Encrypted;
    std::string Last;
    ForEachXmlTag(Package.ReadSmall(Package.Find("meta-inf/manifest.xml")),
                  [&](std::string_view Tag, const TXmlAttributes& A) {
                      // A password-protected document's parts are ciphertext, named by the entry before.
                      if (Tag == "encryption-data") Encrypted.push_back(Last);
                      if (Tag != "file-entry") return;
                      const std::string_view Type = XmlAttribute(A, "media-type");
                      Last = NormalPartName(DecodeXmlAttribute(XmlAttribute(A, "full-path")));
                      if (Type == "text/xml") Listed.push_back(Last);
                      if (Last.empty() && Holds(Type, "spreadsheet")) Spreadsheet = true;
                  });
    for (const std::string& Name : Encrypted)
        Listed.erase(std::remove(Listed.begin(), Listed.end(), Name), Listed.end());
    if (Listed.empty() && Encrypted.empty()) Listed = {"content.xml", "styles.xml", "meta.xml"};
    std::vector<TPackagePart> Parts;
    for (const std::string& Name : Listed) {
        const std::size_t Entry = Package.Find(Name);
        if (Entry == TPackage::Npos) continue;
        const std::string_view File = std::string_view(Name).substr(Name.rfind('/') + 1);
        if (File == "content.xml")
            Parts.push_back({Entry, Spreadsheet ? &SpreadsheetRules : &ContentRules, BodyOrder});
        else if (File == "styles.xml")
            Parts.push_back({Entry, &StyleRules, StylesOrder, TTextPlace::HeaderFooter});
        else if (File == "meta.xml")
            Parts.push_back({Entry, &PackagePropertyRules, PropertiesOrder, TTextPlace::Properties});
    }
    if (!Package.DecodeParts(std::move(Parts))) return;
    // Objects embedded as files of their own (an OLE object: a workbook, a document) stand at the
    // package's root as "Object N"; objects in OpenDocument form are folders whose content.xml
    // was read above.
    for (std::size_t I = 0; I < Package.Count(); ++I) {
        const std::string& Name = Package.Name(I);
        if (Name.compare(0, 6, "object") == 0 && Name.find('/') == std::string::npos && Package.IsFirst(I) &&
            !Package.DecodeMember(I))
            return;
    }
}

}  // namespace

const TPackageKind OpenDocumentPackage{"opendocument", Claims, Decode};
