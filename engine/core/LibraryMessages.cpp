// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/LibraryMessages.h"

#include "engine/core/ConversionReasons.h"

#include <QtGlobal>

#include <cstring>

namespace {

constexpr qsizetype kMaxKept = 8;

thread_local QStringList messages;
thread_local std::optional<RowsInFile> rowsInFile;

} // namespace

void recordLibraryMessage(const QString& message)
{
    if (messages.size() < kMaxKept)
        messages.append(message);
}

QStringList takeLibraryMessages()
{
    return std::exchange(messages, {});
}

void recordRowsInFile(const RowsInFile& rows)
{
    rowsInFile = rows;
}

std::optional<RowsInFile> takeRowsInFile()
{
    return std::exchange(rowsInFile, std::nullopt);
}

namespace {

QtMessageHandler previousQtHandler = nullptr;

void qtImageMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (!takeQtImageMessage(type, context, message) && previousQtHandler)
        previousQtHandler(type, context, message);
}

} // namespace

bool takeQtImageMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const bool profile = context.category && std::strcmp(context.category, "qt.gui.icc") == 0;
    const bool fromImageIo = profile
        || (context.category && std::strncmp(context.category, "qt.gui.imageio", 14) == 0)
        || message.startsWith(QLatin1String("libpng"));
    if (type == QtFatalMsg || !fromImageIo)
        return false;
    // Qt's profile parser warns of the profiles it does not support (LUT-based ones), and libpng of
    // chunks it passes over: neither stops a read.
    const bool warning = profile || type == QtInfoMsg || type == QtDebugMsg
        || message.startsWith(QLatin1String("libpng warning"));
    if (!warning)
        recordLibraryMessage(message);
    return true;
}

void routeQtImageMessages()
{
    previousQtHandler = qInstallMessageHandler(qtImageMessage);
}

QString endsBeforeItsPixelsMessage()
{
    return ConversionReasons::tr("The file ends before its pixels do");
}

QString tooLargeMessage(QSize size)
{
    return ConversionReasons::tr("The image is too large: %1 x %2 pixels")
        .arg(size.width())
        .arg(size.height());
}
