// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/NativePath.h"

#include "engine/core/HandedFiles.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

/// The length of the valid UTF-8 sequence at \a at in \a bytes (of \a size), 0 when none starts there.
/// Strict: no overlong forms, no encoded surrogates, nothing above U+10FFFF.
int validSequenceAt(const uchar* bytes, qsizetype at, qsizetype size)
{
    const uchar lead = bytes[at];
    if (lead < 0x80)
        return 1;
    const qsizetype left = size - at;
    const auto continues = [&](int i, uchar low = 0x80, uchar high = 0xBF) {
        return left > i && bytes[at + i] >= low && bytes[at + i] <= high;
    };
    if (lead >= 0xC2 && lead <= 0xDF)
        return continues(1) ? 2 : 0;
    if (lead == 0xE0)
        return continues(1, 0xA0) && continues(2) ? 3 : 0;
    if ((lead >= 0xE1 && lead <= 0xEC) || lead == 0xEE || lead == 0xEF)
        return continues(1) && continues(2) ? 3 : 0;
    if (lead == 0xED)
        return continues(1, 0x80, 0x9F) && continues(2) ? 3 : 0;
    if (lead == 0xF0)
        return continues(1, 0x90) && continues(2) && continues(3) ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF3)
        return continues(1) && continues(2) && continues(3) ? 4 : 0;
    if (lead == 0xF4)
        return continues(1, 0x80, 0x8F) && continues(2) && continues(3) ? 4 : 0;
    return 0;
}

/// True for the lone surrogate that stands for the byte 0x80..0xFF.
bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

} // namespace

QString decodePath(const QByteArray& native)
{
    const auto* bytes = reinterpret_cast<const uchar*>(native.constData());
    const qsizetype size = native.size();
    qsizetype ascii = 0;
    while (ascii < size && bytes[ascii] < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(native);

    QString path;
    path.reserve(size);
    path += QLatin1String(native.constData(), ascii);
    for (qsizetype i = ascii; i < size;) {
        const int length = validSequenceAt(bytes, i, size);
        if (length == 0) {
            path += QChar(char16_t(kEscapeBase + bytes[i]));
            ++i;
            continue;
        }
        if (length == 1) {
            path += QLatin1Char(char(bytes[i]));
        } else {
            auto code = char32_t(bytes[i] & (0xFF >> (length + 1)));
            for (int k = 1; k < length; ++k)
                code = (code << 6) | char32_t(bytes[i + k] & 0x3F);
            path += QString::fromUcs4(&code, 1);
        }
        i += length;
    }
    return path;
}

QByteArray encodePath(const QString& path)
{
    const qsizetype size = path.size();
    QByteArray native;
    native.reserve(size);
    const char16_t* units = reinterpret_cast<const char16_t*>(path.constData());
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit < 0x80) {
            native += char(unit);
            continue;
        }
        char32_t code = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            code = QChar::surrogateToUcs4(unit, units[i + 1]);
            ++i;
        } else if (isEscapedByte(unit)) {
            native += char(unit - kEscapeBase);
            continue;
        } else if (QChar::isSurrogate(unit)) {
            code = 0xFFFD;
        }
        if (code < 0x800) {
            native += char(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            native += char(0xE0 | (code >> 12));
            native += char(0x80 | ((code >> 6) & 0x3F));
        } else {
            native += char(0xF0 | (code >> 18));
            native += char(0x80 | ((code >> 12) & 0x3F));
            native += char(0x80 | ((code >> 6) & 0x3F));
        }
        native += char(0x80 | (code & 0x3F));
    }
    return native;
}

bool hasUndecodedBytes(const QString& path)
{
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() && path.at(i + 1).isLowSurrogate())
            ++i;
        else if (isEscapedByte(unit))
            return true;
    }
    return false;
}

QString readablePath(const QString& path)
{
    if (!hasUndecodedBytes(path))
        return path;
    QString shown;
    shown.reserve(path.size() + 8);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() && path.at(i + 1).isLowSurrogate()) {
            shown += path.at(i);
            shown += path.at(++i);
        } else if (isEscapedByte(unit)) {
            shown += QStringLiteral("\\x%1").arg(uint(unit - kEscapeBase), 2, 16, QLatin1Char('0'));
        } else {
            shown += path.at(i);
        }
    }
    return shown;
}

QString lastPathComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == u'/')
        --end;
    const qsizetype start = path.lastIndexOf(u'/', end - 1) + 1;
    return end <= 0 ? QString() : path.mid(start, end - start);
}

QString absolutePath(const QString& path)
{
    if (path.isEmpty())
        return {};
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    // getcwd(NULL, 0) allocates a buffer of the right size, whatever the folder's depth.
    const std::unique_ptr<char, decltype(&std::free)> current(::getcwd(nullptr, 0), &std::free);
    if (!current)
        return QDir::cleanPath(path);
    return QDir::cleanPath(decodePath(QByteArray(current.get())) + u'/' + path);
}

QString canonicalPath(const QString& path)
{
    if (path.isEmpty()) {
        errno = ENOENT;
        return {};
    }
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(encodePath(path).constData(), nullptr), &std::free);
    return resolved ? decodePath(QByteArray(resolved.get())) : QString();
}

bool openForReading(QFile& file, const QString& path)
{
    const int fd = openSourcePath(path);
    if (fd < 0)
        return false;
    // A handed file's offset is shared (openSourcePath): this stream starts where the file does.
    (void)::lseek(fd, 0, SEEK_SET);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        errno = EIO;
        return false;
    }
    return true;
}
