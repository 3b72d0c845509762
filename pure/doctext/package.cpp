#include "pure/doctext/package.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "pure/doctext/charset.h"
#include "pure/doctext/document.h"
#include "pure/doctext/packagekinds.h"
#include "pure/doctext/unitscout.h"
#include "pure/doctext/xmltext.h"
#include "pure/support/bytetext.h"

namespace {

constexpr const char* PropertyNames = "title subject keywords keyword description creator initial-creator";

}  // namespace

const TXmlTextRules PackagePropertyRules{.Containers = PropertyNames, .Breaks = PropertyNames};

namespace {

// Every kind of package, in the order they are asked: the first that claims a package reads it.
const TPackageKind* const PackageKinds[] = {&OfficeOpenXmlPackage, &OfdPackage, &EpubPackage, &OpenDocumentPackage,
                                            &ArchivePackage};

// A member's name as UTF-8: names not flagged as UTF-8 and not valid as such are in the
// writer's code page, taken to be the system's (what archivers of the user's locale write).
std::string MemberName(const TZipEntry& Entry, const TDecodeEnv& Env) {
    if (Entry.Utf8Name || IsValidUtf8(Entry.Name) || Env.CodePages == nullptr) return Entry.Name;
    std::u16string Wide;
    if (!Env.CodePages->ToUtf16(Env.SystemCodePage(), Entry.Name, Wide)) return Entry.Name;
    return Utf16ToUtf8(Wide.data(), Wide.size());
}

// A member's content inflated as far as the file's budget allows: the source a nested document is
// read from (DecodeEmbedded copies what it reads into memory once).
class TMemberSource : public TByteSource {
public:
    TMemberSource(TByteSource& Source, const TZipEntry& Entry, std::uint64_t& Budget)
        : FSource(Source), FEntry(Entry), FBudget(Budget) {}
    std::uint64_t Size() const override { return FEntry.SizeKnown ? FEntry.Size : 0; }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override {
        // Reading starts over from the member's start for an offset behind the reader.
        if (!FReader || Offset < FAt) {
            FReader = std::make_unique<TZipMemberReader>(FSource, FEntry, FBudget);
            FAt = 0;
        }
        unsigned char Skip[4096];
        while (FAt < Offset) {
            const std::size_t Got = FReader->Read(Skip, std::min<std::uint64_t>(sizeof Skip, Offset - FAt));
            if (Got == 0) return 0;
            FAt += Got;
        }
        auto* Out = static_cast<unsigned char*>(Buffer);
        std::size_t Done = 0;
        while (Done < Count) {
            const std::size_t Got = FReader->Read(Out + Done, Count - Done);
            if (Got == 0) break;
            Done += Got;
        }
        FAt += Done;
        return Done;
    }

private:
    TByteSource& FSource;
    const TZipEntry& FEntry;
    std::uint64_t& FBudget;
    std::unique_ptr<TZipMemberReader> FReader;
    std::uint64_t FAt = 0;
};

void DecodeWithBudget(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    TPackage Package(Source, Sink, Env);
    for (const TPackageKind* Kind : PackageKinds) {
        if (Kind->Claims(Package)) {
            Kind->Decode(Package);
            return;
        }
    }
}

}  // namespace

TPackage::TPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env)
    : FSource(Source),
      FSink(Sink),
      FEnv(Env),
      FEntries(ReadZipDirectory(Source, static_cast<std::size_t>(std::min<std::uint64_t>(
                                            ZipMaxDirectoryBytes, Env.MemoryLeft() / ZipMemoryPerDirectoryByte)))) {
    // Each name is held three times (as stored, as a part name, as the index's key) beside the
    // members' bookkeeping.
    std::uint64_t Bytes = 0;
    for (const TZipEntry& Entry : FEntries) Bytes += 3 * Entry.Name.size() + ZipMemoryPerEntry;
    FLease = std::make_unique<TMemoryLease>(Env.Budget, Bytes);
    if (!FLease->Granted()) FEntries.clear();
    FNames.reserve(FEntries.size());
    for (std::size_t I = 0; I < FEntries.size(); ++I) {
        FNames.push_back(NormalPartName(MemberName(FEntries[I], Env)));
        FIndex.emplace(FNames.back(), I);  // the first of two members with one name wins
    }
}

std::size_t TPackage::Find(const std::string& PartName) const {
    const auto It = FIndex.find(PartName);
    return It == FIndex.end() ? Npos : It->second;
}

std::string TPackage::ReadSmall(std::size_t Entry, std::size_t Limit) {
    std::string Out;
    if (Entry == Npos) return Out;
    Limit = std::min(Limit, ZipMaxIndexPart);
    TZipMemberReader Reader(FSource, FEntries[Entry], FEnv.Budget->UnpackLeft, &FInflater);
    unsigned char Block[16 * 1024];
    while (Out.size() < Limit) {
        const std::size_t Got = Reader.Read(Block, std::min(sizeof Block, Limit - Out.size()));
        if (Got == 0) break;
        Out.append(reinterpret_cast<const char*>(Block), Got);
    }
    return Out;
}

bool TPackage::MayGive(std::size_t Entry, char16_t Unit, unsigned char* Buffer) {
    // The member's bytes are counted once: a member that may give the unit is unpacked again
    // from the same budget.
    const std::uint64_t Left = FEnv.Budget->UnpackLeft;
    TZipMemberReader Reader(FSource, FEntries[Entry], FEnv.Budget->UnpackLeft, &FInflater);
    TUnitScout Scout(Unit, CodePageUtf8, TReferences::Xml, FEnv);
    for (;;) {
        const std::size_t Got = Reader.Read(Buffer, ZipReadBlock);
        if (Got == 0 ? Scout.Finish() : Scout.Feed(Buffer, Got)) {
            FEnv.Budget->UnpackLeft = Left;
            return true;
        }
        if (Got == 0) return false;
    }
}

