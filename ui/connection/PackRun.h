#pragma once

#include "packing/PackProgress.h"
#include "packing/PackResult.h"

#include <QMutex>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QThread;

// One pack or unpack command run on a thread of its own, so the window keeps drawing while a large file
// is compressed. Cancel() stops it at its next step (inside a file too); the archive's password is asked
// on the thread the run was made on. Finished is emitted there once the thread has ended.
class CPackRun : public QObject
{
    Q_OBJECT

public:
    enum class EKind
    {
        Zip,
        Cab,
        TarGz,
        Unzip
    };
    using PasswordAsker = std::function<std::optional<QString>(const QString& archive)>;

    CPackRun(EKind kind, const QStringList& selection, PasswordAsker askPassword, QObject* parent = nullptr);
    ~CPackRun() override;

    void Start();
    void Cancel() { m_cancel = true; }
    EKind Kind() const { return m_kind; }
    // The file the run is on, for the progress window.
    QString CurrentFile() const;
    // Valid once Finished was emitted.
    const CPackResult& Result() const { return m_result; }

Q_SIGNALS:
    void Finished();

private:
    class CProgress;

    CPackResult Run(CPackProgress& progress) const;

    const EKind m_kind;
    const QStringList m_selection;
    const PasswordAsker m_askPassword;
    std::atomic<bool> m_cancel = false;
    mutable QMutex m_mutex;
    QString m_file; // under the mutex
    CPackResult m_result = CPackResult::Cancelled();
    std::unique_ptr<QThread> m_thread;
    std::unique_ptr<CProgress> m_progress;
};
