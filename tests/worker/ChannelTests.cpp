// SPDX-License-Identifier: GPL-3.0-or-later
// The socket between a worker and its parent, in one process: what arrives, and what is refused
// whatever the other end sends.
#include "tests/common/TestSupport.h"
#include "tests/worker/RawSend.h"
#include "worker/Channel.h"
#include "worker/Confinement.h"
#include "worker/Record.h"

#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

struct Pair
{
    Channel near;
    Descriptor far;
};

Pair makePair(qsizetype maxPayload = 1024)
{
    auto ends = Channel::createSocketPair();
    if (!ends)
        throw std::runtime_error("socketpair");
    return Pair { Channel(std::move(ends->first), maxPayload), std::move(ends->second) };
}

} // namespace

void PrintTo(ChannelStatus status, std::ostream* os)
{
    *os << channelStatusName(status);
}

TEST(Channel, DeliversPayloadAndDescriptorsThatReferToTheSameFilesAndCloseOnExec)
{
    auto ends = Channel::createSocketPair();
    ASSERT_TRUE(ends);
    Channel sender(std::move(ends->first));
    Channel receiver(std::move(ends->second));

    FILE* first = std::tmpfile();
    FILE* second = std::tmpfile();
    ASSERT_TRUE(first && second);
    const int handed[] = { ::fileno(first), ::fileno(second) };
    ASSERT_EQ(sender.send("hello", handed), ChannelStatus::Ok);

    ChannelMessage message;
    ASSERT_EQ(receiver.receive(message, 5s), ChannelStatus::Ok);
    EXPECT_EQ(message.payload.toStdString(), "hello");
    ASSERT_EQ(message.descriptors.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        struct stat original
        {
        }, received {};
        ASSERT_EQ(::fstat(handed[i], &original), 0);
        ASSERT_EQ(::fstat(message.descriptors[i].get(), &received), 0);
        EXPECT_EQ(original.st_ino, received.st_ino);
        EXPECT_EQ(original.st_dev, received.st_dev);
        EXPECT_NE(::fcntl(message.descriptors[i].get(), F_GETFD) & FD_CLOEXEC, 0);
    }
    std::fclose(first);
    std::fclose(second);
}

struct HostilePacket
{
    const char* name;
    qsizetype bytes; ///< payload size; 0 sends an empty packet
    int descriptors; ///< copies of standard error attached
    ChannelStatus expected;
};

void PrintTo(const HostilePacket& packet, std::ostream* os)
{
    *os << packet.name;
}

class ChannelRefuses : public ::testing::TestWithParam<HostilePacket>
{
};

TEST_P(ChannelRefuses, WhatBreaksItsBoundsClosesWhatCameAndStaysUsable)
{
    const HostilePacket packet = GetParam();
    Pair pair = makePair(1024);
    const int before = openDescriptorCount();

    ASSERT_GE(sendRaw(pair.far.get(), QByteArray(packet.bytes, 'x'),
                  std::vector<int>(std::size_t(packet.descriptors), 2)),
        0);
    ChannelMessage message;
    EXPECT_EQ(pair.near.receive(message, 5s), packet.expected);
    EXPECT_TRUE(message.payload.isEmpty());
    EXPECT_TRUE(message.descriptors.empty());
    EXPECT_EQ(openDescriptorCount(), before) << "every descriptor that came is closed";

    // The next good message arrives as sent.
    ASSERT_GE(sendRaw(pair.far.get(), "next", {}), 0);
    EXPECT_EQ(pair.near.receive(message, 5s), ChannelStatus::Ok);
    EXPECT_EQ(message.payload.toStdString(), "next");
}

INSTANTIATE_TEST_SUITE_P(Packets, ChannelRefuses,
    ::testing::Values(HostilePacket { "AboveTheBound", 1025, 0, ChannelStatus::TooLarge },
        HostilePacket { "FarAboveTheBoundWithDescriptors", 60000, 2, ChannelStatus::TooLarge },
        HostilePacket { "TooManyDescriptors", 10, Channel::kMaxDescriptors + 1, ChannelStatus::Malformed },
        HostilePacket { "FarTooManyDescriptors", 10, 250, ChannelStatus::Malformed },
        HostilePacket { "EmptyWithADescriptor", 0, 1, ChannelStatus::Malformed }),
    [](const ::testing::TestParamInfo<HostilePacket>& param) { return std::string(param.param.name); });

