// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowTexts.h"

#include "batch/RunReport.h"

#include <QCoreApplication>
#include <QDir>

// Every sentence goes through the translations under the context "WindowTexts". Counted texts keep
// English's own singular ("1 file") as a text of its own; the plural takes %n, so that a language whose
// plural starts elsewhere (French says "0 fichier") gets its own forms.
namespace {

QString subfolderHint(bool hasSubfolders)
{
    return hasSubfolders ? QCoreApplication::translate("WindowTexts", "; subfolders are not searched")
                         : QString();
}

QString copies(int n)
{
    return n == 1 ? QCoreApplication::translate("WindowTexts", "1 clean copy")
                  : QCoreApplication::translate("WindowTexts", "%n clean copies", nullptr, n);
}

QString files(int n)
{
    return n == 1 ? QCoreApplication::translate("WindowTexts", "1 file")
                  : QCoreApplication::translate("WindowTexts", "%n files", nullptr, n);
}

} // namespace

namespace WindowTexts {

QString noImagesFoundIn(const QString& folderName, bool hasSubfolders)
{
    return QCoreApplication::translate("WindowTexts", "No images found in %1").arg(folderName)
        + subfolderHint(hasSubfolders);
}

QString notAnImage(const QString& fileName)
{
    return QCoreApplication::translate(
        "WindowTexts", "%1 is not a JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF or WebP file")
        .arg(fileName);
}

QString noImagesFoundAmong(int items, bool hasSubfolders)
{
    return QCoreApplication::translate(
               "WindowTexts", "No images found among the %n dropped items", nullptr, items)
        + subfolderHint(hasSubfolders);
}

QString alreadyListed(int found)
{
    return found == 1 ? QCoreApplication::translate("WindowTexts", "The image found is already in the list")
                      : QCoreApplication::translate(
                          "WindowTexts", "The %n images found are already in the list", nullptr, found);
}

QString summaryTitle()
{
    return QCoreApplication::translate("WindowTexts", "Clean Copies");
}

QString summaryHeadline(const RunReport& report)
{
    if (report.cancelled) {
        return QCoreApplication::translate("WindowTexts", "Cancelled after %1 of %2")
            .arg(report.taken())
            .arg(files(report.total));
    }
    const int written = report.written();
    const int skipped = report.taken() - written;
    if (written == 0)
        return QCoreApplication::translate("WindowTexts", "No clean copies written");
    // Every copy was read back before it got its name; one that held anything personal was skipped.
    const QString checked = written == 1
        ? QCoreApplication::translate("WindowTexts", "1 copy written, checked: nothing personal")
        : QCoreApplication::translate(
            "WindowTexts", "%n copies written, each checked: nothing personal", nullptr, written);
    if (skipped == 0)
        return checked;
    return QCoreApplication::translate("WindowTexts", "%1; %2 skipped").arg(checked, files(skipped));
}

QString summaryText(const RunReport& report)
{
    const QString folder = QDir::toNativeSeparators(report.folder);
    const int written = report.written();
    QString text;
    if (written == 0)
        text = QCoreApplication::translate("WindowTexts", "Nothing was written to %1.").arg(folder);
    else if (report.cancelled)
        text = QCoreApplication::translate("WindowTexts", "%1 written to %2.").arg(copies(written), folder);
    else
        text = QCoreApplication::translate("WindowTexts", "Saved in %1.").arg(folder);
    if (const int kept = report.keptWithoutReencoding(); kept > 0)
        text += u' ' + QCoreApplication::translate("WindowTexts", "Kept without re-encoding: %1.").arg(kept);
    if (report.cancelled) {
        const int remaining = report.total - report.taken();
        text += u' '
            + (remaining == 1
                    ? QCoreApplication::translate("WindowTexts", "The remaining file was not started.")
                    : QCoreApplication::translate(
                        "WindowTexts", "The remaining %n files were not started.", nullptr, remaining));
    }
    return text;
}

QString summaryListTitle(int notWritten, int noted)
{
    if (notWritten > 0 && noted > 0)
        return QCoreApplication::translate("WindowTexts", "Files not written, and notes on the copies:");
    if (noted > 0)
        return QCoreApplication::translate("WindowTexts", "Notes on the copies:");
    return notWritten == 1
        ? QCoreApplication::translate("WindowTexts", "This file was not written:")
        : QCoreApplication::translate("WindowTexts", "These %n files were not written:", nullptr, notWritten);
}

QString fileColumnTitle()
{
    return QCoreApplication::translate("WindowTexts", "File");
}

QString resultColumnTitle()
{
    return QCoreApplication::translate("WindowTexts", "Result");
}

QString skippedResult(const QString& reason)
{
    return reason.isEmpty() ? QCoreApplication::translate("WindowTexts", "Not written")
                            : reason.at(0).toUpper() + reason.mid(1);
}

QString notedResult(const QString& note)
{
    return QCoreApplication::translate("WindowTexts", "Written; %1").arg(note);
}

QString openFolderButton()
{
    return QCoreApplication::translate("WindowTexts", "Open Folder");
}

QString closeButton()
{
    return QCoreApplication::translate("WindowTexts", "Close");
}

QString statusAfterRun(const RunReport& report)
{
    return QCoreApplication::translate("WindowTexts", "%1. %2")
        .arg(summaryHeadline(report), summaryText(report));
}

QString folderNotOpened(const QString& folder)
{
    return QCoreApplication::translate("WindowTexts", "Could not open %1 in the file manager")
        .arg(QDir::toNativeSeparators(folder));
}

} // namespace WindowTexts
