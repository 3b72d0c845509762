#pragma once
// Any bytes through one format's decoder as a file of that format, with the code page converter
// of the tests and a sink that stops after as many units as the first byte says (0: never): no
// crash, no hang, bounded memory. With every unit wanted, the decoder runs again for a keyword
// test of a few characters its text holds: passing over what cannot hold the character the test
// waits for, it must still find each of them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pure/doctext/document.h"
#include "pure/doctext/unitscout.h"
#include "tests/pure/doctext/doctexttest.h"

// The units of the text, every one, and a keyword test of one unit as the keyword matcher is:
// it waits for the unit until it came, then wants no more.
class TUnitsSink : public TTextSink {
public:
    std::u16string Units;
    bool Text(const char16_t* Data, std::size_t Count) override { return Units.append(Data, Count), true; }
    bool Break() override { return true; }
    bool RawStream(TByteSource&) override { return true; }
};
class TAwaitSink : public TTextSink {
public:
    explicit TAwaitSink(char16_t Unit) : FUnit(Unit) {}
    bool Found = false;
    bool Text(const char16_t* Data, std::size_t Count) override {
        Found = Found || std::find(Data, Data + Count, FUnit) != Data + Count;
        return !Found;
    }
    bool Break() override { return !Found; }
    char16_t AwaitedUnit() const override { return Found ? 0 : FUnit; }
    bool RawStream(TByteSource&) override { return !Found; }

private:
    char16_t FUnit;
};

inline int FuzzFormat(const char* Name, const std::uint8_t* Data, std::size_t Size) {
    if (Size < 1) return 0;
    static const TIconvCodePages CodePages;
    TDecodeEnv Env;
    Env.CodePages = &CodePages;
    const TDocumentFormat& Format = *FindFormat(Name);
    TMemorySource Source(Data + 1, Size - 1);
    if (Data[0] != 0) {
        TCollectSink Sink;
        Sink.StopAfterUnits = std::size_t(Data[0]) * 16;
        DecodeDocument(Format, Source, Sink, Env);
        return 0;
    }
    TUnitsSink Text;
    DecodeDocument(Format, Source, Text, Env);
    std::u16string Judged;
    for (const char16_t U : Text.Units)
        if (TUnitScout::Judges(U) && Judged.find(U) == std::u16string::npos) Judged += U;
    // The first, the last and one between.
    for (const std::size_t At : {std::size_t(0), Judged.size() / 2, Judged.size() - 1}) {
        if (At >= Judged.size()) break;
        TAwaitSink Await(Judged[At]);
        TMemorySource Again(Data + 1, Size - 1);
        DecodeDocument(Format, Again, Await, Env);
        if (!Await.Found) __builtin_trap();
    }
    return 0;
}
