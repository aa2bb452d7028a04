#pragma once

#include "ui/options/OptionsPage.h"

// "同名覆寫規則": what happens to an existing target file, the timed prompt, the rule list (kept by its
// own dialog) and the integrity check after each transfer.
class COptionsSmartOverwritePage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsSmartOverwritePage(QWidget* parent = nullptr);

private:
    void EditRules();
};
