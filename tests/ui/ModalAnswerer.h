#pragma once

#include <QtTest>
#include <QtWidgets>

#include <functional>

// Answers the dialogs and message boxes that a connection window opens while a test waits: each modal
// widget is handed to the next queued answer, or cancelled when none is queued. What each showed is
// kept, so that a test can check the texts the user would have read.
class CModalAnswerer : public QObject
{
public:
    using Answer = std::function<void(QDialog*)>;

    CModalAnswerer()
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, &CModalAnswerer::Check);
        m_timer.start();
    }

    void Queue(Answer answer) { m_answers.append(std::move(answer)); }
    // The message box text, or the dialog's title, of everything answered so far.
    const QStringList& Seen() const { return m_seen; }
    bool HasPendingAnswers() const { return !m_answers.isEmpty(); }

    // The box's button of that role is clicked.
    static Answer Click(QMessageBox::StandardButton button)
    {
        return [button](QDialog* dialog)
        {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            box ? box->button(button)->click() : dialog->reject();
        };
    }

private:
    void Check()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == m_answering)
            return;
        m_answering = dialog;
        auto* box = qobject_cast<QMessageBox*>(dialog);
        m_seen.append(box ? box->text() : dialog->windowTitle());
        const Answer answer =
            m_answers.isEmpty() ? Answer([](QDialog* d) { d->reject(); }) : m_answers.takeFirst();
        answer(dialog);
    }

    QTimer m_timer;
    QList<Answer> m_answers;
    QStringList m_seen;
    QPointer<QDialog> m_answering;
};
