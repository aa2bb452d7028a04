#pragma once

#include "transfer/TransferWorker.h"

#include <memory>

// Makes the queue's workers; the windows and zentrava-cli hand the queue one that gives the workers
// their prompts, tests one that makes scripted workers.
class ITransferWorkerFactory
{
public:
    virtual std::unique_ptr<CTransferWorker> Make(CTransferWorker::Kind kind, const CTransferJob& job,
                                                  const CWorkerSettings& settings) = 0;

protected:
    ~ITransferWorkerFactory() = default;
};
