// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/cli/CliFixture.h"

#include <QProcessEnvironment>

namespace {

// Generous: a sanitizer build converting the whole dirty set on two shared cores takes minutes.
constexpr int kRunTimeoutMs = 300000;

} // namespace

QString cliProgram()
{
    return QStringLiteral(MORVANE_CLI_PATH);
}

QStringList cliEnvironment(const QString& configHome)
{
    return { QStringLiteral("XDG_CONFIG_HOME=") + configHome };
}

ProcessResult runCli(
    const QStringList& arguments, const QString& configHome, const QStringList& extraEnvironment)
{
    return runProcess(cliProgram(), arguments, kRunTimeoutMs, cliEnvironment(configHome) + extraEnvironment);
}

ProcessResult runCliUnder(const QStringList& wrapper, const QStringList& arguments, const QString& configHome,
    const QStringList& extraEnvironment)
{
    return runProcess(wrapper.first(), wrapper.mid(1) + QStringList { cliProgram() } + arguments,
        kRunTimeoutMs, cliEnvironment(configHome) + extraEnvironment);
}

void startCli(QProcess& process, const QStringList& arguments, const QString& configHome)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    process.setProcessEnvironment(environment);
    process.start(cliProgram(), arguments);
}
