#pragma once
// What the document decoders borrow from the platform: a file read at any offset, and the
// system's conversion from Windows code pages to UTF-16.
#include "pure/doctext/bytesource.h"
#include "pure/doctext/decodeenv.h"
#include "support/textrules.h"

// A file that a TFileReader holds open, read at offsets (each read moves the reader's file
// pointer). A failing read fails with "读流发生错误".
class TFileSource : public TByteSource {
public:
    explicit TFileSource(TFileReader& Reader) : FReader(Reader) {}
    std::uint64_t Size() const override { return FReader.Size(); }
    std::size_t ReadAt(std::uint64_t Offset, void* Buffer, std::size_t Count) override;
    // The file is one piece: every offset is its own file offset.
    std::uint64_t FilePiece(std::uint64_t Offset, std::uint64_t& FileOffset) const override {
        FileOffset = Offset;
        return Offset < Size() ? Size() - Offset : 0;
    }

private:
    TFileReader& FReader;
};

// MultiByteToWideChar; a code page the system lacks converts nothing.
class TSystemCodePages : public TCodePageConverter {
public:
    bool ToUtf16(unsigned CodePage, std::string_view Bytes, std::u16string& Out) const override;
    // GetACP.
    unsigned SystemCodePage() const override;
    // Told once for each code page and unit in the process, and kept: telling converts every
    // byte and pair of the code page.
    bool FormsOf(unsigned CodePage, char16_t Unit, std::vector<std::string>& Forms) const override;
};
