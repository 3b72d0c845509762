#pragma once
// Text on its way from a decoder to its sink: units gathered in a buffer and handed on a piece at
// a time, runs ended, and the sink's wish to stop remembered, so that a decoder asks one flag.
#include <cstddef>
#include <memory>
#include <string_view>

#include "pure/doctext/textsink.h"
#include "pure/support/bytetext.h"

class TSinkWriter {
public:
    static constexpr std::size_t DefaultCapacity = 4096;

    explicit TSinkWriter(TTextSink& Sink, std::size_t Capacity = DefaultCapacity)
        : FSink(Sink), FCapacity(Capacity < 2 ? 2 : Capacity), FBuffer(new char16_t[FCapacity]) {}
    TSinkWriter(const TSinkWriter&) = delete;
    TSinkWriter& operator=(const TSinkWriter&) = delete;

    TTextSink& Sink() const { return FSink; }
    // True once the sink asked for no more: every later call does nothing and answers false.
    bool Stopped() const { return FStopped; }
    // Units held back, not yet handed to the sink.
    std::size_t Held() const { return FCount; }

    bool Put(char16_t Unit) {
        FBuffer[FCount++] = Unit;
        FRunHasText = true;
        return FCount < FCapacity ? !FStopped : Flush();
    }
    bool Put(const char16_t* Units, std::size_t Count) {
        while (Count > 0 && !FStopped) {
            const std::size_t N = Room() < Count ? Room() : Count;
            for (std::size_t I = 0; I < N; ++I) FBuffer[FCount + I] = Units[I];
            Commit(N);
            Units += N;
            Count -= N;
        }
        return !FStopped;
    }
    bool Put(std::u16string_view Units) { return Put(Units.data(), Units.size()); }
    // One code point: a surrogate pair above U+FFFF; the pair is never split between pieces.
    bool PutCodePoint(char32_t C) {
        if (C < 0x10000) return Put(static_cast<char16_t>(C));
        if (Room() < 2 && !Flush()) return false;
        C -= 0x10000;
        FBuffer[FCount++] = static_cast<char16_t>(0xD800 + (C >> 10));
        return Put(static_cast<char16_t>(0xDC00 + (C & 0x3FF)));
    }
    // UTF-8 bytes, decoded (see DecodeUtf8).
    bool PutUtf8(std::string_view Bytes) {
        FScratch.clear();
        DecodeUtf8(Bytes, FScratch);
        return Put(FScratch);
    }

    // For decoders that write into the buffer themselves: the free space at its end (never
    // none), to be filled and then committed.
    char16_t* Space() { return FBuffer.get() + FCount; }
    std::size_t Room() const { return FCapacity - FCount; }
    bool Commit(std::size_t Count) {
        FCount += Count;
        if (Count > 0) FRunHasText = true;
        return FCount < FCapacity ? !FStopped : Flush();
    }

    // Hands the units held back to the sink.
    bool Flush() {
        if (FCount > 0 && !FStopped && !FSink.Text(FBuffer.get(), FCount)) FStopped = true;
        FCount = 0;
        return !FStopped;
    }
    // Flushes and ends the run, whether or not it holds text.
    bool Break() {
        if (Flush() && !FSink.Break()) FStopped = true;
        FRunHasText = false;
        return !FStopped;
    }
    // Flushes and ends a line inside the paragraph.
    bool LineBreak() {
        if (Flush() && !FSink.LineBreak()) FStopped = true;
        FRunHasText = false;
        return !FStopped;
    }
    // Flushes and says where the text that follows stands.
    bool Place(TTextPlace Where, std::uint32_t Number = 0, std::u16string_view Name = {}) {
        if (Flush() && !FSink.Place(Where, Number, Name)) FStopped = true;
        return !FStopped;
    }
    // Flushes and ends the run when text was put since it began.
    bool EndRun() { return FRunHasText ? Break() : Flush(); }
    // Flushes and hands a stream the container holds to the sink.
    bool RawStream(TByteSource& Stream) {
        if (Flush() && !FSink.RawStream(Stream)) FStopped = true;
        return !FStopped;
    }

private:
    TTextSink& FSink;
    std::size_t FCapacity;
    std::unique_ptr<char16_t[]> FBuffer;
    std::size_t FCount = 0;
    bool FStopped = false;
    bool FRunHasText = false;
    std::u16string FScratch;
};
