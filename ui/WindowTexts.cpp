// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowTexts.h"

#include "batch/RunReport.h"

#include <QDir>

namespace {

QString subfolderHint(bool hasSubfolders)
{
    return hasSubfolders ? QStringLiteral("; subfolders are not searched") : QString();
}

QString copies(int n)
{
    return n == 1 ? QStringLiteral("1 clean copy") : QStringLiteral("%1 clean copies").arg(n);
}

QString files(int n)
{
    return n == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(n);
}

} // namespace

namespace WindowTexts {

QString noImagesFoundIn(const QString& folderName, bool hasSubfolders)
{
    return QStringLiteral("No images found in %1").arg(folderName) + subfolderHint(hasSubfolders);
}

QString notAnImage(const QString& fileName)
{
    return QStringLiteral("%1 is not a JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF or WebP file").arg(fileName);
}

QString noImagesFoundAmong(int items, bool hasSubfolders)
{
    return QStringLiteral("No images found among the %1 dropped items").arg(items)
        + subfolderHint(hasSubfolders);
}

QString alreadyListed(int found)
{
    return found == 1 ? QStringLiteral("The image found is already in the list")
                      : QStringLiteral("The %1 images found are already in the list").arg(found);
}

QString summaryTitle()
{
    return QStringLiteral("Clean Copies");
}

QString summaryHeadline(const RunReport& report)
{
    if (report.cancelled) {
        return QStringLiteral("Cancelled after %1 of %2")
            .arg(report.taken())
            .arg(report.total == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(report.total));
    }
    const int written = report.written();
    const int skipped = report.taken() - written;
    if (written == 0)
        return QStringLiteral("No clean copies written");
    // Every copy was read back before it got its name; one that held anything personal was skipped.
    const QString checked = written == 1
        ? QStringLiteral("1 copy written, checked: nothing personal")
        : QStringLiteral("%1 copies written, each checked: nothing personal").arg(written);
    if (skipped == 0)
        return checked;
    return QStringLiteral("%1; %2 skipped").arg(checked, files(skipped));
}

QString summaryText(const RunReport& report)
{
    const QString folder = QDir::toNativeSeparators(report.folder);
    const int written = report.written();
    QString text;
    if (written == 0)
        text = QStringLiteral("Nothing was written to %1.").arg(folder);
    else if (report.cancelled)
        text = QStringLiteral("%1 written to %2.").arg(copies(written), folder);
    else
        text = QStringLiteral("Saved in %1.").arg(folder);
    if (report.cancelled) {
        const int remaining = report.total - report.taken();
        text += u' '
            + (remaining == 1 ? QStringLiteral("The remaining file was not started.")
                              : QStringLiteral("The remaining %1 files were not started.").arg(remaining));
    }
    return text;
}

QString summaryListTitle(int notWritten, int noted)
{
    if (notWritten > 0 && noted > 0)
        return QStringLiteral("Files not written, and notes on the copies:");
    if (noted > 0)
        return QStringLiteral("Notes on the copies:");
    return notWritten == 1 ? QStringLiteral("This file was not written:")
                           : QStringLiteral("These %1 files were not written:").arg(notWritten);
}

QString fileColumnTitle()
{
    return QStringLiteral("File");
}

QString resultColumnTitle()
{
    return QStringLiteral("Result");
}

QString skippedResult(const QString& reason)
{
    return reason.isEmpty() ? QStringLiteral("Not written") : reason.at(0).toUpper() + reason.mid(1);
}

QString notedResult(const QString& note)
{
    return QStringLiteral("Written; %1").arg(note);
}

QString openFolderButton()
{
    return QStringLiteral("Open Folder");
}

QString closeButton()
{
    return QStringLiteral("Close");
}

QString statusAfterRun(const RunReport& report)
{
    return summaryHeadline(report) + QStringLiteral(". ") + summaryText(report);
}

QString folderNotOpened(const QString& folder)
{
    return QStringLiteral("Could not open %1 in the file manager").arg(QDir::toNativeSeparators(folder));
}

} // namespace WindowTexts
