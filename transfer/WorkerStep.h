#pragma once

#include <QString>

// How one step of a worker's job ended. A failure carries the text that becomes the job's final message;
// a file's failure of its own (a refusal, a local file that cannot be written, a wrong checksum) is
// recorded and the job goes on with its other files.
struct CWorkerStep
{
    enum class Result
    {
        Ok,
        Cancelled,
        Failed,
        FileFailed
    };

    Result result = Result::Ok;
    QString message;

    static CWorkerStep Ok() { return {}; }
    static CWorkerStep Cancelled() { return {Result::Cancelled, {}}; }
    static CWorkerStep Failed(const QString& message) { return {Result::Failed, message}; }
    static CWorkerStep FileFailed(const QString& message) { return {Result::FileFailed, message}; }

    bool IsOk() const { return result == Result::Ok; }
};
