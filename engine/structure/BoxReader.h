// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading ISO base media boxes (the container of HEIF and AVIF files) and the big-endian fields inside
// them, with a bounds check on every read: a field or box that does not fit marks the reader failed
// instead of reading past the data.

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <utility>

/// Big-endian fields of a byte range; reading past the end sets failed() and gives zeros.
class ByteReader
{
public:
    explicit ByteReader(QByteArrayView data)
        : m_data(data)
    { }

    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] qsizetype position() const { return m_pos; }
    [[nodiscard]] qsizetype remaining() const { return m_data.size() - m_pos; }
    [[nodiscard]] bool atEnd() const { return m_pos >= m_data.size(); }

    quint64 read(int bytes)
    {
        if (bytes < 0 || bytes > 8 || remaining() < bytes) {
            m_failed = true;
            m_pos = m_data.size();
            return 0;
        }
        quint64 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | uchar(m_data[m_pos++]);
        return value;
    }
    quint8 u8() { return quint8(read(1)); }
    quint16 u16() { return quint16(read(2)); }
    quint32 u32() { return quint32(read(4)); }
    quint64 u64() { return read(8); }
    void skip(qsizetype bytes)
    {
        if (bytes < 0 || remaining() < bytes) {
            m_failed = true;
            m_pos = m_data.size();
            return;
        }
        m_pos += bytes;
    }
    /// A NUL-terminated string (the NUL skipped); the rest of the data when there is none.
    QByteArrayView string()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != '\0')
            ++m_pos;
        const QByteArrayView text = m_data.sliced(start, m_pos - start);
        if (m_pos < m_data.size())
            ++m_pos;
        return text;
    }
    QByteArrayView rest() { return m_data.sliced(std::exchange(m_pos, m_data.size())); }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

/// One box of a sequence of boxes.
struct Box
{
    quint32 type = 0;
    QByteArrayView payload;
};

/// Reads the boxes of \a data one after another. A box that does not fit sets the reason.
class BoxReader
{
public:
    explicit BoxReader(QByteArrayView data)
        : m_data(data)
    { }

    /// The next box, or nothing at the end or on a box that does not fit (then failed() is true).
    std::optional<Box> next()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        ByteReader header(m_data.sliced(m_pos));
        quint64 size = header.u32();
        const quint32 type = header.u32();
        if (size == 1)
            size = header.u64();
        else if (size == 0)
            size = quint64(m_data.size() - m_pos);
        const qsizetype headerSize = header.position();
        if (header.failed() || size > quint64(m_data.size() - m_pos)) {
            m_failed = true;
            return std::nullopt;
        }
        if (size < quint64(headerSize)) {
            m_failed = m_impossible = true;
            return std::nullopt;
        }
        Box box { type, m_data.sliced(m_pos + headerSize, qsizetype(size) - headerSize) };
        m_pos += qsizetype(size);
        return box;
    }
    /// Where the next box begins: after the last box read.
    [[nodiscard]] qsizetype position() const { return m_pos; }
    /// A box ran past the end of its container (or of the file, for the top level).
    [[nodiscard]] bool failed() const { return m_failed; }
    /// The failure was a box smaller than its own header.
    [[nodiscard]] bool impossible() const { return m_impossible; }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
    bool m_failed = false;
    bool m_impossible = false;
};

/// A box type as text, non-printable characters shown as '?'.
inline QString fourCCText(quint32 type)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = char(type >> shift);
        text += c >= 0x20 && c < 0x7F ? QChar(c) : QChar('?');
    }
    return text;
}

/// Whether \a type names a box: four printable ASCII characters.
inline bool isPlausibleBoxType(quint32 type)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto c = uchar(type >> shift);
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}
