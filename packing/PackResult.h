#pragma once

#include <QString>
#include <QStringList>

// The outcome of one pack or unpack command.
//  Done: Path() is the archive written (or, for unpacking, the last destination folder); Warnings() name
//  entries that were refused.
//  Failed: Message() is the text to show the user (empty where the command ends silently) and Detail()
//  the technical cause, for logs and the command line.
//  Cancelled: the user stopped it; nothing is left to upload.
class CPackResult
{
public:
    enum class EStatus
    {
        Done,
        Failed,
        Cancelled
    };

    static CPackResult Done(const QString& path, const QStringList& warnings = {});
    static CPackResult Failed(const QString& message, const QString& detail);
    static CPackResult Cancelled();

    EStatus Status() const { return m_status; }
    bool IsDone() const { return m_status == EStatus::Done; }
    const QString& Path() const { return m_path; }
    const QString& Message() const { return m_message; }
    const QString& Detail() const { return m_detail; }
    const QStringList& Warnings() const { return m_warnings; }

private:
    explicit CPackResult(EStatus status) : m_status(status) {}

    EStatus m_status;
    QString m_path;
    QString m_message;
    QString m_detail;
    QStringList m_warnings;
};
