#pragma once

#include "transfer/AfterQueueAction.h"
#include "transfer/TransferRequester.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTextStream>

#include <csignal>
#include <optional>

class CCliOverwritePrompts;
class CTransferQueue;

// One command's run: receives the jobs' reports, draws the progress on standard error (each running
// job with its percent and speed, then a total) and ends once every job has reported its end.
// Ctrl-C cancels every job; each still reports its end, and partial files stay for a later resume.
class CQueueRun final : public QObject, public ITransferRequester, public IAfterQueueAction
{
public:
    CQueueRun(const CCliOverwritePrompts& prompts, QTextStream& out, QTextStream& err);

    void OnTransferLog(const QString&) override {}
    void OnTransferRelay(const CTransferEntry&) override {}
    void OnTransferDone(int level, const QString& line) override;
    void OnTransferTally(const CJobTally& tally) override { m_tally = tally; }
    // What the planning did before the jobs: files found alike, entries deleted, deletions that failed.
    void AddPlanned(int skipped, int deleted, const QStringList& failures);
    void OnQueueEmpty(int) override;

    // Runs the queue until every one of the jobs has ended or the queue has emptied.
    void Run(CTransferQueue& queue, int jobs);
    // The summary on standard output: files copied, skipped, deleted and failed (each named with its
    // reason), the bytes copied and their speed; exit 1 when anything failed or the run was interrupted.
    int Summary();

    // "12.3 MB/s": bytes per second in decimal units.
    static QString SpeedText(double bytesPerSecond);

private:
    // What a worker had moved when first seen and now, to tell its speed from a resume offset.
    struct Sample
    {
        qint64 firstBytes = 0;
        qint64 firstMs = 0;
        qint64 lastBytes = 0;
    };

    void WatchInterrupt(CTransferQueue& queue);
    void CancelAll(CTransferQueue& queue);
    void DrawProgress(const CTransferQueue& queue);
    QString JobSpeed(int threadId, qint64 bytes, qint64 nowMs);
    void ForgetEndedWorkers(const QList<int>& running);
    void Redraw(const QStringList& lines);

    const CCliOverwritePrompts& m_prompts;
    QTextStream& m_out;
    QTextStream& m_err;
    const bool m_terminal;
    QEventLoop m_loop;
    int m_jobs = 0;
    QStringList m_done;
    QStringList m_failed;
    std::optional<CJobTally> m_tally; // of the job whose end comes next
    int m_copied = 0;
    int m_skipped = 0;
    int m_deleted = 0;
    int m_failedFiles = 0;
    qint64 m_bytes = 0;
    QStringList m_failureLines;
    qint64 m_lastPrintMs = -1;
    QStringList m_lastLines;
    QStringList m_lastShown;
    bool m_interrupted = false;
    QElapsedTimer m_clock;
    QHash<int, Sample> m_samples;
    qint64 m_endedBytes = 0; // moved by workers that have ended
    struct sigaction m_previousAction = {};
    bool m_handlerInstalled = false;
};
