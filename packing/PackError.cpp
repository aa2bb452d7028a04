#include "packing/PackError.h"

#include <utility>

CPackError::CPackError(EKind kind, QString detail) : m_kind(kind), m_detail(std::move(detail)) {}

CPackError CPackError::Source(const QString& path, const QString& reason)
{
    return CPackError(EKind::Source, QStringLiteral("%1: %2").arg(path, reason));
}

CPackError CPackError::Output(const QString& path, const QString& reason)
{
    return CPackError(EKind::Output, QStringLiteral("%1: %2").arg(path, reason));
}

CPackError CPackError::Cancelled()
{
    return CPackError(EKind::Cancelled, QStringLiteral("cancelled"));
}
