// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

/// Converts a list of sources into one folder on several threads, with exactly the names a run that
/// went through the list one file at a time would give: loading and saving run in parallel, while the
/// output names are reserved strictly in list order. Each worker thread owns one image wrapper.
///
/// \a progress is called (under a lock, on a worker thread) each time a file is done, with the number
/// done so far. Returns one outcome per source, in list order.
[[nodiscard]] std::vector<ConversionOutcome> convertInParallel(const QStringList& sources,
    const QString& folder, int jobs, const std::function<void(int done)>& progress);
