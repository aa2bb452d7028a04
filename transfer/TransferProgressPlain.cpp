#include "transfer/TransferProgressPlain.h"

#include <QMutexLocker>

void CTransferProgressPlain::SetLine1(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_line1 = text;
}

void CTransferProgressPlain::SetLine2(const QString& text)
{
    QMutexLocker lock(&m_mutex);
    m_line2 = text;
}

void CTransferProgressPlain::SetPosition(int percent)
{
    QMutexLocker lock(&m_mutex);
    m_position = percent;
}

QString CTransferProgressPlain::Line1() const
{
    QMutexLocker lock(&m_mutex);
    return m_line1;
}

QString CTransferProgressPlain::Line2() const
{
    QMutexLocker lock(&m_mutex);
    return m_line2;
}

int CTransferProgressPlain::Position() const
{
    QMutexLocker lock(&m_mutex);
    return m_position;
}
