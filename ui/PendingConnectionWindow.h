#pragma once

#include "ui/ConnectionWindow.h"

#include <QWidget>

class QLabel;

// Stands in the frame for a connection window until the session window replaces it: it shows what it
// was asked to connect to and that it is not connected. It makes no connection.
class CPendingConnectionWindow : public QWidget, public IConnectionWindow
{
    Q_OBJECT

public:
    explicit CPendingConnectionWindow(const QString& target, QWidget* parent = nullptr);

    void OpenTarget(const QString& target) override;
    const QString& Target() const { return m_target; }

    // An address without its password, or the site path as it is.
    static QString DisplayTarget(const QString& target);
    // A site's name (the text after the last "\"), or "尚未連線" for an address or no target.
    static QString Title(const QString& target);

private:
    QString m_target;
    QLabel* m_label;
};
