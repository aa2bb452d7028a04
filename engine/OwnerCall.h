#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Lets a worker thread ask the thread that owns an object a question and wait for the answer, bounded
// and cancellable. A question whose asker has given up is dropped unanswered.
class COwnerCall
{
public:
    COwnerCall() = default;
    COwnerCall(const COwnerCall&) = delete;
    COwnerCall& operator=(const COwnerCall&) = delete;

    // Runs question on context's thread (queued) and returns its answer; nothing when it did not come
    // within timeoutMs or Cancel() came first.
    template <typename T> std::optional<T> Ask(QObject* context, std::function<T()> question, int timeoutMs)
    {
        auto pending = std::make_shared<Pending>();
        auto answer = std::make_shared<std::optional<T>>();
        QMetaObject::invokeMethod(
            context,
            [pending, answer, question = std::move(question)]
            {
                if (pending->IsAbandoned())
                    return;
                T value = question();
                pending->Answer([&] { *answer = std::move(value); });
            },
            Qt::QueuedConnection);
        if (!Wait(pending, timeoutMs))
            return std::nullopt;
        return *answer;
    }

    // From any thread: the wait in progress and every later one end without an answer until Reset().
    void Cancel();
    void Reset();

private:
    class Pending
    {
    public:
        bool IsAbandoned();
        // Stores the answer (through store) unless the asker gave up.
        void Answer(const std::function<void()>& store);
        // True when answered; afterwards a late answer is dropped.
        bool WaitAnswered(int timeoutMs);
        void Abandon();

    private:
        std::mutex m_mutex;
        std::condition_variable m_changed;
        bool m_answered = false;
        bool m_abandoned = false;
    };

    bool Wait(const std::shared_ptr<Pending>& pending, int timeoutMs);

    std::mutex m_mutex;
    bool m_cancelled = false;
    std::shared_ptr<Pending> m_current;
};
