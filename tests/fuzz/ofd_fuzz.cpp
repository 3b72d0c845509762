// Any bytes as the parts of an OFD package: split at each 0x01 byte into the root, the document's
// index, two pages, a template page, the annotation list and an annotation file, the attachment
// list and an attachment, stored (not deflated) in a ZIP under the names real packages give them,
// and read as a package. The fuzzer reaches the package's structure without writing deflate
// streams. No crash, no hang, bounded memory.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pure/doctext/package.h"
#include "tests/fuzz/discardsink.h"
#include "tests/pure/doctext/ziptest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    static const char* const Names[] = {
        "OFD.xml",
        "Doc_0/Document.xml",
        "Doc_0/Pages/Page_0/Content.xml",
        "Doc_0/Pages/Page_1/Content.xml",
        "Doc_0/Tpls/Tpl_0/Content.xml",
        "Doc_0/Annots/Annotations.xml",
        "Doc_0/Annots/Page_0/Annotation.xml",
        "Doc_0/Attachs/Attachments.xml",
        "Doc_0/Attachs/original_invoice.xml",
    };
    std::vector<TZipMember> Members;
    const std::string Input(reinterpret_cast<const char*>(Data), Size);
    std::size_t At = 0;
    for (const char* Name : Names) {
        if (At > Input.size()) break;
        std::size_t End = Input.find('\x01', At);
        if (End == std::string::npos) End = Input.size();
        TZipMember Member(Name, Input.substr(At, End - At));
        Member.Deflate = false;
        Members.push_back(Member);
        At = End + 1;
    }
    const std::string Package = TZipWriter().Build(Members);
    TMemorySource Source(Package.data(), Package.size());
    TDiscardSink Sink;
    DecodeZipPackage(Source, Sink, TDecodeEnv{});
    return 0;
}
