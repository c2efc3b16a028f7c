// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QProcessEnvironment>

QString dirtyCorpusDir()
{
    return QStringLiteral(MORVANE_CORPUS_DIR "/dirty");
}

QString dirtyReferenceDir()
{
    return QStringLiteral(MORVANE_CORPUS_DIR "/dirty_ref");
}

QString corpusTool(const QString& name)
{
    return QStringLiteral(MORVANE_SHARED_DIR "/corpus/") + name;
}

ProcessResult runProcess(
    const QString& program, const QStringList& arguments, int timeoutMs, const QStringList& extraEnvironment)
{
    QProcess process;
    if (!extraEnvironment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : extraEnvironment) {
            const qsizetype eq = entry.indexOf(u'=');
            env.insert(entry.left(eq), entry.mid(eq + 1));
        }
        process.setProcessEnvironment(env);
    }
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.standardError = QStringLiteral("could not run %1: %2").arg(program, process.errorString());
        return result;
    }
    result.standardOutput = QString::fromUtf8(process.readAllStandardOutput());
    result.standardError = QString::fromUtf8(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ProcessResult checkClean(const QString& dir)
{
    return runProcess(corpusTool(QStringLiteral("check_clean.sh")), { dir }, 300000);
}

QStringList filesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}
