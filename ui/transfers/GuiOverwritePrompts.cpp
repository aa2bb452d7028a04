#include "ui/transfers/GuiOverwritePrompts.h"

#include "transfer/TransferWorker.h"
#include "ui/transfers/RenameFileDlg.h"
#include "ui/transfers/ReplaceFileDlg.h"
#include "ui/transfers/ResumeFileDlg.h"

#include <QMutex>
#include <QPointer>
#include <QThread>
#include <QWaitCondition>

#include <memory>
#include <optional>

namespace
{

// How often a waiting worker looks whether it was cancelled.
constexpr unsigned long kCancelPollMs = 100;

// One question in flight between a worker thread and the GUI thread.
struct CPendingPrompt
{
    QMutex mutex;
    QWaitCondition answered;
    std::optional<QVariant> answer;
    bool abandoned = false;
    QPointer<QDialog> dialog; // touched on the GUI thread only
};

using PendingPtr = std::shared_ptr<CPendingPrompt>;

bool Abandoned(CPendingPrompt& pending)
{
    QMutexLocker lock(&pending.mutex);
    return pending.abandoned;
}

void Answer(CPendingPrompt& pending, const QVariant& answer)
{
    QMutexLocker lock(&pending.mutex);
    pending.answer = answer;
    pending.answered.wakeAll();
}

bool CancelledWorker()
{
    auto* worker = qobject_cast<CTransferWorker*>(QThread::currentThread());
    return worker && worker->IsCancelled();
}

// Waits for the answer; false when the asking worker was cancelled first.
bool WaitForAnswer(CPendingPrompt& pending)
{
    QMutexLocker lock(&pending.mutex);
    while (!pending.answer)
    {
        if (CancelledWorker())
        {
            pending.abandoned = true;
            return false;
        }
        pending.answered.wait(&pending.mutex, kCancelPollMs);
    }
    return true;
}

} // namespace

CGuiOverwritePrompts::CGuiOverwritePrompts(QWidget* dialogParent) : m_parent(dialogParent) {}

OverwriteAction CGuiOverwritePrompts::AskReplace(const COverwritePromptInfo& info)
{
    const QVariant answer =
        Ask([info](QWidget* parent) { return new CReplaceFileDlg(info, parent); },
            [](QDialog& dialog) { return int(static_cast<CReplaceFileDlg&>(dialog).Answer()); },
            int(OverwriteAction::Skip));
    return OverwriteAction(answer.toInt());
}

OverwriteAction CGuiOverwritePrompts::AskResume(const COverwritePromptInfo& info)
{
    const QVariant answer =
        Ask([info](QWidget* parent) { return new CResumeFileDlg(info, parent); },
            [](QDialog& dialog) { return int(static_cast<CResumeFileDlg&>(dialog).Answer()); },
            int(OverwriteAction::Skip));
    return OverwriteAction(answer.toInt());
}

QString CGuiOverwritePrompts::AskNewName(const QString& originalName, const QString& proposedName)
{
    const QVariant answer =
        Ask([originalName, proposedName](QWidget* parent)
            { return new CRenameFileDlg(originalName, proposedName, parent); },
            [](QDialog& dialog) { return static_cast<CRenameFileDlg&>(dialog).NewName(); }, QString());
    return answer.toString();
}

QVariant CGuiOverwritePrompts::Ask(const DialogMaker& make, const AnswerReader& read,
                                   const QVariant& abandoned) const
{
    if (QThread::currentThread() == m_parent->thread())
    {
        const std::unique_ptr<QDialog> dialog(make(m_parent));
        dialog->exec();
        return read(*dialog);
    }

    const PendingPtr pending = std::make_shared<CPendingPrompt>();
    QWidget* parent = m_parent;
    QMetaObject::invokeMethod(
        m_parent,
        [pending, make, read, parent]
        {
            if (Abandoned(*pending))
                return;
            QDialog* dialog = make(parent);
            pending->dialog = dialog;
            QObject::connect(dialog, &QDialog::finished, dialog,
                             [pending, dialog, read]
                             {
                                 Answer(*pending, read(*dialog));
                                 dialog->deleteLater();
                             });
            dialog->show();
        },
        Qt::QueuedConnection);

    if (WaitForAnswer(*pending))
        return *pending->answer;
    QMetaObject::invokeMethod(
        m_parent,
        [pending]
        {
            if (pending->dialog)
                pending->dialog->reject();
        },
        Qt::QueuedConnection);
    return abandoned;
}
