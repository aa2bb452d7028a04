#pragma once

#include "ui/options/OptionsPage.h"

// "一般": the e-mail address for anonymous log-ins, what happens at start-up and the program's habits.
class COptionsGeneralPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsGeneralPage(QWidget* parent = nullptr);
};
