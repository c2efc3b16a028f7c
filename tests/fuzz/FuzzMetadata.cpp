// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the metadata reader: the properties of the input are read as for a file of
// the format its first bytes name (or, for other bytes, of the format the first byte picks). Encoding them
// again (the keep-all mode's EXIF block) is left to the whole-path target: under the sanitizers Exiv2's
// encoder costs several times what reading costs.
#include "engine/core/LibraryMessages.h"
#include "engine/metadata/MetadataReader.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget("morvane_fuzz_metadata");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes = fuzzInput(data, size);
    const ImageFormat format = sniffImageFormat(bytes.left(32)).value_or(ImageFormat(data[0] % 5));
    const PropertyDictionary properties = readImageProperties(bytes, format);
    // What the engine promises of what it read: an orientation is a number, DPI values are positive.
    for (const std::string& key : { kCGImagePropertyDPIWidth, kCGImagePropertyDPIHeight }) {
        if (properties.contains(key) && !(properties.real(key).value_or(0) > 0))
            fuzzFailure("a resolution that is not a positive number");
    }
    if (properties.contains(kCGImagePropertyOrientation) && !properties.integer(kCGImagePropertyOrientation))
        fuzzFailure("an orientation that is not a number");
    (void)takeLibraryMessages();
    return 0;
}
