#include "cli/QueueRun.h"

#include "cli/CliOverwritePrompts.h"
#include "cli/ExitCodes.h"
#include "engine/VisibleText.h"
#include "transfer/TransferQueue.h"

#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace
{
constexpr int kProgressIntervalMs = 500;

int g_interruptPipe[2] = {-1, -1};

extern "C" void OnInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_interruptPipe[1], &byte, 1);
}
} // namespace

CQueueRun::CQueueRun(const CCliOverwritePrompts& prompts, QTextStream& out, QTextStream& err)
    : m_prompts(prompts), m_out(out), m_err(err), m_terminal(isatty(STDERR_FILENO))
{
}

void CQueueRun::OnTransferDone(int level, const QString& line)
{
    (level == 1 ? m_done : m_failed).append(line);
    const CJobTally tally = m_tally.value_or(CJobTally());
    m_tally.reset();
    m_copied += tally.copied;
    m_skipped += tally.skipped;
    m_bytes += tally.bytes;
    m_failedFiles += int(tally.failures.size());
    m_failureLines += tally.failures;
    // A job that failed as a whole: its files not done count as failed, under the job's message.
    if (level != 1 && tally.failures.isEmpty())
    {
        m_failedFiles += qMax(1, tally.files - tally.copied - tally.skipped);
        m_failureLines.append(line);
    }
    if (m_done.size() + m_failed.size() >= m_jobs)
        m_loop.quit();
}

void CQueueRun::OnQueueEmpty(int)
{
    m_loop.quit();
}

void CQueueRun::Run(CTransferQueue& queue, int jobs)
{
    m_jobs = jobs;
    m_clock.start();
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, this, [this, &queue] { DrawProgress(queue); });
    progress.start(kProgressIntervalMs);
    WatchInterrupt(queue);
    if (m_done.size() + m_failed.size() < m_jobs)
        m_loop.exec();
    progress.stop();
    m_lastPrintMs = -1; // the last state is always shown
    DrawProgress(queue);
    if (m_handlerInstalled)
        sigaction(SIGINT, &m_previousAction, nullptr);
}

void CQueueRun::AddPlanned(int skipped, int deleted, const QStringList& failures)
{
    m_skipped += skipped;
    m_deleted += deleted;
    m_failedFiles += int(failures.size());
    m_failureLines += failures;
}

int CQueueRun::Summary()
{
    m_out << "copied: " << m_copied << ", skipped: " << m_skipped << ", deleted: " << m_deleted
          << ", failed: " << m_failedFiles;
    if (m_interrupted)
        m_out << " (interrupted)";
    const double seconds = m_clock.isValid() ? qMax<qint64>(m_clock.elapsed(), 1) / 1000.0 : 0;
    m_out << "\n"
          << m_bytes << " bytes in " << QString::number(seconds, 'f', 1) << " s ("
          << SpeedText(seconds > 0 ? double(m_bytes) / seconds : 0) << ")\n";
    for (const QString& line : std::as_const(m_failureLines))
        m_out << "failed " << VisibleText(line, LineBreaks::Kept) << "\n";
    m_out.flush();
    return m_failedFiles == 0 && !m_interrupted ? ExitSuccess : ExitFailure;
}

