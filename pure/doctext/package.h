#pragma once
// Zipped documents: a package's members found by their part names, and the kinds of package
// whose text is read (Office Open XML, OpenDocument, ...). Each kind claims a package by the
// members it holds and reads the parts a reader sees with its own XML rules.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "pure/doctext/textsink.h"
#include "pure/doctext/zip.h"

struct TDocumentFormat;
struct TXmlTextRules;

// A part to read with XML rules; parts of lower Order are read first (body text before the
// bookkeeping that names sheets, properties last). Place tells where its text stands.
struct TPackagePart {
    TPackagePart(std::size_t E, const TXmlTextRules* R, int O = 0, TTextPlace P = TTextPlace::Body)
        : Entry(E), Rules(R), Order(O), Place(P) {}
    std::size_t Entry;
    const TXmlTextRules* Rules;
    int Order = 0;
    TTextPlace Place = TTextPlace::Body;
    std::uint32_t Number = 0;
    std::u16string Name;
};

class TPackage {
public:
    static constexpr std::size_t Npos = static_cast<std::size_t>(-1);

    // Reads the directory of the package in Source, as large as the file's memory allows (a
    // package whose directory it cannot hold has no members). Env must carry the file's budget.
    TPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

    TTextSink& Sink() const { return FSink; }
    const TDecodeEnv& Env() const { return FEnv; }
    std::size_t Count() const { return FEntries.size(); }
    // A member's part name (see NormalPartName), its name read as UTF-8 or, when it is not marked
    // or valid as such, in the system's code page.
    const std::string& Name(std::size_t Entry) const { return FNames[Entry]; }
    // The member with this part name (the first, when two share it); Npos when none.
    std::size_t Find(const std::string& PartName) const;
    // True for the first member of its part name; a later one of the same name is not read.
    bool IsFirst(std::size_t Entry) const { return Find(FNames[Entry]) == Entry; }
    // A small member's content (a bookkeeping part), or its first bytes: up to Limit bytes, at
    // most ZipMaxIndexPart; empty for Npos.
    std::string ReadSmall(std::size_t Entry, std::size_t Limit = ZipMaxIndexPart);
    // Hands the text of an XML member to the sink by Rules. False once the sink wants no more.
    bool DecodeXml(std::size_t Entry, const TXmlTextRules& Rules) { return DecodeXml(Entry, Rules, FSink); }
    // The same through Sink, a filter that hands the text on to the package's sink.
    bool DecodeXml(std::size_t Entry, const TXmlTextRules& Rules, TTextSink& Sink);
    // Reads the parts in their order, calling After (when given) after each. False once the sink
    // wants no more (or After says so).
    bool DecodeParts(std::vector<TPackagePart> Parts, const std::function<bool(const TPackagePart&)>& After = {});
    // Reads a member as a document of its own when its content is of a known format (see
    // DecodeEmbedded), called Name, or by its file name when Name is empty. False once the sink
    // wants no more.
    bool DecodeMember(std::size_t Entry, std::u16string_view Name = {});
    // Reads every member whose part name begins with Folder ("" for all) with DecodeMember, in the
    // directory's order. False once the sink wants no more.
    bool DecodeMembersUnder(std::string_view Folder);
    // Reads a member as a piece of this document stored in Format (see DecodeStoredPart). False
    // once the sink wants no more.
    bool DecodeMemberAs(std::size_t Entry, const TDocumentFormat& Format);
    // True once the file's budget of unpacked bytes is spent.
    bool Exhausted() const { return FEnv.Budget->UnpackLeft == 0; }

private:
    // Whether the XML member may give Unit (see unitscout.h), looked through in Buffer
    // (ZipReadBlock bytes).
    bool MayGive(std::size_t Entry, char16_t Unit, unsigned char* Buffer);

    TByteSource& FSource;
    TTextSink& FSink;
    const TDecodeEnv& FEnv;
    std::vector<TZipEntry> FEntries;
    std::vector<std::string> FNames;
    std::unordered_map<std::string, std::size_t> FIndex;
    std::unique_ptr<TMemoryLease> FLease;  // the memory the members' names take
    // For the members read one after another here (not those read as documents of their own):
    // the inflater and a block of ZipReadBlock bytes.
    TZipInflater FInflater;
    std::unique_ptr<unsigned char[]> FBlock;
};

// A kind of package: whether it claims a package, by the members it holds, and how it reads one.
struct TPackageKind {
    const char* Name;
    bool (*Claims)(const TPackage& Package);
    void (*Decode)(TPackage& Package);
};

void DecodeZipPackage(TByteSource& Source, TTextSink& Sink, const TDecodeEnv& Env);

// A part name as the package's XML writes it (percent-encoded, maybe with a leading "/") made
// comparable with a member name: decoded, without the leading "/", ASCII letters in lower case.
std::string NormalPartName(std::string_view Name);

// Resolves a relationship's Target against the folder of its source part (Base: a normal part
// name, "" for the package root): "../media/x" and "/word/y" as a package would read them.
std::string ResolvePartName(std::string_view Base, std::string_view Target);
