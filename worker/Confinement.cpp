// SPDX-License-Identifier: GPL-3.0-or-later
#include "worker/Confinement.h"

#include "worker/Record.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MORVANE_SANITIZER_SHADOW 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define MORVANE_SANITIZER_SHADOW 1
#endif
#endif

namespace {

// Landlock, as far as this code knows it. The system headers of Debian 12 stop at ABI 2, so the later
// rights are spelled out here; the kernel is asked which ABI it offers and only rights of that ABI are
// handled (a right the kernel does not know makes the whole ruleset fail).
constexpr std::uint64_t kFsRightsAbi1 = (1ULL << 13) - 1; // execute ... make symlink
constexpr std::uint64_t kFsRefer = 1ULL << 13; // ABI 2
constexpr std::uint64_t kFsTruncate = 1ULL << 14; // ABI 3
constexpr std::uint64_t kFsIoctlDev = 1ULL << 15; // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0; // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1; // ABI 4
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1; // ABI 6
constexpr unsigned kCreateRulesetVersion = 1U << 0;

struct LandlockRulesetAttr
{
    std::uint64_t handledAccessFs = 0;
    std::uint64_t handledAccessNet = 0;
    std::uint64_t scoped = 0;
};

constexpr qsizetype kMaxReasonBytes = 256;

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// The kernel's Landlock ABI, or the reason there is none.
int askLandlockAbi(QString* missing)
{
#ifdef SYS_landlock_create_ruleset
    const long abi = ::syscall(SYS_landlock_create_ruleset, nullptr, 0, kCreateRulesetVersion);
    if (abi > 0)
        return int(abi);
    if (missing)
        *missing = errno == EOPNOTSUPP ? QStringLiteral("Landlock is disabled in this kernel")
                                       : QStringLiteral("no Landlock in this kernel");
#else
    if (missing)
        *missing = QStringLiteral("built without Landlock");
#endif
    return 0;
}

/// How many threads the process runs; 0 when /proc cannot tell.
int threadCount()
{
    DIR* tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return 0;
    int count = 0;
    while (const dirent* entry = ::readdir(tasks)) {
        if (entry->d_name[0] != '.')
            ++count;
    }
    ::closedir(tasks);
    return count;
}

/// True when the calling thread is the only one, after waiting up to a second for threads that are
/// ending: a pool's thread that was joined (or a detached one that returned) lingers in the kernel for a
/// moment after its owner stopped waiting for it.
bool aloneAfterEndingThreads()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (threadCount() <= 1)
            return true;
        const timespec pause { 0, 5'000'000 };
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

void setLimit(int resource, rlim_t value)
{
    rlimit limit {};
    if (::getrlimit(resource, &limit) == 0 && limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value)
        value = limit.rlim_max;
    limit.rlim_cur = value;
    limit.rlim_max = value;
    ::setrlimit(resource, &limit);
}

/// Applies Landlock with nothing granted, with the rights of the kernel's ABI or of \a maxAbi when that
/// is lower. Returns the ABI applied, or 0 with the reason.
int applyLandlock(int maxAbi, QString* missing)
{
    int abi = askLandlockAbi(missing);
    if (abi == 0)
        return 0;
    if (maxAbi > 0)
        abi = std::min(abi, maxAbi);
#ifdef SYS_landlock_create_ruleset
    LandlockRulesetAttr attr;
    attr.handledAccessFs = kFsRightsAbi1;
    if (abi >= 2)
        attr.handledAccessFs |= kFsRefer;
    if (abi >= 3)
        attr.handledAccessFs |= kFsTruncate;
    if (abi >= 5)
        attr.handledAccessFs |= kFsIoctlDev;
    if (abi >= 4)
        attr.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    if (abi >= 6)
        attr.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    // Older kernels know a shorter structure: give them only the fields of their ABI.
    const std::size_t size = abi >= 6 ? sizeof attr
        : abi >= 4                    ? offsetof(LandlockRulesetAttr, scoped)
                                      : offsetof(LandlockRulesetAttr, handledAccessNet);
    const long ruleset = ::syscall(SYS_landlock_create_ruleset, &attr, size, 0U);
    if (ruleset < 0) {
        *missing = QStringLiteral("Landlock refused: %1").arg(systemText(errno));
        return 0;
    }
    const long applied = ::syscall(SYS_landlock_restrict_self, int(ruleset), 0U);
    const int error = errno;
    ::close(int(ruleset));
    if (applied != 0) {
        *missing = QStringLiteral("Landlock refused: %1").arg(systemText(error));
        return 0;
    }
    return abi;
#else
    return 0;
#endif
}

/// Drops every capability of the process (a worker started by root keeps none).
void dropCapabilities()
{
    __user_cap_header_struct header {};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct data[2] = {};
    ::syscall(SYS_capset, &header, data);
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
}

/// Builds and loads the system-call filter. Empty on success, else the reason.
QString applySeccomp(int channel)
{
    scmp_filter_ctx filter = ::seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!filter)
        return QStringLiteral("seccomp refused: the filter could not be created");
    struct Release
    {
        scmp_filter_ctx filter;
        ~Release() { ::seccomp_release(filter); }
    } release { filter };

