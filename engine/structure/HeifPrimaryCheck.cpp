// SPDX-License-Identifier: GPL-3.0-or-later
// The images the primary image of a HEIF file is made of, checked before libheif sees the data. libheif
// bounds each side of an image only, follows derived images without looking for loops, and its decoders
// allocate what the coded sequence headers claim: all of that is checked here first.
#include "engine/core/ConversionReasons.h"
#include "engine/structure/BoxReader.h"
#include "engine/structure/CodedStreams.h"
#include "engine/structure/HeifBoxes.h"

#include <algorithm>
#include <limits>
#include <set>

namespace {

constexpr int kMaxDerivationDepth = 8;
/// Grid and overlay descriptions are a few bytes; anything beyond this is no description.
constexpr quint64 kMaxDescriptionBytes = 4096;
constexpr qint64 kSaturated = std::numeric_limits<qint64>::max() / 4;

qint64 saturatedAdd(qint64 a, qint64 b)
{
    return std::min(kSaturated, a + b);
}

bool fail(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

class PrimaryCheck
{
public:
    PrimaryCheck(const HeifStructure& structure, qint64 maxPixels, QString* reason)
        : m_s(structure)
        , m_maxPixels(maxPixels)
        , m_reason(reason)
    {
        for (const HeifReference& reference : m_s.references) {
            if (reference.type == fourCC("dimg"))
                m_derivedFrom[reference.from].push_back(&reference);
            if (reference.type != fourCC("auxl"))
                continue;
            const auto auxiliary = m_s.items.find(reference.from);
            if (auxiliary == m_s.items.end())
                continue;
            const HeifProperty* auxC = property(auxiliary->second, fourCC("auxC"));
            if (!auxC)
                continue;
            ByteReader r(auxC->payload);
            r.skip(4);
            if (!isHeifAlphaType(r.string()))
                continue;
            for (const quint32 target : reference.to)
                m_alphaOf[target].push_back(reference.from);
        }
    }

    std::optional<HeifDecodingPlan> run()
    {
        // Data after the last box is no part of the image, but every item's data is: libheif refuses a
        // file in which any item's data runs past its end.
        const auto fileSize = quint64(m_s.file.size());
        for (const auto& [id, item] : m_s.items) {
            if (item.constructionMethod != 0)
                continue;
            for (const HeifExtent& extent : item.extents) {
                if (extent.offset > fileSize || extent.length > fileSize - extent.offset) {
                    fail(m_reason, ConversionReasons::tr("The file is cut short"));
                    return std::nullopt;
                }
            }
        }
        const qint64 work = visit(m_s.primary, 0);
        if (work < 0)
            return std::nullopt;
        if (work > 2 * m_maxPixels) {
            fail(m_reason,
                ConversionReasons::tr("Decoding the image would take more pixels than this program decodes"));
            return std::nullopt;
        }
        if (!m_haveCoding) {
            fail(m_reason, ConversionReasons::tr("The primary image holds no coded image"));
            return std::nullopt;
        }
        m_plan.hasAlpha = m_alphaOf.contains(m_s.primary);
        return m_plan;
    }

private:
    const HeifProperty* property(const HeifItem& item, quint32 type) const
    {
        for (const int index : item.properties) {
            if (index < int(m_s.properties.size()) && m_s.properties[size_t(index)].type == type)
                return &m_s.properties[size_t(index)];
        }
        return nullptr;
    }

    qint64 refuse(const QString& text)
    {
        fail(m_reason, text);
        return -1;
    }

    qint64 tooLarge(qint64 width, qint64 height)
    {
        return refuse(ConversionReasons::tr("The image is %1 by %2 pixels: more than this program decodes")
                          .arg(width)
                          .arg(height));
    }

    /// The item's data, or null (with the reason set) when it does not lie where its location says.
    std::optional<QByteArray> itemData(const HeifItem& item, quint64 maxBytes)
    {
        return heifItemData(m_s, item, maxBytes, m_reason);
    }

    /// The pixels of decoding item \a id and everything it is made of; -1 with the reason set when the
    /// item must not be decoded.
    qint64 visit(quint32 id, int depth)
    {
        if (depth > kMaxDerivationDepth)
            return refuse(ConversionReasons::tr("The file's images are nested too deeply"));
        if (const auto done = m_work.find(id); done != m_work.end())
            return done->second;
        if (!m_visiting.insert(id).second)
            return refuse(ConversionReasons::tr("The file's item references form a loop"));
        const auto found = m_s.items.find(id);
        if (found == m_s.items.end())
            return refuse(ConversionReasons::tr("The file refers to an image it does not hold"));
        const HeifItem& item = found->second;

        qint64 work = -1;
        switch (item.type) {
        case fourCC("hvc1"):
        case fourCC("av01"):
            work = codedImage(item);
            break;
        case fourCC("grid"):
        case fourCC("iovl"):
        case fourCC("iden"):
            work = derivedImage(item, depth);
            break;
        case fourCC("encr"):
            work = refuse(ConversionReasons::tr("The image is encrypted"));
            break;
        default:
            work = refuse(
                ConversionReasons::tr("The image is coded as '%1', which this program does not decode")
                    .arg(fourCCText(item.type)));
            break;
        }
        if (work < 0)
            return -1;
        // libheif decodes the alpha of every image it decodes.
        if (const auto alphas = m_alphaOf.find(id); alphas != m_alphaOf.end()) {
            for (const quint32 alpha : alphas->second) {
                const qint64 alphaWork = visit(alpha, depth + 1);
                if (alphaWork < 0)
                    return -1;
                work = saturatedAdd(work, alphaWork);
            }
        }
        m_visiting.erase(id);
        m_work[id] = work;
        return work;
    }

    /// The stated size ('ispe') of \a item, checked against the bound; null with the reason set.
    std::optional<CodedSize> statedSize(const HeifItem& item, bool required)
    {
        const HeifProperty* ispe = property(item, fourCC("ispe"));
        if (!ispe) {
            if (required)
                refuse(ConversionReasons::tr("An image of the file states no size"));
            return required ? std::nullopt : std::optional<CodedSize>(CodedSize {});
        }
        ByteReader r(ispe->payload);
        r.skip(4);
        const CodedSize size { r.u32(), r.u32() };
        if (r.failed() || size.width == 0 || size.height == 0) {
            refuse(ConversionReasons::tr("An image of the file states no size"));
            return std::nullopt;
        }
        if (areaOf(size.width, size.height) > m_maxPixels) {
            tooLarge(size.width, size.height);
            return std::nullopt;
        }
        return size;
    }

    void noteCoding(HeifCoding coding, int chromaFormat, int bitDepth)
    {
        if (!m_haveCoding) {
            m_plan.coding = coding;
            m_plan.chromaFormat = chromaFormat;
            m_plan.bitDepth = bitDepth;
            m_haveCoding = true;
        } else if (m_plan.coding != coding || m_plan.chromaFormat != chromaFormat
            || m_plan.bitDepth != bitDepth) {
            m_plan.sameCodingEverywhere = false;
        }
    }

    /// The coded size must fit the bound, and must not claim far more than the stated size: the decoder
    /// allocates what the coded size says.
    bool codedSizeFits(const CodedSize& coded, const CodedSize& stated)
    {
        const qint64 pixels = areaOf(coded.width, coded.height);
        if (pixels > m_maxPixels) {
            tooLarge(coded.width, coded.height);
            return false;
        }
        if (pixels / 2 > areaOf(stated.width, stated.height) + (qint64(1) << 19)) {
            fail(m_reason, ConversionReasons::tr("An image's coded size does not match its stated size"));
            return false;
        }
        return true;
    }

    qint64 codedImage(const HeifItem& item)
    {
        const std::optional<CodedSize> stated = statedSize(item, true);
        if (!stated)
            return -1;
        const std::optional<QByteArray> data = itemData(item, quint64(m_s.file.size()));
        if (!data)
            return -1;
        if (item.type == fourCC("hvc1"))
            return hevcImage(item, *stated, *data);
        return av1Image(item, *stated, *data);
    }

    qint64 hevcImage(const HeifItem& item, const CodedSize& stated, const QByteArray& data)
    {
        const HeifProperty* hvcC = property(item, fourCC("hvcC"));
        if (!hvcC)
            return refuse(ConversionReasons::tr("An HEVC image of the file has no decoder configuration"));
        ByteReader r(hvcC->payload);
        r.skip(16);
        const int chromaFormat = r.u8() & 3;
        const int bitDepth = (r.u8() & 7) + 8;
        r.skip(3);
        const int lengthSize = (r.u8() & 3) + 1;
        const int arrays = r.u8();
        bool haveSize = false;
        for (int i = 0; i < arrays && !r.failed(); ++i) {
            r.u8(); // the array's unit type: the decoder goes by each unit's own header
            const int count = r.u16();
            for (int k = 0; k < count && !r.failed(); ++k) {
                const int length = r.u16();
                if (r.remaining() < length)
                    break;
                const QByteArrayView nal = hvcC->payload.sliced(r.position(), length);
                r.skip(length);
                if (hevcNalType(nal) != 33)
                    continue;
                const std::optional<CodedSize> coded = hevcSpsSize(nal);
                if (!coded)
                    return refuse(
                        ConversionReasons::tr("An HEVC image of the file has a damaged configuration"));
                if (!codedSizeFits(*coded, stated))
                    return -1;
                haveSize = true;
            }
        }
        if (r.failed())
            return refuse(ConversionReasons::tr("An HEVC image of the file has a damaged configuration"));
        bool spsFits = true;
        const bool whole = forEachNal(data, lengthSize, [&](QByteArrayView nal) {
            if (hevcNalType(nal) != 33)
                return true;
            const std::optional<CodedSize> coded = hevcSpsSize(nal);
            spsFits = coded && codedSizeFits(*coded, stated);
            haveSize = haveSize || coded;
            return spsFits;
        });
        if (!spsFits)
            return -1;
        if (!whole)
            return refuse(ConversionReasons::tr("An HEVC image of the file is damaged"));
        if (!haveSize)
            return refuse(ConversionReasons::tr("An HEVC image of the file has no sequence parameter set"));
        noteCoding(HeifCoding::HEVC, chromaFormat, bitDepth);
        return stated.width * stated.height;
    }

    qint64 av1Image(const HeifItem& item, const CodedSize& stated, const QByteArray& data)
    {
        const HeifProperty* av1C = property(item, fourCC("av1C"));
        if (!av1C || av1C->payload.size() < 4)
            return refuse(ConversionReasons::tr("An AV1 image of the file has no decoder configuration"));
        const auto flags = uchar(av1C->payload[2]);
        const int bitDepth = (flags & 0x20) ? 12 : (flags & 0x40) ? 10 : 8;
        const bool monochrome = flags & 0x10, halfX = flags & 0x08, halfY = flags & 0x04;
        const int chromaFormat = monochrome ? 0 : (halfX && halfY) ? 1 : halfX ? 2 : 3;
        bool haveSize = false;
        bool fits = true;
        const auto sequenceHeaders = [&](int type, QByteArrayView payload, QByteArrayView) {
            if (type != 1)
                return true;
            const std::optional<CodedSize> coded = av1SequenceHeaderSize(payload);
            fits = coded && codedSizeFits(*coded, stated);
            haveSize = haveSize || coded;
            return fits;
        };
        const bool configWhole = forEachObu(av1C->payload.sliced(4), sequenceHeaders);
        if (!fits)
            return -1;
        const bool dataWhole = configWhole && forEachObu(data, sequenceHeaders);
        if (!fits)
            return -1;
        if (!dataWhole)
            return refuse(ConversionReasons::tr("An AV1 image of the file is damaged"));
        if (!haveSize)
            return refuse(ConversionReasons::tr("An AV1 image of the file has no sequence header"));
        noteCoding(HeifCoding::AV1, chromaFormat, bitDepth);
        return stated.width * stated.height;
    }

    qint64 derivedImage(const HeifItem& item, int depth)
    {
        std::vector<quint32> inputs;
        if (const auto found = m_derivedFrom.find(item.id); found != m_derivedFrom.end()) {
            for (const HeifReference* reference : found->second)
                inputs.insert(inputs.end(), reference->to.begin(), reference->to.end());
        }
        if (!statedSize(item, false))
            return -1;
        qint64 work = 0;
        if (item.type == fourCC("iden")) {
            if (inputs.size() != 1)
                return refuse(ConversionReasons::tr("A derived image of the file has no single source"));
        } else {
            const std::optional<QByteArray> data = itemData(item, kMaxDescriptionBytes);
            if (!data)
                return -1;
            ByteReader r(*data);
            r.u8(); // version
            const quint8 flags = r.u8();
            int tiles = 0;
            if (item.type == fourCC("grid")) {
                const int rows = r.u8() + 1, columns = r.u8() + 1;
                tiles = rows * columns;
            } else {
                r.skip(8); // the fill colour
                tiles = int(inputs.size());
            }
            const int fieldSize = (flags & 1) ? 4 : 2;
            const qint64 width = qint64(r.read(fieldSize)), height = qint64(r.read(fieldSize));
            if (r.failed() || width == 0 || height == 0 || tiles != int(inputs.size()) || inputs.empty())
                return refuse(ConversionReasons::tr("A grid or overlay of the file is damaged"));
            if (areaOf(width, height) > m_maxPixels)
                return tooLarge(width, height);
            work = width * height;
        }
        for (const quint32 input : inputs) {
            const qint64 inputWork = visit(input, depth + 1);
            if (inputWork < 0)
                return -1;
            work = saturatedAdd(work, inputWork);
            if (work > 2 * m_maxPixels)
                return refuse(ConversionReasons::tr(
                    "Decoding the image would take more pixels than this program decodes"));
        }
        return work;
    }

    const HeifStructure& m_s;
    qint64 m_maxPixels;
    QString* m_reason;
    std::map<quint32, std::vector<const HeifReference*>> m_derivedFrom;
    std::map<quint32, std::vector<quint32>> m_alphaOf;
    std::map<quint32, qint64> m_work;
    std::set<quint32> m_visiting;
    HeifDecodingPlan m_plan;
    bool m_haveCoding = false;
};

} // namespace

std::optional<HeifDecodingPlan> checkHeifPrimaryImage(
    const HeifStructure& structure, qint64 maxPixels, QString* reason)
{
    return PrimaryCheck(structure, maxPixels, reason).run();
}
