#pragma once

#include <QDockWidget>
#include <QTimer>

class QListWidget;

// The session log of one connection window: one coloured line per entry, the newest selected so that
// the pane follows it, with copy, clear and save on its context menu.
class CTracePane : public QDockWidget
{
    Q_OBJECT

public:
    // One line more than this makes the oldest go.
    static constexpr int kMaxLines = 1001;

    explicit CTracePane(QWidget* parent = nullptr);

    // Level 1 green, 2 blue, 3 red, anything else black.
    void AddLine(int level, const QString& text);
    void Clear();
    // Every line followed by CR LF, as the clipboard and the saved file get them.
    QString Text();
    void CopyToClipboard();
    // Writes Text() to the file; false when it could not be created or written.
    bool SaveTo(const QString& path);
    // Asks for a file and saves there, with a message when that failed.
    void Save();

    // The shown lines, with every line added so far.
    QListWidget* Lines();
    static QColor LevelColour(int level);

private:
    void ShowMenu(const QPoint& where);
    // Shows the lines added since the last time, selects and scrolls to the newest.
    void Flush();

    QListWidget* m_lines;
    // A listing logs one line per entry without pausing: such a burst reaches the list once, and only
    // its last lines, when events are next dispatched.
    QList<std::pair<int, QString>> m_pending;
    QTimer m_flush;
};
