// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class WorkFile;

// The last step of every written copy: before a finished work file is given its name, it is read back by
// the metadata inspector (engine/MetadataInspector.h) from its open descriptor, so that a copy is kept
// only when nothing personal is found in it. Any thread; one work file at a time.

/// Why the finished copy in \a file must not be kept: "the copy still held: GPS position, Camera model"
/// (the names of what was found, the first few of them) or, when the inspector cannot read it, "the copy
/// could not be checked: " and the reason. Empty when the copy holds nothing personal.
[[nodiscard]] QString refusalOfCopy(const WorkFile& file);
