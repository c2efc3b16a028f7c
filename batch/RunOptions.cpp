// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/RunOptions.h"

#include "batch/Converter.h"

RunOptions RunOptions::fromPreferences(const Settings& settings)
{
    RunOptions options;
    options.quality = settings.quality();
    options.fixOrientation = settings.fixOrientation();
    options.keepJpegQuality = settings.keepJpegQuality();
    options.outputFormat = settings.outputFormat();
    options.timeLimitSeconds = settings.timeLimitSeconds();
    return options;
}

QString RunOptions::outputNameFor(const QString& source) const
{
    if (outputFormat != OutputFormatChoice::Jpeg)
        return source;
    const QString extension = Converter::pathExtension(source).toLower();
    if (extension == QLatin1String("jpg") || extension == QLatin1String("jpeg"))
        return source;
    const QString stem = extension.isEmpty() && !source.endsWith(u'.')
        ? source
        : source.left(source.size() - Converter::pathExtension(source).size() - 1);
    return stem + QStringLiteral(".jpg");
}
