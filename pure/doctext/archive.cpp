// A plain ZIP archive (a folder of scanned contracts' PDFs, of invoices, of mails): every member
// whose content is a document of a known format is read in its own right.
#include "pure/doctext/packagekinds.h"

namespace {

bool Claims(const TPackage&) { return true; }

void Decode(TPackage& Package) { Package.DecodeMembersUnder(""); }

}  // namespace

const TPackageKind ArchivePackage{"archive", Claims, Decode};
