#pragma once

#include "transfer/OverwritePrompts.h"
#include "transfer/TransferProgress.h"
#include "transfer/TransferWorkerFactory.h"

// Makes the real download and upload workers and gives each its prompts and its progress window.
// The prompts are asked from the workers' threads, several at once: the windows answer them on the
// GUI thread, the command line from its options. They must outlive every worker made here.
class CWorkerFactory final : public ITransferWorkerFactory
{
public:
    // Without a maker the workers keep their progress to themselves (CTransferProgressPlain).
    explicit CWorkerFactory(IOverwritePrompts& prompts, TransferProgressMaker makeProgress = {});

    std::unique_ptr<CTransferWorker> Make(CTransferWorker::Kind kind, const CTransferJob& job,
                                          const CWorkerSettings& settings) override;

private:
    IOverwritePrompts& m_prompts;
    TransferProgressMaker m_makeProgress;
};
