#pragma once

#include "ui/options/FilterListPage.h"

#include <QCoreApplication>

// "篩選條件": the include list.
class CFilterMaskPage : public CFilterListPage
{
public:
    explicit CFilterMaskPage(QWidget* parent = nullptr)
        : CFilterListPage(QCoreApplication::translate("FilterMaskPage", "篩選條件"),
                          QCoreApplication::translate("FilterMaskPage", "包含符合以下條件的檔案"),
                          QStringLiteral("Mask"), parent)
    {
    }
};
