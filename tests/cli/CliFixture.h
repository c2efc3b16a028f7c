// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-cli as the tests run it: the executable this build made, each run with a settings store of its
// own so that no test reads or changes the preferences of whoever runs the tests.
#pragma once

#include "tests/common/TestSupport.h"

#include <QProcess>
#include <QString>
#include <QStringList>

/// The morvane-cli executable under test.
[[nodiscard]] QString cliProgram();

/// The environment entries (NAME=value) that give a run its settings store in \a configHome.
[[nodiscard]] QStringList cliEnvironment(const QString& configHome);

/// Runs the command line with \a arguments to the end and collects its output; its settings live in
/// \a configHome, \a extraEnvironment (NAME=value) is added to the environment.
[[nodiscard]] ProcessResult runCli(
    const QStringList& arguments, const QString& configHome, const QStringList& extraEnvironment = {});

/// As runCli, the command line started by \a wrapper: its program and arguments, to which the command
/// line's path and then \a arguments are appended (`/usr/bin/time -f ...`, `bash -c 'ulimit ...; exec "$@"'
/// bash`, `sh -c '... "$0" ...'`).
[[nodiscard]] ProcessResult runCliUnder(const QStringList& wrapper, const QStringList& arguments,
    const QString& configHome, const QStringList& extraEnvironment = {});

/// Starts the command line in \a process and returns without waiting, for a test that acts on the run
/// while it goes (signals, a folder pulled away, two runs at once). The process's working folder and
/// anything else set before stay as they are.
void startCli(QProcess& process, const QStringList& arguments, const QString& configHome);
