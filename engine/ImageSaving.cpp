// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ImageSaving.h"

std::atomic<bool> isRunningOnSnowLeopardOrLater{true};
