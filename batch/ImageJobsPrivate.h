// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspect/MetadataInspector.h"
#include "worker/Record.h"

#include <cstdint>
#include <optional>

/// The requests an image worker serves and how their records are laid out; shared by the parent's side
/// (ImageWorkers.cpp) and the worker's (ImageJobs.cpp). Every request starts with its job and the
/// language its texts are wanted in.
namespace ImageJobs {

enum class Job : std::uint8_t {
    /// The options, the memory each file is allowed, if any, and the files: for each, the source's path
    /// (to name it in texts) and the requested output name; the source and the work file of each as
    /// descriptors, in the same order. Answered with the count and, for each file, its outcome and, for
    /// one left unconverted because it needs more memory, what it needs (0 otherwise).
    Convert = 1,
    /// The source's path and the box; the source. Answered with a size and the pixels' memory file.
    Thumbnail = 3,
    /// Nothing more; the file. Answered with the inspection.
    Inspect = 4,
};

/// The memory allowance of a conversion that may take what it needs: the worker estimates nothing.
inline constexpr std::uint64_t kNoAllowance = ~std::uint64_t(0);

/// The largest message either way: an inspection of a file full of long texts is the largest.
inline constexpr qsizetype kMaxMessageBytes = 8 << 20;
/// The longest text of an answer: a path, a reason, a field's value.
inline constexpr qsizetype kMaxTextBytes = 1 << 20;
/// The most fields an inspection may report.
inline constexpr std::uint32_t kMaxFields = 100000;

/// A request for \a job, in the language the workers are to write in (setImageWorkerLanguage).
[[nodiscard]] RecordWriter requestFor(Job job);
/// Opens \a source for a worker: read only, without waiting on a pipe, and without following a link at
/// its last component. -1 with errno set when it cannot.
[[nodiscard]] int openForWorker(const QString& source);

void putInspection(RecordWriter& record, const Inspection& inspection);
/// Nullopt when the record holds no well-formed inspection.
[[nodiscard]] std::optional<Inspection> getInspection(RecordReader& record);

} // namespace ImageJobs
