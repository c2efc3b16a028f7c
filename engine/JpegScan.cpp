// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JpegScan.h"

#include <cstring>

namespace {

/// Bits looked up at once: codes up to this long, with their value bits when those fit too, are
/// decoded by one table read. Longer codes are rare in photographs.
constexpr int kLookBits = 9;

// A lookup entry: bits 0-4 the bits it consumes (0: the code is longer than kLookBits), bit 5 set when
// those include the value's bits (the value is then in bits 16-31), bits 8-15 the symbol.
constexpr std::uint32_t kConsumedMask = 0x1F;
constexpr std::uint32_t kWithValue = 0x20;

struct DecodeTable
{
    std::array<std::uint32_t, 1 << kLookBits> lookup {};
    std::array<std::int32_t, 17> maxCode {}; ///< the largest code of each length; -1 for none
    std::array<std::int32_t, 17> valueOffset {}; ///< symbol index minus code, per length
    std::array<std::uint8_t, 256> symbols {};
};

/// The signed value of \a size magnitude bits (JPEG's sign-by-range encoding).
inline int extend(std::uint32_t bits, int size)
{
    return bits < (1u << (size - 1)) ? int(bits) - (1 << size) + 1 : int(bits);
}

/// Builds the decoding table for \a table, refusing what libjpeg refuses: more codes of a length than
/// fit beside the reserved all-ones code, more than 256 symbols, DC symbols above 15.
bool buildDecodeTable(const JpegHuffmanTable& table, bool dc, DecodeTable& out)
{
    out.lookup.fill(0);
    int code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = table.counts[size_t(length)];
        out.valueOffset[size_t(length)] = index - code;
        out.maxCode[size_t(length)] = count > 0 ? code + count - 1 : -1;
        for (int i = 0; i < count; ++i, ++code, ++index) {
            if (index >= 256 || code + 1 >= (1 << length))
                return false;
            const std::uint8_t symbol = table.symbols[size_t(index)];
            if (dc && symbol > 15)
                return false;
            if (length > kLookBits)
                continue;
            const int spare = kLookBits - length;
            const int size = symbol & 15;
            for (int fill = 0; fill < (1 << spare); ++fill) {
                std::uint32_t entry = std::uint32_t(length) | std::uint32_t(symbol) << 8;
                if (size > 0 && size <= spare) {
                    const int value = extend(std::uint32_t(fill) >> (spare - size), size);
                    entry = std::uint32_t(length + size) | kWithValue | std::uint32_t(symbol) << 8
                        | std::uint32_t(std::uint16_t(std::int16_t(value))) << 16;
                }
                out.lookup[size_t((code << spare) | fill)] = entry;
            }
        }
        code <<= 1;
    }
    out.symbols = table.symbols;
    return true;
}

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

/// The decoding state of one component: its tables and DC prediction.
struct ComponentState
{
    const DecodeTable* dc = nullptr;
    const DecodeTable* ac = nullptr;
    int predictor = 0;
};

template<bool Store>
inline bool decodeBlock(BitReader& reader, ComponentState& state, std::int16_t* block,
    const std::uint8_t* position, const std::int16_t* negate)
{
    if (reader.count < 32)
        reader.refill();
    std::uint32_t entry = state.dc->lookup[reader.peek(kLookBits)];
    int difference = 0;
    if (entry & kWithValue) {
        reader.skip(int(entry & kConsumedMask));
        difference = std::int16_t(entry >> 16);
    } else {
        int length = int(entry & kConsumedMask);
        int size = int(entry >> 8) & 0xFF;
        if (length == 0) {
            size = decodeLongCode(*state.dc, reader.bits, length);
            if (size < 0)
                return false;
        }
        reader.skip(length);
        if (size > 0) {
            difference = extend(reader.peek(size), size);
            reader.skip(size);
        }
    }
    if constexpr (Store) {
        state.predictor += difference;
        if (state.predictor < -32768 || state.predictor > 32767)
            return false;
        block[position[0]] = std::int16_t((state.predictor ^ negate[0]) - negate[0]);
    }

    for (int k = 1; k < 64; ++k) {
        if (reader.count < 32)
            reader.refill();
        entry = state.ac->lookup[reader.peek(kLookBits)];
        if (entry & kWithValue) {
            reader.skip(int(entry & kConsumedMask));
            k += int(entry >> 12) & 15;
            if (k > 63)
                return false;
            if constexpr (Store) {
                const int value = std::int16_t(entry >> 16);
                block[position[k]] = std::int16_t((value ^ negate[k]) - negate[k]);
            }
            continue;
        }
        int length = int(entry & kConsumedMask);
        int symbol = int(entry >> 8) & 0xFF;
        if (length == 0) {
            symbol = decodeLongCode(*state.ac, reader.bits, length);
            if (symbol < 0)
                return false;
        }
        reader.skip(length);
        const int run = symbol >> 4;
        const int size = symbol & 15;
        if (size == 0) {
            if (run != 15)
                break; // end of block
            k += 15;
            continue;
        }
        k += run;
        if (k > 63)
            return false;
        const std::uint32_t bits = reader.peek(size);
        reader.skip(size);
        if constexpr (Store) {
            const int value = extend(bits, size);
            block[position[k]] = std::int16_t((value ^ negate[k]) - negate[k]);
        }
    }
    return true;
}

