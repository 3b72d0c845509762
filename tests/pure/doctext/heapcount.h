#pragma once
// The bytes a program holds at once, and the most it held: every allocation of the program goes
// through these replacements, with its size kept in front of it. Include in one source file of a
// program only (the replacements are the program's own).
#include <algorithm>
#include <cstdlib>
#include <new>

inline std::size_t LiveBytes = 0, PeakBytes = 0;

void* operator new(std::size_t Size) {
    auto* Block = static_cast<std::size_t*>(std::malloc(Size + 16));
    if (Block == nullptr) throw std::bad_alloc();
    *Block = Size;
    LiveBytes += Size;
    PeakBytes = std::max(PeakBytes, LiveBytes);
    return reinterpret_cast<char*>(Block) + 16;
}
void operator delete(void* At) noexcept {
    if (At == nullptr) return;
    auto* Block = reinterpret_cast<std::size_t*>(static_cast<char*>(At) - 16);
    LiveBytes -= *Block;
    std::free(Block);
}
void operator delete(void* At, std::size_t) noexcept { operator delete(At); }
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
    try {
        return operator new(Size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* At, const std::nothrow_t&) noexcept { operator delete(At); }
