// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the HEIF container rewrite: the structure walk, the unit walks of the coded
// data and the new container. Besides the sanitizers' findings it checks what the rewrite promises: a
// file it writes is one it reads again as a HEIF file of 'ftyp', 'meta' and 'mdat' only, that holds no
// more coded data than the source, and that rewrites to itself; a file it refuses gets a reason and
// nothing written.
#include "engine/core/ImageFormat.h"
#include "engine/formats/heif/HeifRewriter.h"
#include "tests/fuzz/FuzzSupport.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

/// Rewrites \a source into a memory file; the result and the bytes written.
std::pair<HeifRewriteResult, QByteArray> rewritten(const QByteArray& source, QString* reason)
{
    const int fd = memfd_create("heifrewrite", MFD_CLOEXEC);
    if (fd < 0)
        fuzzFailure("no memory file");
    const HeifRewriteResult result = rewriteHeif(source, fd, std::nullopt, reason);
    const off_t size = lseek(fd, 0, SEEK_END);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 && pread(fd, bytes.data(), size_t(size), 0) != ssize_t(size))
        fuzzFailure("the memory file cannot be read");
    close(fd);
    return { result, bytes };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget("morvane_fuzz_heifrewrite");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzzInput(data, size);
    if (!isHeifFile(bytes))
        return -1;
    QString reason;
    const auto [result, copy] = rewritten(bytes, &reason);
    if (result == HeifRewriteResult::NeedsReencode) {
        if (reason.isEmpty() || !copy.isEmpty())
            fuzzFailure("a refused file has no reason or left bytes behind");
        return 0;
    }
    if (result != HeifRewriteResult::Written)
        fuzzFailure("writing to a memory file failed");
    QString why;
    const std::optional<HeifStructure> structure = readHeifStructure(copy, &why);
    if (!structure || structure->boxesEnd != copy.size())
        fuzzFailure("a copy is no HEIF file of whole boxes");
    if (!checkHeifPrimaryImage(*structure, kMaxDecodedPixels, &why))
        fuzzFailure("a copy's primary image is refused");
    QString again;
    const auto [secondResult, second] = rewritten(copy, &again);
    if (secondResult != HeifRewriteResult::Written || second != copy)
        fuzzFailure("a copy does not rewrite to itself");
    return 0;
}
