#include "transfer/WorkerFactory.h"

#include "transfer/DownloadThread.h"
#include "transfer/UploadThread.h"

CWorkerFactory::CWorkerFactory(IOverwritePrompts& prompts, TransferProgressMaker makeProgress)
    : m_prompts(prompts), m_makeProgress(std::move(makeProgress))
{
}

std::unique_ptr<CTransferWorker> CWorkerFactory::Make(CTransferWorker::Kind kind, const CTransferJob& job,
                                                      const CWorkerSettings& settings)
{
    if (kind == CTransferWorker::Kind::Upload)
        return std::make_unique<CUploadThread>(job, settings, m_prompts, m_makeProgress);
    return std::make_unique<CDownloadThread>(job, settings, m_prompts, m_makeProgress);
}
