// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

/// Writes a record of the small binary encoding that crosses between a worker and its parent: fixed-size
/// little-endian integers, and byte strings as a 32-bit length followed by the bytes. Nothing else: no
/// type tags, no nesting; the reader knows the order. One thread at a time.
class RecordWriter
{
public:
    RecordWriter& putU8(std::uint8_t value);
    RecordWriter& putU32(std::uint32_t value);
    RecordWriter& putU64(std::uint64_t value);
    RecordWriter& putI32(std::int32_t value) { return putU32(static_cast<std::uint32_t>(value)); }
    RecordWriter& putBytes(QByteArrayView bytes);
    RecordWriter& putString(const QString& text) { return putBytes(text.toUtf8()); }

    [[nodiscard]] const QByteArray& data() const { return m_data; }
    [[nodiscard]] QByteArray take() { return std::move(m_data); }

private:
    QByteArray m_data;
};

/// Reads a record written by RecordWriter from bytes that may come from a hostile process: every read
/// checks that the bytes are there, every length is checked against what is left and against the bound
/// the caller gives, and nothing is allocated beyond the bytes actually present. The first failure sticks:
/// later reads fail too and ok() stays false, so a caller may read a whole record and check once.
/// One thread at a time; the bytes must outlive the reader.
class RecordReader
{
public:
    explicit RecordReader(QByteArrayView bytes)
        : m_bytes(bytes)
    { }

    std::uint8_t getU8();
    std::uint32_t getU32();
    std::uint64_t getU64();
    std::int32_t getI32() { return static_cast<std::int32_t>(getU32()); }
    /// A byte string of at most \a maxSize bytes; a longer one fails the record.
    QByteArray getBytes(qsizetype maxSize);
    /// A UTF-8 text of at most \a maxBytes bytes.
    QString getString(qsizetype maxBytes) { return QString::fromUtf8(getBytes(maxBytes)); }

    /// True when every read so far found its bytes.
    [[nodiscard]] bool ok() const { return m_ok; }
    /// True when every read succeeded and every byte was read: a record with trailing bytes is malformed.
    [[nodiscard]] bool finished() const { return m_ok && m_offset == m_bytes.size(); }

private:
    bool take(void* out, qsizetype size);

    QByteArrayView m_bytes;
    qsizetype m_offset = 0;
    bool m_ok = true;
};
