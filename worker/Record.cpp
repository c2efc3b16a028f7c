// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/Record.h"

#include <QtEndian>

#include <cstring>

RecordWriter& RecordWriter::putU8(std::uint8_t value)
{
    m_data.append(char(value));
    return *this;
}

RecordWriter& RecordWriter::putU32(std::uint32_t value)
{
    const std::uint32_t little = qToLittleEndian(value);
    m_data.append(reinterpret_cast<const char*>(&little), sizeof little);
    return *this;
}

RecordWriter& RecordWriter::putU64(std::uint64_t value)
{
    const std::uint64_t little = qToLittleEndian(value);
    m_data.append(reinterpret_cast<const char*>(&little), sizeof little);
    return *this;
}

RecordWriter& RecordWriter::putBytes(QByteArrayView bytes)
{
    putU32(static_cast<std::uint32_t>(bytes.size()));
    m_data.append(bytes);
    return *this;
}

bool RecordReader::take(void* out, qsizetype size)
{
    if (!m_ok || size > m_bytes.size() - m_offset) {
        m_ok = false;
        return false;
    }
    std::memcpy(out, m_bytes.data() + m_offset, std::size_t(size));
    m_offset += size;
    return true;
}

std::uint8_t RecordReader::getU8()
{
    std::uint8_t value = 0;
    return take(&value, sizeof value) ? value : 0;
}

std::uint32_t RecordReader::getU32()
{
    std::uint32_t value = 0;
    return take(&value, sizeof value) ? qFromLittleEndian(value) : 0;
}

std::uint64_t RecordReader::getU64()
{
    std::uint64_t value = 0;
    return take(&value, sizeof value) ? qFromLittleEndian(value) : 0;
}

QByteArray RecordReader::getBytes(qsizetype maxSize)
{
    const std::uint32_t size = getU32();
    if (!m_ok || qint64(size) > qint64(maxSize) || qint64(size) > qint64(m_bytes.size() - m_offset)) {
        m_ok = false;
        return {};
    }
    QByteArray bytes(m_bytes.data() + m_offset, qsizetype(size));
    m_offset += qsizetype(size);
    return bytes;
}
