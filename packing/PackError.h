#pragma once

#include <QString>

// Why a tar, gzip or cabinet step failed. The kind decides what the user is told: a source file that
// cannot be read, an archive that cannot be written, or a cancel.
class CPackError
{
public:
    enum class EKind
    {
        Source,
        Output,
        Cancelled
    };

    CPackError(EKind kind, QString detail);

    static CPackError Source(const QString& path, const QString& reason);
    static CPackError Output(const QString& path, const QString& reason);
    static CPackError Cancelled();

    EKind Kind() const { return m_kind; }
    const QString& Detail() const { return m_detail; }

private:
    EKind m_kind;
    QString m_detail;
};
