// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/JpegHuffmanDecodingPrivate.h"

namespace jpegscan {

bool buildDecodeTable(const JpegHuffmanTable& table, bool dc, DecodeTable& out)
{
    out.lookup.fill(0);
    out.skip.fill(0);
    out.run.fill(0);
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
            const int size = dc ? symbol : symbol & 15;
            const auto skip = std::uint16_t((length + size) | (dc ? 0 : indexStep(symbol)) << 8);
            for (int fill = 0; fill < (1 << spare); ++fill) {
                std::uint32_t entry = std::uint32_t(length) | std::uint32_t(symbol) << 8;
                if (size > 0 && size <= spare) {
                    const int value = extend(std::uint32_t(fill) >> (spare - size), size);
                    entry = std::uint32_t(length + size) | kWithValue | std::uint32_t(symbol) << 8
                        | std::uint32_t(std::uint16_t(std::int16_t(value))) << 16;
                }
                out.lookup[size_t((code << spare) | fill)] = entry;
                out.skip[size_t((code << spare) | fill)] = skip;
            }
        }
        code <<= 1;
    }
    out.symbols = table.symbols;
    if (!dc) {
        // Each window of kRunBits bits, read symbol by symbol while whole symbols fit.
        for (std::uint32_t window = 0; window < (1U << kRunBits); ++window) {
            int used = 0;
            int step = 0;
            std::uint32_t entry = 0;
            for (;;) {
                const int left = kRunBits - used;
                const std::uint32_t ahead = left >= kLookBits
                    ? (window >> (left - kLookBits)) & ((1U << kLookBits) - 1)
                    : (window << (kLookBits - left)) & ((1U << kLookBits) - 1);
                const std::uint16_t skip = out.skip[ahead];
                const int bits = skip & int(kSkipMask);
                if (skip == 0 || bits > left)
                    break;
                used += bits;
                const int symbolStep = skip >> 8;
                if (symbolStep == kEndOfBlockStep) {
                    entry = std::uint32_t(used) | std::uint32_t(step) << 5 | kRunEndsBlock;
                    break;
                }
                step += symbolStep;
                entry = std::uint32_t(used) | std::uint32_t(step) << 5;
            }
            out.run[window] = std::uint16_t(entry);
        }
    }
    return true;
}

} // namespace jpegscan
