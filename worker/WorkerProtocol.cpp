// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/WorkerProtocol.h"

#include "worker/Record.h"

namespace WorkerProtocol {

QByteArray seal(Kind kind, std::uint64_t sequence, QByteArrayView body)
{
    RecordWriter header;
    header.putU32(kMark).putU8(std::uint8_t(kind)).putU64(sequence);
    QByteArray packet = header.take();
    packet.append(body);
    return packet;
}

std::optional<Envelope> open(QByteArrayView packet)
{
    if (packet.size() < kHeaderBytes)
        return std::nullopt;
    RecordReader header(packet.first(kHeaderBytes));
    const std::uint32_t mark = header.getU32();
    const std::uint8_t kind = header.getU8();
    const std::uint64_t sequence = header.getU64();
    if (!header.finished() || mark != kMark || kind < std::uint8_t(Kind::Hello)
        || kind > std::uint8_t(Kind::OutOfMemory))
        return std::nullopt;
    return Envelope { Kind(kind), sequence, packet.sliced(kHeaderBytes) };
}

} // namespace WorkerProtocol
