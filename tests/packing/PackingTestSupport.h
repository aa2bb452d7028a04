#pragma once

#include "packing/PackProgress.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace TestFiles;

// A progress that records the files it was told about, cancels after a given number of steps (or at the
// first file whose path ends with cancelOnSuffix) and answers password questions with password.
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

// An outside tool's exit code (-1 when it did not run: a missing tool fails the test), its standard
// output alone, and both outputs as text.
struct CToolRun
{
    int exitCode = -1;
    QByteArray out;
    QString text;
};

inline CToolRun RunTool(const QStringList& command, const QString& folder = {})
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, command.first() + QStringLiteral(" did not run: ") + process.errorString()};
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitCode(), out, QString::fromUtf8(out + process.readAllStandardError())};
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    return WriteFile(path, bytes);
}

// Bytes that do not compress away, so that sizes and offsets in archives are exercised.
inline QByteArray SampleBytes(int size)
{
    QRandomGenerator generator{quint32(size)};
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(generator.generate());
    return bytes;
}

// Every file below folder (links not followed) relative to it, sorted; with each file's SHA-256 when
// hashed, so that two trees compare byte for byte.
inline QStringList FilesBelow(const QString& folder, bool hashed = false)
{
    QStringList result;
    for (const QFileInfo& entry :
         QDir(folder).entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
    {
        if (entry.isDir() && !entry.isSymLink())
            for (const QString& inner : FilesBelow(entry.filePath(), hashed))
                result.append(entry.fileName() + u'/' + inner);
        else
            result.append(entry.fileName() +
                          (hashed ? u' ' + QString::fromLatin1(Sha256(entry.filePath())) : ""));
    }
    result.sort();
    return result;
}
