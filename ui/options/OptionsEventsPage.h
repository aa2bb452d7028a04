#pragma once

#include "ui/options/OptionsPage.h"

// "傳遞後動作": what happens when the queue empties, and which file times transfers keep.
class COptionsEventsPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsEventsPage(QWidget* parent = nullptr);
};
