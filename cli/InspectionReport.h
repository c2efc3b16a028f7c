// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspect/MetadataInspector.h"

#include <QByteArray>
#include <QIODevice>
#include <QJsonObject>
#include <QList>

#include <functional>

// What the command line prints when asked to inspect files instead of converting them: per file, the
// groups and their fields as text for a person, or one JSON object per line for a program. Writes nothing
// but the report. Any thread; one report stream per call.

/// Turns a path (in the file system's bytes) into the form a terminal may show: the caller's escaping of
/// control characters, direction overrides and bytes that are not UTF-8.
using ShownPath = std::function<QByteArray(const QByteArray& path)>;

/// One file's report as text, ending in a newline. \a shownSource is the path as the terminal shows it.
///   photo.jpg: Location, People
///     Location
///       GPS position: 48.8584 N, 2.2945 E
///     People
///       Artist: Jane Doe
/// A clean file is one line ("photo.jpg: Nothing personal found"), an unreadable one says why
/// ("photo.jpg: could not be read: No such file or directory").
[[nodiscard]] QByteArray inspectionText(const QByteArray& shownSource, const Inspection& inspection);

/// One file's report as a JSON object: "source" (the path as valid UTF-8, with "source_hex" giving its
/// bytes when they are not) and the keys of inspectionToJson(): "readable", then "reason", or "summary",
/// "groups" under the names Location, Device, Time, People, Text and Hidden, and "location".
[[nodiscard]] QJsonObject inspectionReport(const QByteArray& source, const Inspection& inspection);

/// Inspects each of \a sources in turn (paths in the file system's bytes) and writes its report to
/// \a out, as text or as one compact JSON object per line. Returns the command's exit status: 0 when
/// every file was read, 1 when any could not be (each is reported with its reason). What a file's name
/// gives away is reported with it (addFileNameFindings): the name in \a names at its index, the name a
/// copy would be given (a link's own name), else the last component of its path.
[[nodiscard]] int writeInspectionReports(const QList<QByteArray>& sources, bool json, QIODevice& out,
    const ShownPath& shown, const QStringList& names = {});