TEST(Channel, RefusesToSendWhatTheOtherEndWouldRefuse)
{
    Pair pair = makePair(1024);
    const std::vector<int> tooMany(Channel::kMaxDescriptors + 1, 2);
    EXPECT_EQ(pair.near.send(QByteArray()), ChannelStatus::Malformed);
    EXPECT_EQ(pair.near.send(QByteArray(1025, 'x')), ChannelStatus::TooLarge);
    EXPECT_EQ(pair.near.send("x", tooMany), ChannelStatus::Malformed);

    // Nothing of it reached the other end.
    char byte = 0;
    EXPECT_EQ(::recv(pair.far.get(), &byte, 1, MSG_DONTWAIT), -1);
    EXPECT_EQ(errno, EAGAIN);
}

// Whether a receive sleeps at once or first asks in a loop (a spin far longer than its timeout).
TEST(Channel, TellsTimeoutFromPeerGone)
{
    for (const std::chrono::microseconds spin : { 0us, std::chrono::microseconds(5s) }) {
        SCOPED_TRACE(spin.count());
        Pair pair = makePair();
        pair.near.setSpin(spin);
        ChannelMessage message;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(pair.near.receive(message, 20ms), ChannelStatus::Timeout);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        ASSERT_EQ(::send(pair.far.get(), "y", 1, 0), 1);
        EXPECT_EQ(pair.near.receive(message, 5s), ChannelStatus::Ok);
        EXPECT_EQ(message.payload, "y");
        pair.far.reset();
        EXPECT_EQ(pair.near.receive(message, 5s), ChannelStatus::PeerGone);
        EXPECT_EQ(pair.near.send("x"), ChannelStatus::PeerGone);
    }
}

TEST(Channel, SendTimesOutWhenTheOtherEndReadsNothing)
{
    Pair pair = makePair(60000);
    const QByteArray block(60000, 'x');
    ChannelStatus status = ChannelStatus::Ok;
    // The socket's buffer fills after a few blocks; the send then waits its time and gives up.
    for (int i = 0; i < 1000 && status == ChannelStatus::Ok; ++i)
        status = pair.near.send(block, {}, 20ms);
    EXPECT_EQ(status, ChannelStatus::Timeout);
}

// A confinement report comes from a worker: every truncation, extension and overlong field is refused.
TEST(ConfinementReportRecord, RefusesEveryRecordThatIsNotExactlyOneReport)
{
    ConfinementReport report;
    report.landlockAbi = 6;
    report.seccomp = true;
    report.addressSpaceBytes = 1u << 30;
    report.landlockMissing = QStringLiteral("reason");
    const QByteArray record = report.toRecord();

    const auto back = ConfinementReport::fromRecord(record);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->describe(), report.describe());
    EXPECT_EQ(back->addressSpaceBytes, report.addressSpaceBytes);

    for (qsizetype size = 0; size < record.size(); ++size) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(ConfinementReport::fromRecord(record.first(size)));
    }
    EXPECT_FALSE(ConfinementReport::fromRecord(record + 'x'));

    // A reason stated as 4 GiB long, and one longer than the bound that is really there.
    QByteArray huge = record.first(4 + 1 + 8);
    huge += QByteArray("\xff\xff\xff\xff", 4);
    EXPECT_FALSE(ConfinementReport::fromRecord(huge));
    const QByteArray overlong
        = RecordWriter().putU32(1).putU8(1).putU64(0).putBytes(QByteArray(300, 'a')).putBytes({}).take();
    EXPECT_FALSE(ConfinementReport::fromRecord(overlong));
    const QByteArray badFlag = RecordWriter().putU32(1).putU8(2).putU64(0).putBytes({}).putBytes({}).take();
    EXPECT_FALSE(ConfinementReport::fromRecord(badFlag));
}
