#include "packing/PackResult.h"

CPackResult CPackResult::Done(const QString& path, const QStringList& warnings)
{
    CPackResult result(EStatus::Done);
    result.m_path = path;
    result.m_warnings = warnings;
    return result;
}

CPackResult CPackResult::Failed(const QString& message, const QString& detail)
{
    CPackResult result(EStatus::Failed);
    result.m_message = message;
    result.m_detail = detail;
    return result;
}

CPackResult CPackResult::Cancelled()
{
    return CPackResult(EStatus::Cancelled);
}
