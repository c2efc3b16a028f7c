// SPDX-License-Identifier: GPL-3.0-or-later
// TEMPORARY stand-in until the giflib encoder lands.
#include "engine/GifEncoder.h"
bool encodeGif(const QImage&, int)
{
    return false;
}
