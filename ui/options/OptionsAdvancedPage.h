#pragma once

#include "ui/options/OptionsPage.h"

// "連線": the time-out of every wait, how many transfers run at once, and the simple keep-alive switch.
class COptionsAdvancedPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsAdvancedPage(QWidget* parent = nullptr);
};
