// Any bytes as an Excel workbook stream, read once in the table's order and once for a sink that
// wants places: the reader never reads astray, never hangs and keeps its memory bounded; every
// place comes after a run's end, and both orders give the same runs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pure/doctext/biff.h"

namespace {

class TRunSink : public TTextSink {
public:
    explicit TRunSink(bool Places) : FPlaces(Places) {}
    std::vector<std::u16string> Runs{1};

    bool Text(const char16_t* Units, std::size_t Count) override {
        Runs.back().append(Units, Count);
        return true;
    }
    bool Break() override {
        Runs.emplace_back();
        return true;
    }
    bool Place(TTextPlace, std::uint32_t, std::u16string_view) override {
        if (!Runs.back().empty()) __builtin_trap();  // the decoder ends the run before a place
        return true;
    }
    bool WantsPlaces() const override { return FPlaces; }
    bool RawStream(TByteSource&) override { return true; }

private:
    bool FPlaces;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    TMemorySource Source(Data, Size);
    TRunSink Fast(false), Placed(true);
    DecodeWorkbook(Source, Fast, TDecodeEnv{});
    DecodeWorkbook(Source, Placed, TDecodeEnv{});
    std::sort(Fast.Runs.begin(), Fast.Runs.end());
    std::sort(Placed.Runs.begin(), Placed.Runs.end());
    if (Fast.Runs != Placed.Runs) __builtin_trap();
    return 0;
}