    // A call of another architecture's numbering (int 0x80, x32) is refused the same way, not killed.
    ::seccomp_attr_set(filter, SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_ERRNO(EPERM));
    // The filter covers every thread of the process, also those a library may have started already.
    ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_TSYNC, 1);
    // Every call of a decoder passes the filter: a tree of comparisons rather than a list of them.
    ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_OPTIMIZE, 2);
    // Where the kernel would slow every store of the process against speculative store bypass: the
    // worker's memory holds its own file and nothing else to leak, and decoders are store-heavy.
    ::seccomp_attr_set(filter, SCMP_FLTATR_CTL_SSB, 1);

    int failure = 0;
    auto rule = [&](std::uint32_t action, int syscall, std::initializer_list<scmp_arg_cmp> args = {}) {
        if (syscall < 0)
            return; // not a call of this architecture
        const int result = ::seccomp_rule_add_array(
            filter, action, syscall, unsigned(args.size()), args.size() ? args.begin() : nullptr);
        if (result != 0 && failure == 0)
            failure = -result;
    };
    auto allow = [&](int syscall, std::initializer_list<scmp_arg_cmp> args = {}) {
        rule(SCMP_ACT_ALLOW, syscall, args);
    };

    // Reading and writing the descriptors the worker holds or is handed; never opening one by path.
    for (int call : { SCMP_SYS(read), SCMP_SYS(write), SCMP_SYS(readv), SCMP_SYS(writev), SCMP_SYS(pread64),
             SCMP_SYS(pwrite64), SCMP_SYS(preadv), SCMP_SYS(pwritev), SCMP_SYS(preadv2), SCMP_SYS(pwritev2),
             SCMP_SYS(lseek), SCMP_SYS(fstat), SCMP_SYS(fstatfs), SCMP_SYS(ftruncate), SCMP_SYS(fallocate),
             SCMP_SYS(fsync), SCMP_SYS(fdatasync), SCMP_SYS(close), SCMP_SYS(dup), SCMP_SYS(dup2),
             SCMP_SYS(dup3), SCMP_SYS(memfd_create), SCMP_SYS(eventfd2), SCMP_SYS(pipe2), SCMP_SYS(poll),
             SCMP_SYS(ppoll) })
        allow(call);
    // glibc's fstat() is newfstatat(fd, "", AT_EMPTY_PATH) and Qt's is statx with the same flag. A path
    // is not refused by the flag alone: what it could still do is read the size and dates of a file,
    // never its content (Landlock does not cover stat).
    allow(SCMP_SYS(newfstatat), { SCMP_A3_32(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH) });
    allow(SCMP_SYS(statx), { SCMP_A2_32(SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH) });
    // fcntl without the commands that direct signals at other processes (F_SETOWN, F_SETSIG) or take
    // leases and notifications.
    for (int command :
        { F_DUPFD, F_DUPFD_CLOEXEC, F_GETFD, F_SETFD, F_GETFL, F_SETFL, F_ADD_SEALS, F_GET_SEALS })
        allow(SCMP_SYS(fcntl), { SCMP_A1_32(SCMP_CMP_EQ, unsigned(command)) });

    // Messages only on the socket to the parent.
    if (channel >= 0) {
        for (int call : { SCMP_SYS(sendmsg), SCMP_SYS(recvmsg), SCMP_SYS(sendto), SCMP_SYS(recvfrom) })
            allow(call, { SCMP_A0_32(SCMP_CMP_EQ, unsigned(channel)) });
    }

    // Memory.
    for (int call : { SCMP_SYS(mmap), SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(mprotect),
             SCMP_SYS(madvise), SCMP_SYS(msync), SCMP_SYS(brk), SCMP_SYS(set_mempolicy),
             SCMP_SYS(get_mempolicy), SCMP_SYS(mbind), SCMP_SYS(membarrier) })
        allow(call);

    // Threads: decoders and encoders start their own (dav1d, libde265, x265, aom, Qt's pool). clone only
    // for a thread, never a process or new namespaces; clone3 passes its flags in memory, where the
    // filter cannot look, so it is reported missing and glibc falls back to clone.
    constexpr std::uint64_t kNamespaces = CLONE_NEWNS | CLONE_NEWCGROUP | CLONE_NEWUTS | CLONE_NEWIPC
        | CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET;
    allow(SCMP_SYS(clone), { SCMP_A0_64(SCMP_CMP_MASKED_EQ, CLONE_THREAD | kNamespaces, CLONE_THREAD) });
    rule(SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3));
    for (int call : { SCMP_SYS(futex), SCMP_SYS(futex_waitv), SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
             SCMP_SYS(set_tid_address), SCMP_SYS(sched_yield), SCMP_SYS(getcpu),
             SCMP_SYS(sched_get_priority_min), SCMP_SYS(sched_get_priority_max) })
        allow(call);
    // Scheduling: questions about any thread (pthread_getattr_np asks for the affinity of a thread by its
    // id, AddressSanitizer does for every thread it starts); settings about itself only, by pid 0 or its
    // own pid.
    for (int call : { SCMP_SYS(sched_getaffinity), SCMP_SYS(sched_getparam), SCMP_SYS(sched_getscheduler) })
        allow(call);
    allow(SCMP_SYS(sched_setaffinity), { SCMP_A0_32(SCMP_CMP_EQ, 0) });
    const auto self = unsigned(::getpid());
    allow(SCMP_SYS(sched_setaffinity), { SCMP_A0_32(SCMP_CMP_EQ, self) });
    for (int call : { SCMP_SYS(getpriority), SCMP_SYS(setpriority) })
        allow(call, { SCMP_A0_32(SCMP_CMP_EQ, PRIO_PROCESS), SCMP_A1_32(SCMP_CMP_EQ, 0) });
    allow(SCMP_SYS(prctl), { SCMP_A0_32(SCMP_CMP_EQ, PR_SET_NAME) });
    allow(SCMP_SYS(prctl), { SCMP_A0_32(SCMP_CMP_EQ, PR_GET_NAME) });

    // Time, identity, randomness, resource questions: reading its own limits, never raising them.
    for (int call :
        { SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep), SCMP_SYS(nanosleep),
            SCMP_SYS(gettimeofday), SCMP_SYS(time), SCMP_SYS(getpid), SCMP_SYS(gettid), SCMP_SYS(getppid),
            SCMP_SYS(getuid), SCMP_SYS(geteuid), SCMP_SYS(getgid), SCMP_SYS(getegid), SCMP_SYS(getrandom),
            SCMP_SYS(getrusage), SCMP_SYS(times), SCMP_SYS(getrlimit), SCMP_SYS(uname), SCMP_SYS(sysinfo) })
        allow(call);
    allow(SCMP_SYS(prlimit64), { SCMP_A0_32(SCMP_CMP_EQ, 0), SCMP_A2_64(SCMP_CMP_EQ, 0) });

    // Signals: its own handlers and masks; sending only to itself (abort() raises SIGABRT through tgkill).
    for (int call : { SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
             SCMP_SYS(rt_sigsuspend), SCMP_SYS(sigaltstack), SCMP_SYS(restart_syscall), SCMP_SYS(pause) })
        allow(call);
    allow(SCMP_SYS(kill), { SCMP_A0_32(SCMP_CMP_EQ, self) });
    allow(SCMP_SYS(tgkill), { SCMP_A0_32(SCMP_CMP_EQ, self) });

    allow(SCMP_SYS(exit));
    allow(SCMP_SYS(exit_group));

    if (failure != 0)
        return QStringLiteral("seccomp refused: %1").arg(systemText(failure));
    const int loaded = ::seccomp_load(filter);
    if (loaded != 0)
        return QStringLiteral("seccomp refused: %1").arg(systemText(-loaded));
    return {};
}

