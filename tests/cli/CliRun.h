#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// zentrava-cli run to its end: exit code -2 when it did not finish in time, -3 when it crashed.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs zentrava-cli with "--home home" before args, in folder, with input on its standard input.
inline Run RunCli(const QString& home, const QStringList& args, const QString& folder = {},
                  const QByteArray& input = {},
                  const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ZENTRAVA_CLI), QStringList{QStringLiteral("--home"), home} + args);
    if (!process.waitForStarted(30000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(180000))
    {
        process.kill();
        process.waitForFinished(5000);
        return {-2, {}, QStringLiteral("did not finish")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// The run ends with exit code 0; its output is shown when it does not.
#define QVERIFY_SUCCEEDS(run)                                                                                \
    do                                                                                                       \
    {                                                                                                        \
        const Run finished = (run);                                                                          \
        QVERIFY2(finished.exitCode == 0, qPrintable(finished.err + finished.out));                           \
    } while (false)
