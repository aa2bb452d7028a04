#pragma once

#include "ui/options/OptionsPage.h"

class QCheckBox;
class QPlainTextEdit;

// "自動保持連線": the smart keep-alive (when it starts, how long it lasts, the random interval, the
// commands it sends in turn) and the reconnect after a lost connection. Everything but the switch
// follows the switch.
class COptionsSmartKeepAlivePage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSmartKeepAlivePage(QWidget* parent = nullptr);

    QString Problem() const override;
    void SaveOptions() override;

private:
    QStringList Commands() const;

    QCheckBox* m_enabled;
    QPlainTextEdit* m_commands;
};
