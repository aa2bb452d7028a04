#pragma once

#include "ui/options/FilterListPage.h"

// "排除條件": the exclude list.
class CFilterNotMaskPage : public CFilterListPage
{
public:
    explicit CFilterNotMaskPage(QWidget* parent = nullptr)
        : CFilterListPage(QStringLiteral("排除條件"), QStringLiteral("排除符合以下條件之檔案"),
                          QStringLiteral("NotMask"), parent)
    {
    }
};
