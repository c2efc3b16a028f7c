// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/LibraryMessages.h"

#include <cstdarg>
#include <cstdio>
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

void installLibraryMessageHandlers()
{
    TIFFSetWarningHandler(tiffMessage);
    TIFFSetErrorHandler(tiffMessage);
}
