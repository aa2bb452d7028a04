#pragma once

#include "packing/PackProgress.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

// A progress that records what it was told, cancels once a given number of steps has passed and answers
// password questions from a list.
class CTestProgress : public CPackProgress
{
public:
    explicit CTestProgress(int cancelAfter = -1) : m_cancelAfter(cancelAfter) {}

    std::optional<QString> Password(const QString& archive) override
    {
        askedFor.append(archive);
        return password;
    }

    QStringList files;
    QStringList askedFor;
    std::optional<QString> password;
    // Cancels at the first report about a file whose path ends so.
    QString cancelOnSuffix;
    qint64 mostDone = 0;

protected:
    bool Step(const QString& file, qint64 done, qint64) override
    {
        mostDone = qMax(mostDone, done);
        if (files.isEmpty() || files.last() != file)
            files.append(file);
        if (!cancelOnSuffix.isEmpty() && file.endsWith(cancelOnSuffix))
            return false;
        return m_cancelAfter < 0 || ++m_steps <= m_cancelAfter;
    }

private:
    int m_cancelAfter;
    int m_steps = 0;
};

struct CToolRun
{
    int exitCode = -1;
    QString output;
    QByteArray raw;
};

// Runs an outside tool; a tool that is missing fails the test rather than skipping it.
inline CToolRun RunTool(const QString& program, const QStringList& arguments,
                        const QString& folder = QString())
{
    CToolRun run;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
    {
        run.output = program + QStringLiteral(" is not installed");
        return run;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(path, arguments);
    if (!process.waitForFinished(60000))
    {
        process.kill();
        process.waitForFinished();
        run.output = program + QStringLiteral(" did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.raw = process.readAll();
    run.output = QString::fromUtf8(run.raw);
    return run;
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Bytes that do not compress away, so that sizes and offsets in archives are exercised.
inline QByteArray SampleBytes(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u + quint32(seed);
    for (char& byte : bytes)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = char(state & 0xff);
    }
    return bytes;
}

// Every file below folder, as paths relative to it, sorted.
inline QStringList FilesBelow(const QString& folder)
{
    QStringList result;
    const QDir top(folder);
    const QFileInfoList entries =
        top.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
    {
        if (entry.isDir() && !entry.isSymLink())
        {
            for (const QString& inner : FilesBelow(entry.absoluteFilePath()))
                result.append(entry.fileName() + QLatin1Char('/') + inner);
        }
        else
        {
            result.append(entry.fileName());
        }
    }
    result.sort();
    return result;
}
