// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/JpegScan.h"

#include "engine/core/Simd.h"
#include "engine/formats/jpeg/JpegHuffmanDecodingPrivate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

using namespace jpegscan;

namespace {

/// Writes the 128 bytes of \a block to \a target (16-byte aligned), past the cache where the processor
/// can.
inline void streamBlock(const std::int16_t* block, std::int16_t* target)
{
#if MORVANE_SSE2
    const auto* in = reinterpret_cast<const __m128i*>(block);
    auto* out = reinterpret_cast<__m128i*>(target);
    for (int i = 0; i < 8; ++i)
        _mm_stream_si128(out + i, _mm_load_si128(in + i));
#else
    std::memcpy(target, block, 64 * sizeof(std::int16_t));
#endif
}

/// Block rows of the tallest component in a band: runs of this many blocks are written at once when a
/// turn makes the stored rows columns.
constexpr int kBandBlockRows = 16;
/// Bands up to this many coefficients (16 MiB: a 4:2:0 image about 43,000 pixels across) stay allocated.
constexpr size_t kKeptBandCoefficients = size_t(8) << 20;

/// Copies \a rows block rows of a band, the first being \a firstRow of the component, to their turned
/// places, in the order that writes consecutive places one after the other.
void flushBand(const JpegScanComponent& component, const std::int16_t* band, int firstRow, int rows)
{
    const size_t width = size_t(std::max(component.widthInBlocks, 0));
    const auto target
        = [&](int x, int y) { return component.origin + (x * component.stepX + y * component.stepY) * 64; };
    if (component.stepY == 1 || component.stepY == -1) {
        for (int x = 0; x < int(width); ++x) {
            for (int r = 0; r < rows; ++r)
                streamBlock(band + (size_t(r) * width + size_t(x)) * 64, target(x, firstRow + r));
        }
    } else {
        for (int r = 0; r < rows; ++r) {
            for (int x = 0; x < int(width); ++x)
                streamBlock(band + (size_t(r) * width + size_t(x)) * 64, target(x, firstRow + r));
        }
    }
}

/// The decoding state of one component: its tables and DC prediction.
struct ComponentState
{
    const DecodeTable* dc = nullptr;
    const DecodeTable* ac = nullptr;
    int predictor = 0;
};

/// A block turn in the order the coefficients arrive: by zigzag index in the source block, where each
/// goes in the turned block, with which sign, and at which zigzag index of the turned block.
struct WalkTurn
{
    std::array<std::uint8_t, 64> position {};
    std::array<std::int16_t, 64> negate {};
    std::array<std::uint8_t, 64> zigzagPlace {};
};

/// Steps over the AC coefficients of a block whose DC coefficient has been read. False for an invalid
/// code or a coefficient index past the block.
inline bool skipAcCoefficients(BitReader& reader, const ComponentState& state)
{
    int k = 1;
    for (;;) {
        if (reader.count < 32)
            reader.refill();
        // Several short symbols at once, as long as they stay inside the block.
        std::uint32_t entry = state.ac->run[reader.peek(kRunBits)];
        const int runStep = int(entry >> 5) & 0xFF;
        if (entry != 0 && k + runStep < 64) {
            reader.skip(int(entry & kRunBitsMask));
            k += runStep;
            if (entry & kRunEndsBlock)
                return true;
            continue;
        }
        entry = state.ac->skip[reader.peek(kLookBits)];
        if (entry == 0) {
            int length = 0;
            const int symbol = decodeLongCode(*state.ac, reader.bits, length);
            if (symbol < 0)
                return false;
            entry = std::uint32_t((length + (symbol & 15)) | indexStep(symbol) << 8);
        }
        reader.skip(int(entry & kSkipMask));
        const int step = int(entry >> 8);
        if (step == kEndOfBlockStep)
            return true;
        k += step;
        if (k >= 64)
            return k == 64; // full, or a run past the block
    }
}

/// Reads the symbol of \a table at the front of \a reader and steps over it and its value bits (a DC
/// symbol is the size of its value, an AC symbol's low four bits). The reader holds at least 32 bits.
/// -1 for a bit pattern that is no code of the table.
inline int takeSymbol(BitReader& reader, const DecodeTable& table)
{
    const std::uint32_t entry = table.lookup[reader.peek(kLookBits)];
    if (entry & kWithValue) {
        reader.skip(int(entry & kConsumedMask));
        return int(entry >> 8) & 0xFF;
    }
    int length = int(entry & kConsumedMask);
    int symbol = int(entry >> 8) & 0xFF;
    if (length == 0) {
        symbol = decodeLongCode(table, reader.bits, length);
        if (symbol < 0)
            return -1;
    }
    reader.skip(length + (symbol & 15));
    return symbol;
}

/// What a survey keeps of one component while it walks.
struct SurveyState
{
    /// The zigzag indexes not yet seen holding a coefficient other than zero.
    std::uint64_t wanted = ~std::uint64_t(0);
    /// With symbols surveyed: the symbols seen, and a flag for each window of the run lookup stepped over
    /// at once, whose symbols are added when the walk ends.
    bool* dcSymbols = nullptr;
    bool* acSymbols = nullptr;
    std::uint8_t* runWindows = nullptr;
};

/// Adds the symbols that the run lookup entry of \a window steps over to \a symbols: the same symbols,
/// read the same way, as buildDecodeTable put in it.
void addRunSymbols(const DecodeTable& table, std::uint32_t window, bool* symbols)
{
    int used = 0;
    for (;;) {
        const int left = kRunBits - used;
        const std::uint32_t ahead = left >= kLookBits
            ? (window >> (left - kLookBits)) & ((1U << kLookBits) - 1)
            : (window << (kLookBits - left)) & ((1U << kLookBits) - 1);
        const std::uint16_t skip = table.skip[ahead];
        const int bits = skip & int(kSkipMask);
        if (skip == 0 || bits > left)
            return;
        symbols[(table.lookup[ahead] >> 8) & 0xFF] = true;
        used += bits;
        if ((skip >> 8) == kEndOfBlockStep)
            return;
    }
}

/// Steps over one block, noting the zigzag indexes of its coefficients that are not zero and, with
/// \a Symbols, the symbols that code it. \a paddingEmpty is cleared when a block of \a padding (one
/// wholly outside its component's blocks) holds more than encoders pad with. False for an invalid code or
/// a coefficient index past the block.
template<bool Symbols>
inline bool surveyBlock(
    BitReader& reader, const ComponentState& state, SurveyState& survey, bool padding, bool& paddingEmpty)
{
    if (reader.count < 32)
        reader.refill();
    const int dcSize = takeSymbol(reader, *state.dc);
    if (dcSize < 0)
        return false;
    if constexpr (Symbols)
        survey.dcSymbols[dcSize] = true;
    // The DC values of a component all stay zero exactly when every difference is zero.
    if (dcSize != 0)
        survey.wanted &= ~std::uint64_t(1);
    int k = 1;
    for (;;) {
        if (reader.count < 32)
            reader.refill();
        // Several short symbols at once, as long as they stay inside the block and the coefficients
        // they may hold are all known to occur already.
        const std::uint32_t window = reader.peek(kRunBits);
        const std::uint32_t entry = state.ac->run[window];
        const int runStep = int(entry >> 5) & 0xFF;
        if (entry != 0 && k + runStep < 64
            && (survey.wanted & (((std::uint64_t(1) << runStep) - 1) << k)) == 0) {
            if constexpr (Symbols)
                survey.runWindows[window] = 1;
            reader.skip(int(entry & kRunBitsMask));
            k += runStep;
            if (entry & kRunEndsBlock)
                break;
            continue;
        }
        const int symbol = takeSymbol(reader, *state.ac);
        if (symbol < 0)
            return false;
        if constexpr (Symbols)
            survey.acSymbols[symbol] = true;
        const int step = indexStep(symbol);
        if (step == kEndOfBlockStep)
            break;
        k += step;
        if (k > 64)
            return false; // a run past the block
        if ((symbol & 15) != 0)
            survey.wanted &= ~(std::uint64_t(1) << (k - 1));
        if (k == 64)
            break;
    }
    if (padding && (dcSize != 0 || k != 1))
        paddingEmpty = false;
    return true;
}

/// Reads a block's DC difference into \a difference. False for an invalid code.
inline bool readDcDifference(BitReader& reader, const ComponentState& state, int& difference)
{
    if (reader.count < 32)
        reader.refill();
    const std::uint32_t entry = state.dc->lookup[reader.peek(kLookBits)];
    difference = 0;
    if (entry & kWithValue) {
        reader.skip(int(entry & kConsumedMask));
        difference = std::int16_t(entry >> 16);
        return true;
    }
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
    return true;
}

/// Reads one block's DC coefficient into \a dc and steps over the rest. False for an invalid code, a
/// coefficient index past the block or a DC value out of range.
inline bool decodeBlockDc(BitReader& reader, ComponentState& state, std::int16_t& dc)
{
    int difference = 0;
    if (!readDcDifference(reader, state, difference))
        return false;
    state.predictor += difference;
    if (state.predictor < -32768 || state.predictor > 32767)
        return false;
    dc = std::int16_t(state.predictor);
    return skipAcCoefficients(reader, state);
}

/// Decodes one block into \a block (zeroed), each coefficient at its turned place with its turned sign,
/// adds the AC symbols the turned block will be coded with to \a acCounts and the turned zigzag indexes of
/// its coefficients that are not zero to \a nonzero when given. False for an invalid code, a coefficient
/// index past the block or a DC value out of range.
inline bool decodeBlock(BitReader& reader, ComponentState& state, std::int16_t* block, const WalkTurn& turn,
    std::uint32_t* acCounts, std::uint64_t* nonzero)
{
    int difference = 0;
    if (!readDcDifference(reader, state, difference))
        return false;
    std::uint32_t entry = 0;
    state.predictor += difference;
    if (state.predictor < -32768 || state.predictor > 32767)
        return false;
    block[turn.position[0]] = std::int16_t((state.predictor ^ turn.negate[0]) - turn.negate[0]);

    // The turned block's coefficients by their zigzag index there, and their sizes, for the counts.
    std::uint64_t present = 0;
    std::uint8_t sizes[64];
    for (int k = 1; k < 64; ++k) {
        if (reader.count < 32)
            reader.refill();
        entry = state.ac->lookup[reader.peek(kLookBits)];
        int run = 0;
        int size = 0;
        int value = 0;
        if (entry & kWithValue) {
            reader.skip(int(entry & kConsumedMask));
            run = int(entry >> 12) & 15;
            size = int(entry >> 8) & 15;
            value = std::int16_t(entry >> 16);
        } else {
            int length = int(entry & kConsumedMask);
            int symbol = int(entry >> 8) & 0xFF;
            if (length == 0) {
                symbol = decodeLongCode(*state.ac, reader.bits, length);
                if (symbol < 0)
                    return false;
            }
            reader.skip(length);
            run = symbol >> 4;
            size = symbol & 15;
            if (size == 0) {
                if (run != 15)
                    break; // end of block
                k += 15;
                if (k > 63)
                    return false;
                continue;
            }
            value = extend(reader.peek(size), size);
            reader.skip(size);
        }
        k += run;
        if (k > 63)
            return false;
        block[turn.position[size_t(k)]]
            = std::int16_t((value ^ turn.negate[size_t(k)]) - turn.negate[size_t(k)]);
        const int place = turn.zigzagPlace[size_t(k)];
        present |= std::uint64_t(1) << place;
        sizes[place] = std::uint8_t(size);
    }
    if (nonzero)
        *nonzero |= present | std::uint64_t(state.predictor != 0);
    if (acCounts) {
        // As an encoder codes the turned block: zero runs above 15 as ZRL, trailing zeros as one EOB.
        int last = 0;
        while (present != 0) {
            const int place = __builtin_ctzll(present);
            present &= present - 1;
            int run = place - last - 1;
            for (; run > 15; run -= 16)
                ++acCounts[0xF0];
            ++acCounts[run << 4 | sizes[place]];
            last = place;
        }
        if (last != 63)
            ++acCounts[0x00];
    }
    return true;
}

/// What a walk of a scan keeps: what a survey learns, every coefficient, or each block's DC alone.
enum class Walk { Survey, Store, DcOnly };

template<Walk mode>
std::optional<std::size_t> walkScan(const JpegScan& scan, const JpegBlockTurn* turn, JpegScanSurvey* survey)
{
    constexpr bool Store = mode == Walk::Store;
    const size_t componentCount = scan.components.size();
    if (componentCount < 1 || componentCount > 4 || !scan.data || scan.mcusAcross <= 0 || scan.mcusDown <= 0
        || scan.restartInterval < 0)
        return std::nullopt;

    // Components often share tables: each distinct table is built once, which keeps them in the cache.
    // Too large for a worker thread's stack.
    const std::unique_ptr<DecodeTable[]> tables(new DecodeTable[8]);
    const JpegHuffmanTable* built[8] = {};
    int builtCount = 0;
    const auto tableFor = [&](const JpegHuffmanTable* table, bool dc) -> const DecodeTable* {
        if (!table)
            return nullptr;
        for (int i = 0; i < builtCount; ++i) {
            if (built[i] == table)
                return &tables[size_t(i)];
        }
        if (!buildDecodeTable(*table, dc, tables[size_t(builtCount)]))
            return nullptr;
        built[builtCount] = table;
        return &tables[size_t(builtCount++)];
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
        if constexpr (mode == Walk::DcOnly) {
            if (!component.dcPlane)
                return std::nullopt;
        }
    }
    if (blocksPerMcu > 10)
        return std::nullopt;

    SurveyState surveys[4];
    std::unique_ptr<std::uint8_t[]> runWindows;
    if constexpr (mode == Walk::Survey) {
        if (std::any_of(scan.components.begin(), scan.components.end(),
                [](const JpegScanComponent& component) { return component.surveySymbols; }))
            runWindows.reset(new std::uint8_t[componentCount << kRunBits]());
        for (size_t c = 0; c < componentCount; ++c) {
            if (scan.components[c].surveySymbols) {
                surveys[c].dcSymbols = survey->dcSymbols[c].data();
                surveys[c].acSymbols = survey->acSymbols[c].data();
                surveys[c].runWindows = runWindows.get() + (c << kRunBits);
            }
        }
    }

    WalkTurn walkTurn;
    if constexpr (Store) {
        std::array<std::uint8_t, 64> zigzagOf {};
        for (size_t k = 0; k < 64; ++k)
            zigzagOf[kJpegNaturalOrder[k]] = std::uint8_t(k);
        for (size_t k = 0; k < 64; ++k) {
            walkTurn.position[k] = turn->position[kJpegNaturalOrder[k]];
            walkTurn.negate[k] = turn->negate[kJpegNaturalOrder[k]];
            walkTurn.zigzagPlace[k] = zigzagOf[walkTurn.position[k]];
        }
    }
    // Blocks are decoded into a band of MCU rows in their stored order and then copied to their turned
    // places a band at a time. A turn that swaps the axes scatters neighbouring blocks across the
    // planes; a band lets it write runs of blocks instead, which saves most of the pages and cache lines
    // it would touch, and streaming them past the cache saves reading those lines in first.
    int bandMcuRows = 1;
    size_t bandCoefficients = 0;
    std::array<size_t, 4> bandStart {};
    if constexpr (Store) {
        int tallestMcu = 1;
        for (const JpegScanComponent& component : scan.components)
            tallestMcu = std::max(tallestMcu, component.mcuHeight);
        bandMcuRows = std::max(1, kBandBlockRows / tallestMcu);
        for (size_t c = 0; c < componentCount; ++c) {
            const JpegScanComponent& component = scan.components[c];
            bandStart[c] = bandCoefficients;
            bandCoefficients += size_t(bandMcuRows) * size_t(component.mcuHeight)
                * size_t(std::max(component.widthInBlocks, 0)) * 64;
        }
    }
    thread_local std::vector<std::int16_t> bandMemory;
    if (bandMemory.size() < bandCoefficients)
        bandMemory.resize(bandCoefficients);
    // The band is kept for the next image of the thread, unless an exceptionally wide one made it large.
    struct BandRelease
    {
        std::vector<std::int16_t>& memory;
        ~BandRelease()
        {
            if (memory.size() > kKeptBandCoefficients) {
                memory.clear();
                memory.shrink_to_fit();
            }
        }
    } release { bandMemory };
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
                        if constexpr (Store) {
                            const int blockX = mcuX * component.mcuWidth + x;
                            const bool real
                                = blockX < component.widthInBlocks && blockY < component.heightInBlocks;
                            const int bandRow = blockY - (mcuY - mcuY % bandMcuRows) * component.mcuHeight;
                            std::int16_t* block = real ? bandMemory.data() + bandStart[c]
                                    + (size_t(bandRow) * size_t(component.widthInBlocks) + size_t(blockX))
                                        * 64
                                                       : padding;
                            std::memset(block, 0, 64 * sizeof(std::int16_t));
                            if (!decodeBlock(reader, states[c], block, walkTurn,
                                    real ? component.acCounts : nullptr, real ? component.nonzero : nullptr))
                                return std::nullopt;
                        } else if constexpr (mode == Walk::DcOnly) {
                            const int blockX = mcuX * component.mcuWidth + x;
                            std::int16_t dc = 0;
                            if (!decodeBlockDc(reader, states[c], dc))
                                return std::nullopt;
                            if (blockX < component.widthInBlocks && blockY < component.heightInBlocks)
                                component.dcPlane[size_t(blockY) * size_t(component.widthInBlocks)
                                    + size_t(blockX)]
                                    = dc;
                        } else {
                            const int blockX = mcuX * component.mcuWidth + x;
                            const bool outside
                                = blockX >= component.widthInBlocks || blockY >= component.heightInBlocks;
                            const bool walked = surveys[c].runWindows
                                ? surveyBlock<true>(
                                    reader, states[c], surveys[c], outside, survey->paddingEmpty)
                                : surveyBlock<false>(
                                    reader, states[c], surveys[c], outside, survey->paddingEmpty);
                            if (!walked)
                                return std::nullopt;
                        }
                    }
                }
            }
            if (reader.count < reader.zeroBits)
                return std::nullopt; // the MCU took bits the data does not have
        }
        if constexpr (Store) {
            if ((mcuY + 1) % bandMcuRows == 0 || mcuY + 1 == scan.mcusDown) {
                for (size_t c = 0; c < componentCount; ++c) {
                    const JpegScanComponent& component = scan.components[c];
                    const int firstRow = (mcuY + 1 - ((mcuY % bandMcuRows) + 1)) * component.mcuHeight;
                    const int rows = std::min(
                        (mcuY % bandMcuRows + 1) * component.mcuHeight, component.heightInBlocks - firstRow);
                    flushBand(component, bandMemory.data() + bandStart[c], firstRow, rows);
                }
            }
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
#if MORVANE_SSE2
    if constexpr (Store)
        _mm_sfence(); // the streamed blocks are in memory before anyone reads them
#endif
    if constexpr (mode == Walk::Survey) {
        for (size_t c = 0; c < componentCount; ++c) {
            survey->nonzero[c] = ~surveys[c].wanted;
            if (!surveys[c].runWindows)
                continue;
            for (std::uint32_t window = 0; window < (1U << kRunBits); ++window) {
                if (surveys[c].runWindows[window])
                    addRunSymbols(*states[c].ac, window, surveys[c].acSymbols);
            }
        }
        survey->length = std::size_t(after - scan.data);
    }
    return std::size_t(after - scan.data);
}

} // namespace

JpegBlockTurn jpegBlockTurn(Orientation orientation)
{
    // A block turns as the picture does: transposed, then mirrored along the turned block's axes.
    const OrientationSteps steps = stepsOf(orientation);
    const bool transpose = steps.transposes;
    const bool mirrorAcross = steps.mirrorsAcross;
    const bool mirrorDown = steps.mirrorsDown;
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

std::optional<JpegScanSurvey> surveyCleanJpegScan(const JpegScan& scan)
{
    std::optional<JpegScanSurvey> survey(std::in_place);
    if (!walkScan<Walk::Survey>(scan, nullptr, &*survey))
        survey.reset();
    return survey;
}

bool decodeJpegScan(const JpegScan& scan, const JpegBlockTurn& turn)
{
    return walkScan<Walk::Store>(scan, &turn, nullptr).has_value();
}

bool decodeJpegScanDc(const JpegScan& scan)
{
    return walkScan<Walk::DcOnly>(scan, nullptr, nullptr).has_value();
}