bool TPackage::DecodeXml(std::size_t Entry, const TXmlTextRules& Rules, TTextSink& Sink) {
    if (!FBlock) FBlock.reset(new unsigned char[ZipReadBlock]);
    unsigned char* const Buffer = FBlock.get();
    // A keyword test that waits for a unit the member's bytes cannot give passes it over (XML
    // text beyond ASCII is the characters of its bytes and its references; see unitscout.h).
    const char16_t Unit = Sink.AwaitedUnit();
    if (TUnitScout::Judges(Unit) && !MayGive(Entry, Unit, Buffer)) return Sink.Break();
    TZipMemberReader Reader(FSource, FEntries[Entry], FEnv.Budget->UnpackLeft, &FInflater);
    if (!Reader.Readable()) return true;
    TXmlTextExtractor Extractor(Rules, Sink);
    for (;;) {
        const std::size_t Got = Reader.Read(Buffer, ZipReadBlock);
        if (Got == 0) break;
        if (!Extractor.Feed(Buffer, Got)) return false;
    }
    return Extractor.Finish();
}

bool TPackage::DecodeParts(std::vector<TPackagePart> Parts, const std::function<bool(const TPackagePart&)>& After) {
    std::stable_sort(Parts.begin(), Parts.end(),
                     [](const TPackagePart& A, const TPackagePart& B) { return A.Order < B.Order; });
    for (const TPackagePart& Part : Parts)
        if (Exhausted() || !FSink.Place(Part.Place, Part.Number, Part.Name) || !DecodeXml(Part.Entry, *Part.Rules) ||
            (After && !After(Part)))
            return false;
    return true;
}

bool TPackage::DecodeMember(std::size_t Entry, std::u16string_view Name) {
    if (Entry == Npos || Exhausted()) return !Exhausted();
    TMemberSource Member(FSource, FEntries[Entry], FEnv.Budget->UnpackLeft);
    std::u16string Wide;
    if (Name.empty()) {
        const std::string& Part = FNames[Entry];
        DecodeUtf8(std::string_view(Part).substr(Part.rfind('/') + 1), Wide);
        Name = Wide;
    }
    return DecodeEmbedded(Member, Name, FSink, FEnv);
}

bool TPackage::DecodeMembersUnder(std::string_view Folder) {
    for (std::size_t I = 0; I < FEntries.size(); ++I) {
        const std::string& Name = FNames[I];
        if (Name.size() > Folder.size() && Name.compare(0, Folder.size(), Folder) == 0 && Name.back() != '/' &&
            IsFirst(I) && !DecodeMember(I))
            return false;
    }
    return true;
}

bool TPackage::DecodeMemberAs(std::size_t Entry, const TDocumentFormat& Format) {
    if (Entry == Npos || Exhausted()) return !Exhausted();
    TMemberSource Member(FSource, FEntries[Entry], FEnv.Budget->UnpackLeft);
    return DecodeStoredPart(Member, Format, FSink, FEnv);
}

void DecodeZipPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env) {
    if (Env.Budget != nullptr) return DecodeWithBudget(Source, Sink, Env);
    TDecodeBudget Budget;
    TDecodeEnv WithBudget = Env;
    WithBudget.Budget = &Budget;
    DecodeWithBudget(Source, Sink, WithBudget);
}

std::string NormalPartName(std::string_view Name) {
    std::string Out;
    for (std::size_t I = 0; I < Name.size(); ++I) {
        char C = Name[I];
        auto Hex = [](char H) {
            return H >= '0' && H <= '9'   ? H - '0'
                   : H >= 'a' && H <= 'f' ? H - 'a' + 10
                   : H >= 'A' && H <= 'F' ? H - 'A' + 10
                                          : -1;
        };
        if (C == '%' && I + 2 < Name.size() && Hex(Name[I + 1]) >= 0 && Hex(Name[I + 2]) >= 0) {
            C = static_cast<char>(Hex(Name[I + 1]) * 16 + Hex(Name[I + 2]));
            I += 2;
        } else if (C == '\\') {
            C = '/';
        }
        if (C == '/' && Out.empty()) continue;
        Out += C;
    }
    return AsciiLower(Out);
}

std::string ResolvePartName(std::string_view Base, std::string_view Target) {
    std::string Path;
    if (!Target.empty() && Target[0] == '/') {
        Path = std::string(Target);
    } else {
        const std::size_t Slash = Base.rfind('/');
        if (Slash != std::string_view::npos) Path = std::string(Base.substr(0, Slash + 1));
        Path += Target;
    }
    std::vector<std::string> Segments;
    std::size_t At = 0;
    while (At <= Path.size()) {
        std::size_t End = Path.find('/', At);
        if (End == std::string::npos) End = Path.size();
        const std::string Segment = Path.substr(At, End - At);
        if (Segment == "..") {
            if (!Segments.empty()) Segments.pop_back();
        } else if (!Segment.empty() && Segment != ".") {
            Segments.push_back(Segment);
        }
        At = End + 1;
    }
    std::string Out;
    for (const std::string& Segment : Segments) Out += (Out.empty() ? "" : "/") + Segment;
    return NormalPartName(Out);
}
