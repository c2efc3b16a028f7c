// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Huffman decoding of the scan walk: lookup tables built from a JPEG's tables and the reader of
// entropy-coded bits. Inline: they sit in the walk's innermost loops. Private to engine/formats/jpeg/.

#include "engine/formats/jpeg/JpegScan.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace jpegscan {

/// Bits looked up at once: codes up to this long, with their value bits when those fit too, are
/// decoded by one table read. Longer codes are rare in photographs.
inline constexpr int kLookBits = 9;

// A decoding entry: bits 0-4 the bits it consumes (0: the code is longer than kLookBits), bit 5 set when
// those include the value's bits (the value is then in bits 16-31), bits 8-15 the symbol.
inline constexpr std::uint32_t kConsumedMask = 0x1F;
inline constexpr std::uint32_t kWithValue = 0x20;
// A measuring entry: bits 0-5 the bits of the code and of its value, bits 8-15 how far the coefficient
// index moves (run + 1 for a coefficient, 16 for a run of sixteen zeros, kEndOfBlockStep for the end of
// the block); 0 for a code longer than kLookBits.
inline constexpr std::uint32_t kSkipMask = 0x3F;
inline constexpr int kEndOfBlockStep = 128;

/// Bits of an AC table's run lookup: the whole AC symbols (codes and values) at the front of this many
/// bits are stepped over at once.
inline constexpr int kRunBits = 12;
// A run entry: bits 0-4 the bits of its symbols, bits 5-12 how far they move the coefficient index (EOB
// aside), bit 13 set when the last of them is EOB; 0 when not even the first symbol fits.
inline constexpr std::uint32_t kRunBitsMask = 0x1F;
inline constexpr std::uint32_t kRunEndsBlock = 1U << 13;

struct DecodeTable
{
    std::array<std::uint32_t, 1 << kLookBits> lookup {};
    std::array<std::uint16_t, 1 << kLookBits> skip {};
    std::array<std::uint16_t, 1 << kRunBits> run {}; ///< AC tables only
    std::array<std::int32_t, 17> maxCode {}; ///< the largest code of each length; -1 for none
    std::array<std::int32_t, 17> valueOffset {}; ///< symbol index minus code, per length
    std::array<std::uint8_t, 256> symbols {};
};

/// How far an AC symbol moves the coefficient index.
inline int indexStep(int symbol)
{
    const int run = symbol >> 4;
    if ((symbol & 15) != 0)
        return run + 1;
    return run == 15 ? 16 : kEndOfBlockStep;
}

/// The signed value of \a size magnitude bits (JPEG's sign-by-range encoding).
inline int extend(std::uint32_t bits, int size)
{
    return bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
}

/// Builds the decoding table for \a table, refusing what libjpeg refuses: more codes of a length than
/// fit beside the reserved all-ones code, more than 256 symbols, DC symbols above 15.
[[nodiscard]] bool buildDecodeTable(const JpegHuffmanTable& table, bool dc, DecodeTable& out);

/// The symbol of a code longer than kLookBits at the top of \a bits, its length in \a length; -1 for
/// a bit pattern that is no code of the table.
inline int decodeLongCode(const DecodeTable& table, std::uint64_t bits, int& length)
{
    for (int l = kLookBits + 1; l <= 16; ++l) {
        const auto code = std::int32_t(bits >> (64 - l));
        if (code <= table.maxCode[size_t(l)]) {
            length = l;
            return table.symbols[size_t(code + table.valueOffset[size_t(l)])];
        }
    }
    return -1;
}

inline bool hasByteFF(std::uint64_t word)
{
    const std::uint64_t inverted = ~word;
    return ((inverted - 0x0101010101010101ULL) & word & 0x8080808080808080ULL) != 0;
}

/// Reads entropy-coded bits: stuffed zero bytes after 0xFF are dropped; at a marker or the end of the
/// data it stops and supplies zero bits, counting them so that a scan that needs them can be told.
struct BitReader
{
    const std::uint8_t* next;
    const std::uint8_t* end;
    std::uint64_t bits = 0; ///< the valid bits at the top, zeros below them
    int count = 0;
    int zeroBits = 0; ///< of count, the zero bits supplied after the data stopped
    bool stopped = false; ///< next is at a marker's 0xFF or at the end of the data

    /// Fills the buffer to at least 57 bits. Called with at most 56.
    void refill()
    {
        if (!stopped && end - next >= 8) {
            std::uint64_t word;
            std::memcpy(&word, next, sizeof word);
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
            if (!hasByteFF(word)) {
                const int taken = (64 - count) >> 3;
                const int filled = count + taken * 8;
                std::uint64_t added = word >> count;
                if (filled < 64)
                    added &= ~(~std::uint64_t(0) >> filled);
                bits |= added;
                count = filled;
                next += taken;
                return;
            }
        }
        refillByBytes();
    }

    void refillByBytes()
    {
        while (count <= 56) {
            if (!stopped) {
                if (next < end && *next != 0xFF) {
                    bits |= std::uint64_t(*next++) << (56 - count);
                    count += 8;
                    continue;
                }
                if (end - next >= 2 && next[1] == 0) {
                    bits |= std::uint64_t(0xFF) << (56 - count);
                    next += 2;
                    count += 8;
                    continue;
                }
                stopped = true;
            }
            count += 8;
            zeroBits += 8;
        }
    }

    [[nodiscard]] std::uint32_t peek(int n) const { return std::uint32_t(bits >> (64 - n)); }
    void skip(int n)
    {
        bits <<= n;
        count -= n;
    }

    /// True when what is left of the last byte read holds only padding ones and no whole byte was
    /// read beyond the last MCU: the next byte is then the first one after the interval.
    [[nodiscard]] bool atPaddedEnd() const
    {
        const int real = count - zeroBits;
        if (real < 0 || real >= 8)
            return false;
        return real == 0 || (bits >> (64 - real)) == (std::uint64_t(1) << real) - 1;
    }

    /// Steps over the marker RSTn (n = \a number modulo 8) that must follow, and starts afresh after it.
    bool takeRestartMarker(unsigned number)
    {
        if (end - next < 2 || next[0] != 0xFF || next[1] != 0xD0 + (number & 7))
            return false;
        next += 2;
        bits = 0;
        count = 0;
        zeroBits = 0;
        stopped = false;
        return true;
    }
};

} // namespace jpegscan
