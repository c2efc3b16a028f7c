// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

/// The envelope of every message between a worker and its parent: a 4-byte mark with the protocol's
/// version, the kind, the number of the request it belongs to, then the body. A worker says hello once
/// (its confinement report as the body, its process id as the number), then answers each request with one
/// reply or an out-of-memory notice carrying the request's number. Private to worker/.
namespace WorkerProtocol {

enum class Kind : std::uint8_t {
    Hello = 1,
    Request = 2,
    Reply = 3,
    OutOfMemory = 4,
};

inline constexpr std::uint32_t kMark = 0x4d565701; // "MVW" and version 1
inline constexpr qsizetype kHeaderBytes = 4 + 1 + 8;
/// The argument that asks a new worker to fork N siblings: "--siblings=N" (siblingsFromArgument).
inline constexpr char kSiblingsOption[] = "--siblings=";

struct Envelope
{
    Kind kind = Kind::Hello;
    std::uint64_t sequence = 0;
    QByteArrayView body; ///< points into the packet it was opened from
};

[[nodiscard]] QByteArray seal(Kind kind, std::uint64_t sequence, QByteArrayView body);
/// Nullopt unless \a packet starts with this version's mark and a known kind.
[[nodiscard]] std::optional<Envelope> open(QByteArrayView packet);

} // namespace WorkerProtocol
