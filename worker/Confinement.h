// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

/// What a worker asks of its own confinement.
struct ConfinementLimits
{
    /// The one socket the worker talks to its parent through: the only descriptor it may send or
    /// receive messages on. -1 when it has none.
    int channelDescriptor = -1;
    /// The address space the process may map, in bytes; 0 for no limit. Ignored in a build with
    /// AddressSanitizer, which reserves terabytes of address space for its shadow memory.
    std::uint64_t addressSpaceBytes = 0;
    /// The highest descriptor number the process may open, plus one.
    int maxDescriptors = 64;
    /// Whether to apply each layer. Both are on for real work; turning one off shows in tests what the
    /// other holds on its own.
    bool useLandlock = true;
    bool useSeccomp = true;
    /// Applies Landlock as an older kernel would: with at most this ABI's rights; 0 for all the kernel
    /// offers. For tests of what older kernels get.
    int maxLandlockAbi = 0;
};

/// What a process got when it confined itself, or what a worker will get (probeConfinement).
struct ConfinementReport
{
    /// The Landlock ABI the file-system (and, from ABI 4, network and, from ABI 6, scope) restrictions
    /// were applied with; 0 when Landlock was not applied.
    int landlockAbi = 0;
    /// Whether the system-call filter is in place.
    bool seccomp = false;
    /// The address-space limit set, in bytes; 0 when none.
    std::uint64_t addressSpaceBytes = 0;
    /// Why Landlock or the filter is missing, in a few words ("no Landlock in this kernel").
    QString landlockMissing;
    QString seccompMissing;

    [[nodiscard]] bool confined() const { return landlockAbi > 0 || seccomp; }
    /// One line for --version, the About box and logs: "confined: Landlock ABI 7, seccomp",
    /// "confined: seccomp (no Landlock in this kernel)", "not confined: ...".
    [[nodiscard]] QString describe() const;

    /// The report in the worker record encoding, and back. fromRecord() is for bytes from a worker:
    /// nullopt when they are not exactly one report within its bounds.
    [[nodiscard]] QByteArray toRecord() const;
    [[nodiscard]] static std::optional<ConfinementReport> fromRecord(QByteArrayView record);
};

/// Confines the calling process for good, best effort by what the kernel offers: no new privileges;
/// no core dumps, the address-space limit and a small descriptor limit; Landlock with every file-system
/// right the kernel knows handled and none granted (no file can be opened, created, removed or executed
/// through a path), TCP bind and connect handled from ABI 4, abstract unix sockets and signals scoped to
/// the process from ABI 6; then a system-call filter that lets through what decoding and encoding into
/// handed descriptors need and refuses everything else with EPERM, never by killing. Capabilities are
/// dropped. Call it before the process starts threads: Landlock confines only the calling thread (it is
/// skipped, and says so, when other threads still run after a second's wait); the filter covers every
/// thread.
[[nodiscard]] ConfinementReport confineThisProcess(const ConfinementLimits& limits);

/// What confineThisProcess() would get in a worker started now, without confining the caller: for
/// --version and the About box.
[[nodiscard]] ConfinementReport probeConfinement();

/// The Landlock ABI the running kernel offers; 0 when it has none or Landlock is disabled.
[[nodiscard]] int kernelLandlockAbi();
