#pragma once

#include <QString>

// The worker's progress window: two lines of text and a bar from 0 to 100. The windows show it on
// the GUI thread; the worker calls it from its own thread.
class ITransferProgress
{
public:
    virtual ~ITransferProgress() = default;

    virtual void SetLine1(const QString& text) = 0;
    virtual void SetLine2(const QString& text) = 0;
    virtual void SetPosition(int percent) = 0;
};

#include <functional>
#include <memory>

class CTransferWorker;

// Makes a worker's progress window, on the worker's thread; the window's Cancel button cancels the
// worker. Nothing when no window could be made: the worker then goes on without one.
using TransferProgressMaker = std::function<std::unique_ptr<ITransferProgress>(CTransferWorker& worker)>;
