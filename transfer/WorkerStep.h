#pragma once

#include <QString>

// How one step of a worker's job ended. A failure carries the text that becomes the job's final message.
struct CWorkerStep
{
    enum class Result
    {
        Ok,
        Cancelled,
        Failed
    };

    Result result = Result::Ok;
    QString message;

    static CWorkerStep Ok() { return {}; }
    static CWorkerStep Cancelled() { return {Result::Cancelled, {}}; }
    static CWorkerStep Failed(const QString& message) { return {Result::Failed, message}; }

    bool IsOk() const { return result == Result::Ok; }
};
