#pragma once
// A small ZIP writer for the package suites: stored or deflated members, data descriptors,
// ZIP64 records, local headers that disagree with the central directory.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

inline std::string RawDeflate(const std::string& Data) {
    z_stream S{};
    deflateInit2(&S, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string Out(deflateBound(&S, Data.size()), '\0');
    S.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
    S.avail_in = static_cast<uInt>(Data.size());
    S.next_out = reinterpret_cast<Bytef*>(Out.data());
    S.avail_out = static_cast<uInt>(Out.size());
    deflate(&S, Z_FINISH);
    Out.resize(S.total_out);
    deflateEnd(&S);
    return Out;
}

struct TZipMember {
    TZipMember(std::string N, std::string D) : Name(std::move(N)), Data(std::move(D)) {}
    TZipMember() = default;
    std::string Name;
    std::string Data;
    bool Deflate = true;
    bool Descriptor = false;  // sizes zero in the local header, given after the data
    std::string LocalExtra;   // an extra field in the local header only
    bool Utf8Name = true;
    std::uint16_t Flags = 0;       // more general-purpose flags (1: encrypted)
    std::string Compressed;        // when not empty: the stored data as is, Data is its size only
    std::uint64_t StatedSize = 0;  // with Compressed: the size the headers state
};

class TZipWriter {
public:
    bool Zip64 = false;  // ZIP64 extra fields and end records

    std::string Build(const std::vector<TZipMember>& Members) {
        std::string Out, Directory;
        for (const TZipMember& M : Members) {
            const std::string Body = !M.Compressed.empty() ? M.Compressed : M.Deflate ? RawDeflate(M.Data) : M.Data;
            const std::uint64_t Size = !M.Compressed.empty() ? M.StatedSize : M.Data.size();
            const std::uint32_t Crc = static_cast<std::uint32_t>(
                crc32(0, reinterpret_cast<const Bytef*>(M.Data.data()), static_cast<uInt>(M.Data.size())));
            const std::uint16_t Flags =
                static_cast<std::uint16_t>(M.Flags | (M.Descriptor ? 8 : 0) | (M.Utf8Name ? 0x800 : 0));
            const std::uint16_t Method = M.Deflate || !M.Compressed.empty() ? 8 : 0;
            const std::uint64_t Offset = Out.size();
            std::string Extra64;
            if (Zip64)
                Put16(Extra64, 1), Put16(Extra64, 24), Put64(Extra64, Size), Put64(Extra64, Body.size()),
                    Put64(Extra64, Offset);
            Put32(Out, 0x04034B50), Put16(Out, 45), Put16(Out, Flags), Put16(Out, Method), Put32(Out, 0);
            Put32(Out, M.Descriptor ? 0 : Crc), Put32(Out, M.Descriptor ? 0 : Zip64 ? 0xFFFFFFFF : Body.size());
            Put32(Out, M.Descriptor ? 0 : Zip64 ? 0xFFFFFFFF : Size);
            Put16(Out, M.Name.size()), Put16(Out, M.LocalExtra.size()), Out += M.Name, Out += M.LocalExtra;
            Out += Body;
            if (M.Descriptor) Put32(Out, 0x08074B50), Put32(Out, Crc), Put32(Out, Body.size()), Put32(Out, Size);
            Put32(Directory, 0x02014B50), Put16(Directory, 45), Put16(Directory, 45), Put16(Directory, Flags);
            Put16(Directory, Method), Put32(Directory, 0), Put32(Directory, Crc);
            Put32(Directory, Zip64 ? 0xFFFFFFFF : Body.size()), Put32(Directory, Zip64 ? 0xFFFFFFFF : Size);
            Put16(Directory, M.Name.size()), Put16(Directory, Extra64.size()), Put16(Directory, 0), Put16(Directory, 0);
            Put16(Directory, 0), Put32(Directory, 0), Put32(Directory, Zip64 ? 0xFFFFFFFF : Offset);
            Directory += M.Name + Extra64;
        }
        const std::uint64_t DirectoryAt = Out.size();
        Out += Directory;
        if (Zip64) {
            const std::uint64_t RecordAt = Out.size();
            Put32(Out, 0x06064B50), Put64(Out, 44), Put16(Out, 45), Put16(Out, 45), Put32(Out, 0), Put32(Out, 0);
            Put64(Out, Members.size()), Put64(Out, Members.size()), Put64(Out, Directory.size()),
                Put64(Out, DirectoryAt);
            Put32(Out, 0x07064B50), Put32(Out, 0), Put64(Out, RecordAt), Put32(Out, 1);
        }
        Put32(Out, 0x06054B50), Put16(Out, 0), Put16(Out, 0);
        Put16(Out, Zip64 ? 0xFFFF : Members.size()), Put16(Out, Zip64 ? 0xFFFF : Members.size());
        Put32(Out, Zip64 ? 0xFFFFFFFF : Directory.size()), Put32(Out, Zip64 ? 0xFFFFFFFF : DirectoryAt), Put16(Out, 0);
        return Out;
    }

private:
    static void Put16(std::string& S, std::uint64_t V) { S += char(V & 0xFF), S += char((V >> 8) & 0xFF); }
    static void Put32(std::string& S, std::uint64_t V) { Put16(S, V & 0xFFFF), Put16(S, (V >> 16) & 0xFFFF); }
    static void Put64(std::string& S, std::uint64_t V) { Put32(S, V & 0xFFFFFFFF), Put32(S, V >> 32); }
};

// A small Word package: BodyXml inside the document's body (paragraphs), and a title in the core
// properties when one is given.
inline std::string SmallDocx(const std::string& BodyXml, const std::string& Title = "") {
    const std::string Ct = "application/vnd.openxmlformats-";
    std::vector<TZipMember> Members{
        {"[Content_Types].xml",
         "<Types><Override PartName=\"/word/document.xml\" ContentType=\"" + Ct +
             "officedocument.wordprocessingml.document.main+xml\"/><Override PartName=\"/docProps/core.xml\" "
             "ContentType=\"" +
             Ct + "package.core-properties+xml\"/></Types>"},
        {"word/document.xml", "<w:document><w:body>" + BodyXml + "</w:body></w:document>"}};
    if (!Title.empty())
        Members.push_back(
            {"docProps/core.xml", "<cp:coreProperties><dc:title>" + Title + "</dc:title></cp:coreProperties>"});
    return TZipWriter().Build(Members);
}
