// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the engine's SSE2 kernels are compiled: where the compiler targets SSE2 (every x86-64 build)
// and the build leaves them on (-DMORVANE_SIMD=OFF turns them off, so that the plain loops beside them
// can be tested on x86 too). Every kernel has a plain loop for the other processors.
#if defined(__SSE2__) && !defined(MORVANE_NO_SIMD)
#define MORVANE_SSE2 1
#include <emmintrin.h>
#else
#define MORVANE_SSE2 0
#endif
