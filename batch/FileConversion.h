// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <mutex>

class ImageWrapper;
class WorkFile;

/// What became of one source file in a run.
struct ConversionOutcome
{
    enum class Status { Written, Skipped };

    Status status = Status::Skipped;
    QString output; ///< the written file; empty when skipped
    QString reason; ///< why the file was skipped, in words for the user; empty when written
    QString note; ///< what the user should know about a written file ("first of 3 pages"); usually empty
};

/// What one run has learnt about the names in its output folder: for each output name, the first number
/// that is not yet known to be taken (0 for the name itself). A run that names thousands of files alike
/// then tries each number once instead of every number for every file (BatchController::GetNewFile).
/// Any thread.
class TakenNames
{
public:
    [[nodiscard]] int firstUnknown(const QByteArray& name) const;
    /// Notes that every number below \a next is taken for \a name.
    void remember(const QByteArray& name, int next);

private:
    mutable std::mutex m_mutex;
    QHash<QByteArray, int> m_next;
};

/// Where one run writes: the output folder and what the run has learnt about the names taken in it.
/// One per run, shared by all its threads.
struct OutputFolder
{
    explicit OutputFolder(QString folder)
        : path(std::move(folder))
    { }

    const QString path;
    TakenNames taken;
};

/// A source converted into a work file of the output folder that has no name yet.
struct ConvertedFile
{
    ConversionOutcome outcome; ///< Written (with no output yet) when \a file holds the finished image
    std::unique_ptr<WorkFile> file;
};

/// One file of a run, the same for the window and the command line: loads \a source into \a wrapper
/// (turned upright when \a fixOrientation is set), keeps the full size, saves it without metadata into
/// a new file of \a output and gives it its name there (BatchController::GetNewFile) once it is whole.
/// A file that cannot be read or written takes no name and leaves nothing behind; nothing existing is
/// ever replaced. The note tells of pages or frames left out. Runs on the caller's thread; the wrapper
/// is the caller's.
[[nodiscard]] ConversionOutcome ConvertFile(
    ImageWrapper& wrapper, const QString& source, bool fixOrientation, OutputFolder& output);

/// The first half of ConvertFile: reads \a source and writes it into a work file in \a folder in the
/// type that \a outputName's extension asks for, without naming it.
[[nodiscard]] ConvertedFile convertToWorkFile(ImageWrapper& wrapper, const QString& source,
    const QString& outputName, bool fixOrientation, const QString& folder);

/// The second half: names a converted file after \a outputName in \a output. A file that cannot be
/// named becomes a skipped one.
void nameConvertedFile(ConvertedFile& converted, const QString& outputName, OutputFolder& output);

/// Why \a source cannot be loaded as an image: "not found", "could not be read: ...", "not a regular
/// file", "empty file", "not a supported image" or "could not be decoded".
[[nodiscard]] QString describeUnloadableSource(const QString& source);
