#pragma once

#include "ui/options/FilterListPage.h"

// "篩選條件": the include list.
class CFilterMaskPage : public CFilterListPage
{
public:
    explicit CFilterMaskPage(QWidget* parent = nullptr)
        : CFilterListPage(QStringLiteral("篩選條件"), QStringLiteral("包含符合以下條件的檔案"),
                          QStringLiteral("Mask"), parent)
    {
    }
};
