// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Notices.h"
#include "batch/NotificationCenter.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

TEST(Notices, ReachTheirObserversInOrderOnThePostingThreadBeforeThePostReturns)
{
    NotificationCenter center;
    std::vector<int> calls;
    std::vector<std::thread::id> threads;
    QVariantMap seenInfo;
    const void* seenSender = nullptr;
    for (int i = 1; i <= 3; ++i) {
        center.addObserver(kMsgUpdateProgress, [&, i](const Notification& notice) {
            calls.push_back(i);
            threads.push_back(std::this_thread::get_id());
            seenInfo = notice.userInfo;
            seenSender = notice.object;
        });
    }
    center.addObserver(kMsgProgressCanceled, [&](const Notification&) { calls.push_back(-1); });

    const int sender = 0;
    const QVariantMap progress { { kProgressMessageKey, QStringLiteral("Removing EXIF for 1 of 3 ...") },
        { kProgressTotalKey, 3 }, { kProgressCurrentKey, 0 } };
    std::vector<int> seenAtReturn;
    std::thread::id worker;
    std::thread thread([&] {
        worker = std::this_thread::get_id();
        center.postNotificationName(kMsgUpdateProgress, &sender, progress);
        seenAtReturn = calls;
    });
    thread.join();

    EXPECT_EQ(seenAtReturn, (std::vector<int> { 1, 2, 3 }));
    EXPECT_EQ(threads, std::vector<std::thread::id>(3, worker));
    EXPECT_EQ(seenInfo, progress);
    EXPECT_EQ(seenSender, &sender);

    // An observer may post itself without deadlocking the centre; a removed observer hears nothing.
    const auto id = center.addObserver(
        kMsgStartProgress, [&](const Notification&) { center.postNotificationName(kMsgProgressCanceled); });
    center.postNotificationName(kMsgStartProgress);
    center.removeObserver(id);
    center.postNotificationName(kMsgStartProgress);
    EXPECT_EQ(calls, (std::vector<int> { 1, 2, 3, -1 }));
}

} // namespace
