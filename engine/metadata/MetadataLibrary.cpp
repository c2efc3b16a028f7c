// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/MetadataLibrary.h"

#include <exiv2/exiv2.hpp>
#include <mutex>

namespace {

std::mutex xmpToolkitMutex;

void lockXmpToolkit(void* data, bool lock)
{
    auto* mutex = static_cast<std::mutex*>(data);
    if (lock)
        mutex->lock();
    else
        mutex->unlock();
}

} // namespace

void initializeMetadataLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Exiv2's warnings and errors speak of the metadata, which is never copied: never the reason a
        // file could not be converted, and never printed.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::LogMsg::setHandler([](int, const char*) {});
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpToolkitMutex);
    });
}
