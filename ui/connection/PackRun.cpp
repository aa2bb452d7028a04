#include "ui/connection/PackRun.h"

#include "packing/PackProcedures.h"

#include <QMutexLocker>
#include <QThread>

class CPackRun::CProgress final : public CPackProgress
{
public:
    explicit CProgress(CPackRun& run) : m_run(run) {}

    std::optional<QString> Password(const QString& archive) override
    {
        std::optional<QString> answer;
        QMetaObject::invokeMethod(
            &m_run, [this, &archive, &answer] { answer = m_run.m_askPassword(archive); },
            Qt::BlockingQueuedConnection);
        return answer;
    }

protected:
    bool Step(const QString& file, qint64, qint64) override
    {
        QMutexLocker lock(&m_run.m_mutex);
        m_run.m_file = file;
        return !m_run.m_cancel;
    }

private:
    CPackRun& m_run;
};

CPackRun::CPackRun(EKind kind, const QStringList& selection, PasswordAsker askPassword, QObject* parent)
    : QObject(parent), m_kind(kind), m_selection(selection), m_askPassword(std::move(askPassword))
{
}

CPackRun::~CPackRun()
{
    if (!m_thread)
        return;
    m_cancel = true;
    m_thread->wait();
}

void CPackRun::Start()
{
    m_progress = std::make_unique<CProgress>(*this);
    m_thread.reset(QThread::create([this] { m_result = Run(*m_progress); }));
    connect(m_thread.get(), &QThread::finished, this, &CPackRun::Finished);
    m_thread->start();
}

QString CPackRun::CurrentFile() const
{
    QMutexLocker lock(&m_mutex);
    return m_file;
}

CPackResult CPackRun::Run(CPackProgress& progress) const
{
    switch (m_kind)
    {
    case EKind::Zip:
        return PackZip(m_selection, progress);
    case EKind::Cab:
        return PackCab(m_selection, progress);
    case EKind::TarGz:
        return PackTarGz(m_selection, progress);
    case EKind::Unzip:
        break;
    }
    return UnpackZip(m_selection, progress);
}