QString CQueueRun::SpeedText(double bytesPerSecond)
{
    static const char* const kUnits[] = {"B/s", "kB/s", "MB/s", "GB/s"};
    int unit = 0;
    while (bytesPerSecond >= 1000 && unit < 3)
    {
        bytesPerSecond /= 1000;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(bytesPerSecond, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}

void CQueueRun::WatchInterrupt(CTransferQueue& queue)
{
    if (g_interruptPipe[0] < 0 && pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_interruptPipe[0], QSocketNotifier::Read, this);
    QObject::connect(notifier, &QSocketNotifier::activated, this,
                     [this, &queue]
                     {
                         char byte = 0;
                         while (read(g_interruptPipe[0], &byte, 1) > 0)
                             ;
                         CancelAll(queue);
                     });
    // sigaction rather than signal(): a shell's background job starts with SIGINT ignored, and the
    // handler must be in place whatever was inherited.
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_handlerInstalled = sigaction(SIGINT, &action, &m_previousAction) == 0;
}

// Cancels every running and waiting job; each still reports its end. A failed job that was put back
// in the queue has reported already.
void CQueueRun::CancelAll(CTransferQueue& queue)
{
    m_interrupted = true;
    m_err << "\nzentrava-cli: interrupted; cancelling every job" << Qt::endl;
    QList<int> rows;
    for (int row = 0; row < queue.rowCount(); ++row)
    {
        if (JobState(queue.data(queue.index(row, 0), CTransferQueue::StateRole).toInt()) != JobState::Failed)
            rows.append(row);
    }
    queue.Cancel(rows);
}

void CQueueRun::DrawProgress(const CTransferQueue& queue)
{
    if (m_prompts.IsAsking())
        return;
    const qint64 nowMs = m_clock.elapsed();
    QStringList lines;
    QStringList shown; // the lines without speeds: a log file gets a new block only when these change
    QList<int> running;
    qint64 moved = m_endedBytes;
    for (int row = 0; row < queue.rowCount(); ++row)
    {
        const auto text = [&](int column) { return queue.data(queue.index(row, column)).toString(); };
        const QModelIndex index = queue.index(row, 0);
        const JobState state = JobState(queue.data(index, CTransferQueue::StateRole).toInt());
        if (state != JobState::Running && state != JobState::Cancelled)
            continue;
        const QString status = text(CTransferQueue::StatusColumn);
        const int id = queue.data(index, CTransferQueue::JobNumberRole).toInt();
        const qint64 bytes = queue.data(index, CTransferQueue::TransferredBytesRole).toLongLong();
        running.append(id);
        const QString speed = JobSpeed(id, bytes, nowMs);
        moved += bytes - m_samples[id].firstBytes;
        shown.append(
            QStringLiteral("%1  %2  %3%")
                .arg(text(CTransferQueue::NameColumn), status, text(CTransferQueue::ProgressColumn)));
        lines.append(shown.last() + QStringLiteral("  ") + speed);
    }
    ForgetEndedWorkers(running);
    const double seconds = qMax<qint64>(nowMs, 1) / 1000.0;
    shown.append(QStringLiteral("total: %1 of %2 jobs ended, %3 running")
                     .arg(m_done.size() + m_failed.size())
                     .arg(m_jobs)
                     .arg(queue.RunningCount()));
    lines.append(shown.last() + QStringLiteral(", ") + SpeedText(double(moved) / seconds));
    // A log file gets plain lines when they change, at most once a second: a change within the second
    // waits for the next draw.
    const bool changed = shown != m_lastShown;
    if (!m_terminal && changed && m_lastPrintMs >= 0 && nowMs - m_lastPrintMs < 1000)
        return;
    if (m_terminal)
        Redraw(lines);
    else if (changed)
    {
        m_err << lines.join(u'\n') << Qt::endl;
        m_lastPrintMs = nowMs;
    }
    m_lastLines = lines;
    m_lastShown = shown;
}

// The job's average since it was first seen, so bytes a resume skipped do not count.
QString CQueueRun::JobSpeed(int threadId, qint64 bytes, qint64 nowMs)
{
    auto found = m_samples.find(threadId);
    // The first bytes seen may hold a resume offset: the average starts there.
    if (found == m_samples.end() || (found->lastBytes == 0 && found->firstBytes == 0))
        found = m_samples.insert(threadId, {bytes, nowMs, bytes});
    found->lastBytes = bytes;
    const qint64 elapsedMs = nowMs - found->firstMs;
    if (elapsedMs <= 0)
        return SpeedText(0);
    return SpeedText(double(bytes - found->firstBytes) * 1000.0 / double(elapsedMs));
}

void CQueueRun::ForgetEndedWorkers(const QList<int>& running)
{
    for (auto it = m_samples.begin(); it != m_samples.end();)
    {
        if (running.contains(it.key()))
        {
            ++it;
            continue;
        }
        m_endedBytes += it->lastBytes - it->firstBytes;
        it = m_samples.erase(it);
    }
}

// Moves up over the lines drawn last time and writes the new ones over them.
void CQueueRun::Redraw(const QStringList& lines)
{
    if (!m_lastLines.isEmpty())
        m_err << "\x1b[" << m_lastLines.size() << "A";
    for (const QString& line : lines)
        m_err << "\r" << line << "\x1b[K\n";
    m_err << "\x1b[J";
    m_err.flush();
}
