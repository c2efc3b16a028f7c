// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the WebP chunk rewriter (no libwebp: the walk alone), with the cleaning of
// the colour profiles it keeps. Besides the sanitizers' findings it checks what the rewriter promises: a
// refusal writes nothing; a written copy is one whole RIFF structure, padded with zeros, that holds only
// the chunks a clean copy may hold (no EXIF or XMP flag, nothing after it) and is rewritten to itself.
#include "engine/formats/webp/WebpRewriter.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QByteArray>

namespace {

quint32 readLE32(const QByteArray& data, qsizetype at)
{
    return quint32(uchar(data[at])) | quint32(uchar(data[at + 1])) << 8 | quint32(uchar(data[at + 2])) << 16
        | quint32(uchar(data[at + 3])) << 24;
}

/// Checks the chunks in copy[begin, end): whole, zero-padded and of the kinds allowed at that level.
void checkChunks(const QByteArray& copy, qsizetype begin, qsizetype end, bool inFrame)
{
    qsizetype at = begin;
    while (at < end) {
        if (end - at < 8)
            fuzzFailure("a copy ends inside a chunk header");
        const QByteArrayView id(copy.constData() + at, 4);
        const quint64 size = readLE32(copy, at + 4);
        if (quint64(at) + 8 + size + (size & 1) > quint64(end))
            fuzzFailure("a chunk of the copy runs past its container");
        if ((size & 1) && copy[at + 8 + qsizetype(size)] != '\0')
            fuzzFailure("a padding byte of the copy is not zero");
        const bool picture = id == "ALPH" || id == "VP8 " || id == "VP8L";
        if (inFrame ? !picture : !(picture || id == "VP8X" || id == "ICCP" || id == "ANIM" || id == "ANMF"))
            fuzzFailure("the copy holds a chunk a clean copy may not hold");
        if (id == "VP8X" && (size != 10 || at != 12 || (uchar(copy[at + 8]) & 0x0C) != 0))
            fuzzFailure("the copy's VP8X is not one the rewriter writes");
        if (id == "ANMF") {
            if (size < 16)
                fuzzFailure("a frame of the copy has no whole header");
            checkChunks(copy, at + 24, at + 8 + qsizetype(size), true);
        }
        at += 8 + qsizetype(size + (size & 1));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget("morvane_fuzz_webprewrite");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzzInput(data, size);
    QByteArray copy;
    const WebpSink sink = [&copy](QByteArrayView bytes) {
        copy.append(bytes);
        return true;
    };
    const WebpRewriteResult result = rewriteWebp(input, sink);
    if (result == WebpRewriteResult::Failed)
        fuzzFailure("a rewrite into memory failed");
    if (result == WebpRewriteResult::Refused) {
        if (!copy.isEmpty())
            fuzzFailure("a refused rewrite wrote something");
        return 0;
    }
    if (copy.size() < 20 || !copy.startsWith("RIFF") || copy.mid(8, 4) != "WEBP"
        || quint64(readLE32(copy, 4)) + 8 != quint64(copy.size()))
        fuzzFailure("a copy is not one whole RIFF structure");
    checkChunks(copy, 12, copy.size(), false);
    // A clean copy holds nothing the rewriter would drop, and its profile is already clean.
    QByteArray again;
    const WebpSink second = [&again](QByteArrayView bytes) {
        again.append(bytes);
        return true;
    };
    if (rewriteWebp(copy, second) != WebpRewriteResult::Written || again != copy)
        fuzzFailure("a copy does not rewrite to itself");
    return 0;
}