template<bool Store> std::optional<std::size_t> walkScan(const JpegScan& scan, const JpegBlockTurn* turn)
{
    const size_t componentCount = scan.components.size();
    if (componentCount < 1 || componentCount > 4 || !scan.data || scan.mcusAcross <= 0 || scan.mcusDown <= 0
        || scan.restartInterval < 0)
        return std::nullopt;

    // Components often share tables: each distinct table is built once, which keeps them in the cache.
    DecodeTable tables[8];
    const JpegHuffmanTable* built[8] = {};
    int builtCount = 0;
    const auto tableFor = [&](const JpegHuffmanTable* table, bool dc) -> const DecodeTable* {
        if (!table)
            return nullptr;
        for (int i = 0; i < builtCount; ++i) {
            if (built[i] == table)
                return &tables[i];
        }
        if (!buildDecodeTable(*table, dc, tables[builtCount]))
            return nullptr;
        built[builtCount] = table;
        return &tables[builtCount++];
    };
    ComponentState states[4];
    int blocksPerMcu = 0;
    for (size_t c = 0; c < componentCount; ++c) {
        const JpegScanComponent& component = scan.components[c];
        // A DC and an AC table never share a pointer, so a table is built for one use only.
        states[c].dc = tableFor(component.dcTable, true);
        states[c].ac = tableFor(component.acTable, false);
        if (!states[c].dc || !states[c].ac || component.mcuWidth < 1 || component.mcuHeight < 1)
            return std::nullopt;
        blocksPerMcu += component.mcuWidth * component.mcuHeight;
        if constexpr (Store) {
            if (!component.origin)
                return std::nullopt;
        }
    }
    if (blocksPerMcu > 10)
        return std::nullopt;

    // The turn in zigzag order, as the coefficients arrive.
    std::array<std::uint8_t, 64> position {};
    std::array<std::int16_t, 64> negate {};
    if constexpr (Store) {
        for (size_t k = 0; k < 64; ++k) {
            position[k] = turn->position[kJpegNaturalOrder[k]];
            negate[k] = turn->negate[kJpegNaturalOrder[k]];
        }
    }
    alignas(16) std::int16_t padding[64];

    BitReader reader { scan.data, scan.data + scan.size };
    int leftInInterval = scan.restartInterval;
    unsigned restartNumber = 0;
    for (int mcuY = 0; mcuY < scan.mcusDown; ++mcuY) {
        for (int mcuX = 0; mcuX < scan.mcusAcross; ++mcuX) {
            if (scan.restartInterval > 0) {
                if (leftInInterval == 0) {
                    if (!reader.atPaddedEnd() || !reader.takeRestartMarker(restartNumber++))
                        return std::nullopt;
                    for (size_t c = 0; c < componentCount; ++c)
                        states[c].predictor = 0;
                    leftInInterval = scan.restartInterval;
                }
                --leftInInterval;
            }
            for (size_t c = 0; c < componentCount; ++c) {
                const JpegScanComponent& component = scan.components[c];
                for (int y = 0; y < component.mcuHeight; ++y) {
                    const int blockY = mcuY * component.mcuHeight + y;
                    for (int x = 0; x < component.mcuWidth; ++x) {
                        std::int16_t* block = nullptr;
                        if constexpr (Store) {
                            const int blockX = mcuX * component.mcuWidth + x;
                            block = blockX < component.widthInBlocks && blockY < component.heightInBlocks
                                ? component.origin
                                    + (blockX * component.stepX + blockY * component.stepY) * 64
                                : padding;
                            std::memset(block, 0, 64 * sizeof(std::int16_t));
                        }
                        if (!decodeBlock<Store>(reader, states[c], block, position.data(), negate.data()))
                            return std::nullopt;
                    }
                }
            }
            if (reader.count < reader.zeroBits)
                return std::nullopt; // the MCU took bits the data does not have
        }
    }
    if (!reader.atPaddedEnd())
        return std::nullopt;
    const std::uint8_t* after = reader.next;
    const std::uint8_t* end = scan.data + scan.size;
    if (after != end) {
        if (end - after < 2 || after[0] != 0xFF || after[1] == 0x00 || after[1] == 0xFF
            || (after[1] >= 0xD0 && after[1] <= 0xD7))
            return std::nullopt;
    }
    return std::size_t(after - scan.data);
}

} // namespace

JpegBlockTurn jpegBlockTurn(int orientation)
{
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    // Every turn is an optional transposition followed by optional mirrors of the turned block's axes.
    const bool transpose = orientation >= 5;
    const bool mirrorAcross = orientation == 2 || orientation == 3 || orientation == 6 || orientation == 7;
    const bool mirrorDown = orientation == 3 || orientation == 4 || orientation == 7 || orientation == 8;
    JpegBlockTurn turn;
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column) {
            const int turnedRow = transpose ? column : row;
            const int turnedColumn = transpose ? row : column;
            const bool flip = (mirrorAcross && (turnedColumn & 1)) != (mirrorDown && (turnedRow & 1));
            turn.position[size_t(row * 8 + column)] = std::uint8_t(turnedRow * 8 + turnedColumn);
            turn.negate[size_t(row * 8 + column)] = flip ? -1 : 0;
        }
    }
    return turn;
}

std::optional<std::size_t> measureCleanJpegScan(const JpegScan& scan)
{
    return walkScan<false>(scan, nullptr);
}

bool decodeJpegScan(const JpegScan& scan, const JpegBlockTurn& turn)
{
    return walkScan<true>(scan, &turn).has_value();
}
