// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/inspect/MetadataInspector.h"
#include "engine/structure/HeifBoxes.h"

/// Reports, as hidden data in \a blocks, what the coded images of a HEIF file carry besides pictures:
/// supplemental NAL units (SEI) in an HEVC image's configuration or data, and metadata OBUs in an AV1
/// image's configuration or data, of every coded item (thumbnails and auxiliary images included). Coded
/// data that does not read as whole units is left to the decoder: it is no place the walk can judge.
/// Private to the inspector's HEIF walk.
void reportHeifCodedMetadata(const HeifStructure& structure, MetadataBlocks& blocks);
