// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/OutputNaming.h"
#include "batch/RunOptions.h"

#include <QString>

#include <functional>
#include <memory>

class ImageWrapper;
class WorkFile;

/// Makes a new, empty work file for a copy, or says why it cannot (null, with the reason in \a error).
using WorkFileMaker = std::function<std::unique_ptr<WorkFile>(QString* error)>;

/// What became of one source file in a run.
struct ConversionOutcome
{
    enum class Status {
        Written,
        Skipped,
        /// Never started: the run was stopped before the file's turn came (reported as skipped, its
        /// reason "interrupted").
        NotStarted,
    };

    Status status = Status::Skipped;
    QString output; ///< the written file; empty when skipped
    QString reason; ///< why the file was skipped, in words for the user; empty when written
    QString note; ///< what the user should know about a written file ("first of 3 pages"); usually empty
    /// For a written file: its pixels were decoded and encoded again. False for a copy that keeps the
    /// source's coded data (a JPEG kept losslessly, a HEIF file's container rewritten).
    bool reencoded = false;
};

/// A source converted into a work file of the output folder that has no name yet.
struct ConvertedFile
{
    ConversionOutcome outcome; ///< Written (with no output yet) when \a file holds the finished image
    std::unique_ptr<WorkFile> file;
    QString outputName; ///< the name the file asks for (RunOptions::outputNameFor); empty when skipped early
    /// Numbered: the file is named by number (nameNumberedOutputFile) with outputName's extension.
    OutputNames names = OutputNames::Source;
    /// The folder below the output folder the file is named in ("a/b"); empty for the output folder.
    QString subfolder;
};

/// One file of a run, the same for the window and the command line, in two halves. The first reads
/// \a source into \a wrapper (turned upright when \a options say so), keeps the full size and saves it
/// without metadata, at the options' quality, into a new work file of \a folder in the type that
/// \a outputName's extension asks for, or JPEG when the options' output format says so (outputNameFor),
/// without naming it. A file that cannot be read or written leaves
/// nothing behind and says why; the note tells of pages or frames left out. A TIFF of several pages
/// written as a TIFF keeps every page (saveTiffPages); one whose pages cannot all be written is written
/// as its first page, and the note says why. With the options'
/// keepJpegQuality, a JPEG source written as JPEG keeps its compressed data (saveJpegLosslessly) and the
/// wrapper is not used; one that cannot be kept so is re-encoded as usual, and the note says why. A HEIF
/// source written in its own type keeps its coded data the same way, its container rewritten
/// (saveRewrittenContainer), whatever the options; one that cannot be is re-encoded with a note. A WebP
/// source (by content) written as WebP is always cleaned by rewriting its chunks (saveRewrittenContainer),
/// every frame of an animation kept; when it must be turned upright or its structure cannot be carried
/// over, it is re-encoded as usual (a lossless one losslessly), and the note says why. Every
/// finished copy is read back by the metadata inspector before it is handed on (refusalOfCopy): a
/// Written outcome is a checked copy, and one in which anything personal was found is dropped and its
/// source skipped with what the copy still held. Runs on the caller's thread; the wrapper is the caller's.
[[nodiscard]] ConvertedFile convertToWorkFile(ImageWrapper& wrapper, const QString& source,
    const QString& outputName, const RunOptions& options, const QString& folder);
/// The same with the work files \a newWorkFile makes: a confined worker empties the one its parent
/// handed over for each attempt.
[[nodiscard]] ConvertedFile convertToWorkFile(ImageWrapper& wrapper, const QString& source,
    const QString& outputName, const RunOptions& options, const WorkFileMaker& newWorkFile);

/// The second half: names a converted file after \a outputName (or the name its conversion chose) in
/// \a output (nameOutputFile), or by number when its options said so (nameNumberedOutputFile), so that
/// nothing existing is ever replaced. A file with a subfolder is named in that folder below the output
/// folder, made as needed (openOutputSubfolder). A file that cannot be named becomes a skipped one.
void nameConvertedFile(ConvertedFile& converted, const QString& outputName, OutputFolder& output);

/// Why \a source cannot be loaded as an image: "not found", "could not be read: ...", "not a regular
/// file", "empty file", "not a supported image" or "could not be decoded".
[[nodiscard]] QString describeUnloadableSource(const QString& source);