bool kernelHasSeccomp()
{
    // 0 when the process runs without a filter, 2 with one; EINVAL when the kernel has no seccomp.
    return ::prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0;
}

} // namespace

int kernelLandlockAbi()
{
    return askLandlockAbi(nullptr);
}

ConfinementReport confineThisProcess(const ConfinementLimits& limits)
{
    ConfinementReport report;
    const bool noNewPrivileges = ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;

    setLimit(RLIMIT_CORE, 0);
    setLimit(RLIMIT_NOFILE, rlim_t(std::max(limits.maxDescriptors, 8)));
#ifndef MORVANE_SANITIZER_SHADOW
    if (limits.addressSpaceBytes > 0) {
        setLimit(RLIMIT_AS, rlim_t(limits.addressSpaceBytes));
        rlimit set {};
        if (::getrlimit(RLIMIT_AS, &set) == 0 && set.rlim_cur != RLIM_INFINITY)
            report.addressSpaceBytes = set.rlim_cur;
    }
#endif

    if (!limits.useLandlock) {
        report.landlockMissing = QStringLiteral("Landlock not asked for");
    } else if (!noNewPrivileges) {
        report.landlockMissing = QStringLiteral("Landlock refused: no_new_privs could not be set");
    } else if (!aloneAfterEndingThreads()) {
        report.landlockMissing = QStringLiteral("Landlock skipped: other threads were already running");
    } else {
        report.landlockAbi = applyLandlock(limits.maxLandlockAbi, &report.landlockMissing);
    }

    dropCapabilities();

    if (!limits.useSeccomp) {
        report.seccompMissing = QStringLiteral("seccomp not asked for");
    } else if (!kernelHasSeccomp()) {
        report.seccompMissing = QStringLiteral("no seccomp in this kernel");
    } else if (!noNewPrivileges) {
        report.seccompMissing = QStringLiteral("seccomp refused: no_new_privs could not be set");
    } else {
        report.seccompMissing = applySeccomp(limits.channelDescriptor);
        report.seccomp = report.seccompMissing.isEmpty();
    }
    return report;
}

