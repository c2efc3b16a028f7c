// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/MetadataLibrary.h"

#include "engine/core/LibraryMessages.h"

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
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler([](int, const char* message) {
            recordLibraryMessage(QString::fromLocal8Bit(message).trimmed());
        });
        Exiv2::XmpParser::initialize(lockXmpToolkit, &xmpToolkitMutex);
    });
}
