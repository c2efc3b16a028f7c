// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/LibraryMessages.h"

#include "engine/core/ConversionReasons.h"

#include <QtGlobal>

#include <cstring>

namespace {

constexpr qsizetype kMaxKept = 8;

thread_local QStringList messages;

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

QString endsBeforeItsPixelsMessage()
{
    return ConversionReasons::tr("The file ends before its pixels do");
}
