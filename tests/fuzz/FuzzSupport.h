// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <optional>

// What the fast fuzz targets share: a setting like the program's and a way to report a broken promise.

/// Frames claiming more pixels than this are not decoded by the fast targets: the engine's own bound
/// admits frames that take a long time to fill, and a fast target spends its time on many small inputs.
inline constexpr qint64 kFastTargetMaxPixels = qint64(1) << 16;

/// Once per process: Qt under an offscreen GUI application (the program always runs the engine under
/// one), Qt's messages dropped, the engine set up, and Qt's readers held to a small allocation limit.
void startFuzzTarget(const char* name);

/// The fuzzer's input as bytes (a deep copy: the engine may keep what it is given).
[[nodiscard]] QByteArray fuzzInput(const std::uint8_t* data, std::size_t size);

/// The frame size that the header of the image in \a data claims, read without decoding pixels, so
/// that a target can pass over frames too large for it. A PNG whose chunks do not all fit the data is
/// not read (libpng would allocate what a chunk claims; the engine refuses such a file unread). Null
/// when there is no readable header.
[[nodiscard]] std::optional<QSize> claimedFrameSize(const QByteArray& data);

/// Reports a broken promise where the sanitizers report (libFuzzer may have closed stderr) and stops, so
/// that libFuzzer keeps the input.
[[noreturn]] void fuzzFailure(const char* what);
