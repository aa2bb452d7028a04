#pragma once

#include "transfer/TransferProgress.h"

#include <QPointer>

#include <memory>

class CTransferProgressDlg;
class QWidget;

// A worker's progress window as the worker sees it: made on the worker's thread, it has the
// window made, changed and closed on the GUI thread, and never waits for it.
class CGuiTransferProgress final : public ITransferProgress
{
public:
    // dialogParent must outlive the worker.
    CGuiTransferProgress(CTransferWorker& worker, QWidget* dialogParent);
    ~CGuiTransferProgress() override;

    void SetLine1(const QString& text) override;
    void SetLine2(const QString& text) override;
    void SetPosition(int percent) override;

    // The maker the worker factory takes: one window per worker over dialogParent.
    static TransferProgressMaker Maker(QWidget* dialogParent);

private:
    template <typename Change> void Post(Change change);

    QWidget* m_parent;
    // Set and read on the GUI thread only.
    std::shared_ptr<QPointer<CTransferProgressDlg>> m_dialog;
};
