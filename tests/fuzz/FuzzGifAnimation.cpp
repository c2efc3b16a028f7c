// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the rewrite of animated GIFs: the block walk, the LZW decoder and the
// encoder on the way back. Besides the sanitizers' findings it checks the rewrite's promises: a refusal
// gives no file; a rewritten file is a GIF89a of the frames found, ends at its trailer, and is rewritten
// again to the very same bytes (nothing of the source's coding, and nothing the walk skipped, is left for
// a second pass to drop).
#include "engine/formats/gif/GifAnimation.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/common_interface_defs.h>

namespace {

/// The frames' pixels together: small, so that a run stays fast and the bound itself is under test.
constexpr qint64 kMaxFuzzPixels = qint64(1) << 20;

[[noreturn]] void fail(const char* what)
{
    char text[200];
    std::snprintf(text, sizeof text, "morvane_fuzz_gifanimation: %s", what);
    __sanitizer_report_error_summary(text);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const GifAnimation first = rewriteAnimatedGif(input, kMaxFuzzPixels);
    if (first.result != GifAnimationResult::Rewritten) {
        if (!first.file.isEmpty())
            fail("a file beside a refusal");
        return 0;
    }
    if (!first.file.startsWith("GIF89a") || !first.file.endsWith(';') || first.frames < 2)
        fail("a rewritten file that is no whole animated GIF");
    const GifAnimation second = rewriteAnimatedGif(first.file, kMaxFuzzPixels);
    if (second.result != GifAnimationResult::Rewritten || second.frames != first.frames)
        fail("a rewritten file that does not rewrite again");
    if (second.file != first.file)
        fail("a rewritten file that changes when rewritten again");
    return 0;
}
