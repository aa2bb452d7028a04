#pragma once

#include "support/Rows.h"
#include "packing/PackProgress.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>
#include <QTest>

// A progress that records what it was told, cancels after a given number of steps (or at the first
// file whose path ends with cancelOnSuffix) and answers password questions with password.
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

// Runs an outside tool (standard output only in raw); a tool that is missing fails the test rather than
// skipping it.
inline CToolRun RunTool(const QString& program, const QStringList& arguments, const QString& folder = {})
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {-1, program + QStringLiteral(" is not installed"), {}};
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(path, arguments);
    if (!process.waitForFinished(60000))
    {
        process.kill();
        process.waitForFinished();
        return {-1, program + QStringLiteral(" did not finish"), {}};
    }
    const QByteArray raw = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(raw + process.readAllStandardError()), raw};
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
    QRandomGenerator generator{quint32(seed)};
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.generate());
    return bytes;
}

// Every file below folder (links not followed), as paths relative to it, sorted; with each file's
// SHA-256 when hashed, so that two trees compare byte for byte.
inline QStringList FilesBelow(const QString& folder, bool hashed = false)
{
    QStringList result;
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
    {
        if (!entry.isDir() || entry.isSymLink())
            result.append(entry.fileName() +
                          (hashed ? u' ' + QCryptographicHash::hash(ReadBytes(entry.filePath()),
                                                                    QCryptographicHash::Sha256)
                                               .toHex()
                                  : QString()));
        else
            for (const QString& inner : FilesBelow(entry.absoluteFilePath(), hashed))
                result.append(entry.fileName() + u'/' + inner);
    }
    result.sort();
    return result;
}
