// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LibraryMessages.h"

#include <QtGlobal>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <tiffio.h>

namespace {

constexpr qsizetype kMaxKept = 8;

thread_local QStringList messages;

void tiffMessage(const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    recordLibraryMessage(module
            ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module), QString::fromLocal8Bit(text))
            : QString::fromLocal8Bit(text));
}

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

namespace {

QtMessageHandler previousQtHandler = nullptr;

void qtImageMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Qt's profile parser reports the profiles it does not support (LUT-based ones) as warnings.
    const bool fromImageIo = context.category
        && (std::strncmp(context.category, "qt.gui.imageio", 14) == 0
            || std::strcmp(context.category, "qt.gui.icc") == 0);
    if (type != QtFatalMsg && (fromImageIo || message.startsWith(QLatin1String("libpng")))) {
        recordLibraryMessage(message);
        return;
    }
    if (previousQtHandler)
        previousQtHandler(type, context, message);
}

} // namespace

void routeQtImageMessages()
{
    previousQtHandler = qInstallMessageHandler(qtImageMessage);
}

void installLibraryMessageHandlers()
{
    TIFFSetWarningHandler(tiffMessage);
    TIFFSetErrorHandler(tiffMessage);
}
