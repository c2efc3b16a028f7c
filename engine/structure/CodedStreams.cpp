// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/structure/CodedStreams.h"

#include <QByteArray>

#include <algorithm>

namespace {

/// Bits of a byte range, most significant first; reading past the end sets failed().
class BitReader
{
public:
    explicit BitReader(QByteArrayView data)
        : m_data(data)
    { }

    [[nodiscard]] bool failed() const { return m_failed; }

    quint64 bits(int count)
    {
        quint64 value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= quint64(m_data.size()) * 8) {
                m_failed = true;
                return 0;
            }
            value = value << 1 | ((uchar(m_data[qsizetype(m_bit >> 3)]) >> (7 - (m_bit & 7))) & 1);
            ++m_bit;
        }
        return value;
    }
    bool flag() { return bits(1) != 0; }
    void skip(int count)
    {
        for (int i = 0; i < count; ++i)
            bits(1);
    }
    /// Exp-Golomb ue(v).
    quint64 unsignedGolomb()
    {
        int zeros = 0;
        while (!flag()) {
            if (m_failed || ++zeros > 32) {
                m_failed = true;
                return 0;
            }
        }
        return (quint64(1) << zeros) - 1 + bits(zeros);
    }
    /// AV1's uvlc().
    quint64 uvlc()
    {
        int zeros = 0;
        while (!flag()) {
            if (m_failed)
                return 0;
            ++zeros;
        }
        if (zeros >= 32)
            return std::numeric_limits<quint32>::max();
        return bits(zeros) + (quint64(1) << zeros) - 1;
    }

private:
    QByteArrayView m_data;
    quint64 m_bit = 0;
    bool m_failed = false;
};

} // namespace

/// The picture size an HEVC sequence parameter set (a whole NAL unit, header included) states.
std::optional<CodedSize> hevcSpsSize(QByteArrayView nal)
{
    // Emulation prevention: 00 00 03 stands for 00 00. The size fields come within the first bytes.
    QByteArray rbsp;
    const qsizetype end = std::min<qsizetype>(nal.size(), 512);
    int zeros = 0;
    for (qsizetype i = 2; i < end; ++i) {
        const auto b = uchar(nal[i]);
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        rbsp.append(char(b));
    }
    BitReader r(rbsp);
    r.skip(4); // sps_video_parameter_set_id
    const int maxSubLayersMinus1 = int(r.bits(3));
    r.skip(1);
    r.skip(88 + 8); // the general profile and level
    bool profilePresent[8] = {}, levelPresent[8] = {};
    for (int i = 0; i < maxSubLayersMinus1; ++i) {
        profilePresent[i] = r.flag();
        levelPresent[i] = r.flag();
    }
    if (maxSubLayersMinus1 > 0)
        r.skip(2 * (8 - maxSubLayersMinus1));
    for (int i = 0; i < maxSubLayersMinus1; ++i)
        r.skip((profilePresent[i] ? 88 : 0) + (levelPresent[i] ? 8 : 0));
    r.unsignedGolomb(); // sps_seq_parameter_set_id
    if (r.unsignedGolomb() == 3) // chroma_format_idc
        r.skip(1);
    const quint64 width = r.unsignedGolomb();
    const quint64 height = r.unsignedGolomb();
    if (r.failed() || width == 0 || height == 0)
        return std::nullopt;
    return CodedSize { qint64(width), qint64(height) };
}

/// The largest frame an AV1 sequence header OBU's payload allows.
std::optional<CodedSize> av1SequenceHeaderSize(QByteArrayView payload)
{
    BitReader r(payload);
    r.skip(3); // seq_profile
    r.skip(1); // still_picture
    if (r.flag()) { // reduced_still_picture_header
        r.skip(5);
    } else {
        bool decoderModelInfo = false;
        int bufferDelayLength = 0;
        if (r.flag()) { // timing_info_present_flag
            r.skip(64);
            if (r.flag())
                r.uvlc();
            decoderModelInfo = r.flag();
            if (decoderModelInfo) {
                bufferDelayLength = int(r.bits(5)) + 1;
                r.skip(32 + 5 + 5);
            }
        }
        const bool initialDisplayDelay = r.flag();
        const int operatingPoints = int(r.bits(5)) + 1;
        for (int i = 0; i < operatingPoints && !r.failed(); ++i) {
            r.skip(12);
            if (r.bits(5) > 7)
                r.skip(1);
            if (decoderModelInfo && r.flag())
                r.skip(2 * bufferDelayLength + 1);
            if (initialDisplayDelay && r.flag())
                r.skip(4);
        }
    }
    const int widthBits = int(r.bits(4)) + 1;
    const int heightBits = int(r.bits(4)) + 1;
    const quint64 width = r.bits(widthBits) + 1;
    const quint64 height = r.bits(heightBits) + 1;
    if (r.failed())
        return std::nullopt;
    return CodedSize { qint64(width), qint64(height) };
}

std::optional<HevcConfiguration> readHevcConfiguration(QByteArrayView payload)
{
    HevcConfiguration configuration;
    ByteReader r(payload);
    if (r.u8() != 1)
        return std::nullopt;
    r.skip(20);
    configuration.lengthSize = (r.u8() & 3) + 1;
    if (r.failed() || configuration.lengthSize == 3)
        return std::nullopt;
    configuration.fixedFields = payload.first(22);
    const int arrays = r.u8();
    for (int i = 0; i < arrays && !r.failed(); ++i) {
        HevcConfiguration::Array array;
        array.header = r.u8();
        const int count = r.u16();
        for (int k = 0; k < count && !r.failed(); ++k) {
            const int length = r.u16();
            if (r.failed() || r.remaining() < length)
                return std::nullopt;
            array.units.push_back(payload.sliced(r.position(), length));
            r.skip(length);
        }
        configuration.arrays.push_back(std::move(array));
    }
    if (r.failed() || !r.atEnd())
        return std::nullopt;
    return configuration;
}
