#include "ui/transfers/GuiTransferProgress.h"

#include "ui/transfers/TransferProgressDlg.h"

#include <QWidget>

CGuiTransferProgress::CGuiTransferProgress(CTransferWorker& worker, QWidget* dialogParent)
    : m_parent(dialogParent), m_dialog(std::make_shared<QPointer<CTransferProgressDlg>>())
{
    CTransferWorker* target = &worker;
    QWidget* parent = m_parent;
    Post(
        [target, parent](QPointer<CTransferProgressDlg>& dialog)
        {
            dialog = new CTransferProgressDlg(target, parent);
            dialog->ShowIfAllowed();
        });
}

CGuiTransferProgress::~CGuiTransferProgress()
{
    Post(
        [](QPointer<CTransferProgressDlg>& dialog)
        {
            if (dialog)
                dialog->deleteLater();
        });
}

void CGuiTransferProgress::SetLine1(const QString& text)
{
    Post(
        [text](QPointer<CTransferProgressDlg>& dialog)
        {
            if (dialog)
                dialog->SetLine1(text);
        });
}

void CGuiTransferProgress::SetLine2(const QString& text)
{
    Post(
        [text](QPointer<CTransferProgressDlg>& dialog)
        {
            if (dialog)
                dialog->SetLine2(text);
        });
}

void CGuiTransferProgress::SetPosition(int percent)
{
    Post(
        [percent](QPointer<CTransferProgressDlg>& dialog)
        {
            if (dialog)
                dialog->SetPosition(percent);
        });
}

TransferProgressMaker CGuiTransferProgress::Maker(QWidget* dialogParent)
{
    return [dialogParent](CTransferWorker& worker) -> std::unique_ptr<ITransferProgress>
    { return std::make_unique<CGuiTransferProgress>(worker, dialogParent); };
}

template <typename Change> void CGuiTransferProgress::Post(Change change)
{
    // Calls posted to one object run in order, so the window exists before it is changed.
    QMetaObject::invokeMethod(
        m_parent, [dialog = m_dialog, change]() mutable { change(*dialog); }, Qt::QueuedConnection);
}
