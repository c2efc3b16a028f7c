// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/// Converts a list of sources into one folder on several threads, with exactly the names a run that
/// went through the list one file at a time would give: each file is converted into a private work file
/// in the folder, and finished files take their final names strictly in list order (a file that could
/// not be converted takes none). No worker ever waits for another. Each worker owns one image wrapper.
///
/// \a progress is called (under a lock, on a worker thread) each time a file is done, with the number
/// done so far. Returns one outcome per source, in list order.
[[nodiscard]] std::vector<ConversionOutcome> convertInParallel(const QStringList& sources,
    const QString& folder, int jobs, const std::function<void(int done)>& progress);
