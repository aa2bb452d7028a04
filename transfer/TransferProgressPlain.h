#pragma once

#include "transfer/TransferProgress.h"

#include <QMutex>

// A progress window without a window: keeps what it was last told, for the command line and for
// workers whose window could not be made. Readable from any thread.
class CTransferProgressPlain final : public ITransferProgress
{
public:
    void SetLine1(const QString& text) override;
    void SetLine2(const QString& text) override;
    void SetPosition(int percent) override;

    QString Line1() const;
    QString Line2() const;
    int Position() const;

private:
    mutable QMutex m_mutex;
    QString m_line1;
    QString m_line2;
    int m_position = 0;
};