ConfinementReport probeConfinement()
{
    ConfinementReport report;
    report.landlockAbi = askLandlockAbi(&report.landlockMissing);
    report.seccomp = kernelHasSeccomp();
    if (!report.seccomp)
        report.seccompMissing = QStringLiteral("no seccomp in this kernel");
    return report;
}

QString ConfinementReport::describe() const
{
    QStringList parts;
    if (landlockAbi > 0)
        parts << QStringLiteral("Landlock ABI %1").arg(landlockAbi);
    if (seccomp)
        parts << QStringLiteral("seccomp");
    QStringList missing;
    if (landlockAbi == 0 && !landlockMissing.isEmpty())
        missing << landlockMissing;
    if (!seccomp && !seccompMissing.isEmpty())
        missing << seccompMissing;
    if (parts.isEmpty())
        return missing.isEmpty() ? QCoreApplication::translate("ConfinementReport", "not confined")
                                 : QCoreApplication::translate("ConfinementReport", "not confined: %1")
                                       .arg(missing.join(QStringLiteral("; ")));
    QString text = QCoreApplication::translate("ConfinementReport", "confined: %1")
                       .arg(parts.join(QStringLiteral(", ")));
    if (!missing.isEmpty())
        text += QStringLiteral(" (%1)").arg(missing.join(QStringLiteral("; ")));
    return text;
}

QByteArray ConfinementReport::toRecord() const
{
    RecordWriter record;
    record.putU32(std::uint32_t(landlockAbi))
        .putU8(seccomp ? 1 : 0)
        .putU64(addressSpaceBytes)
        .putBytes(landlockMissing.toUtf8().left(kMaxReasonBytes))
        .putBytes(seccompMissing.toUtf8().left(kMaxReasonBytes));
    return record.take();
}

std::optional<ConfinementReport> ConfinementReport::fromRecord(QByteArrayView bytes)
{
    RecordReader record(bytes);
    ConfinementReport report;
    const std::uint32_t abi = record.getU32();
    const std::uint8_t seccomp = record.getU8();
    report.addressSpaceBytes = record.getU64();
    report.landlockMissing = record.getString(kMaxReasonBytes);
    report.seccompMissing = record.getString(kMaxReasonBytes);
    if (!record.finished() || abi > 1000 || seccomp > 1)
        return std::nullopt;
    report.landlockAbi = int(abi);
    report.seccomp = seccomp == 1;
    return report;
}
