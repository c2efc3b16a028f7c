// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/FileConversion.h"

#include <QByteArray>

/// What the command line says about one input.
struct Report
{
    QByteArray source; ///< the input's path as the file system spells it
    ConversionOutcome outcome;
};

/// \a text as it can be shown on a terminal exactly and harmlessly: control characters (C0, DEL, C1),
/// line separators and direction overrides become escapes ("\n", "\x1b", "\u{202e}"), bytes that are not
/// UTF-8 become "\xNN" and a backslash doubles, so a name can neither forge a line of the report nor
/// steer the terminal.
[[nodiscard]] QByteArray escapedForTerminal(const QByteArray& text);

/// The report's JSON object on one line: "source" and "output" (valid UTF-8; "source_hex" and
/// "output_hex" add the path's bytes when they are not), "status", "checked" (true for a written copy: it was
/// read back and held nothing personal), "reason" and "note", each null when it does not apply.
[[nodiscard]] QByteArray jsonLine(const Report& report);

/// The report's line for the terminal, escaped: a skipped file with its reason, a written file with its
/// note; empty for a written file without one and for a file that a stopped run never started.
[[nodiscard]] QByteArray textLine(const Report& report);
