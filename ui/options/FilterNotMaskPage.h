#pragma once

#include "ui/options/FilterListPage.h"

#include <QCoreApplication>

// "排除條件": the exclude list.
class CFilterNotMaskPage : public CFilterListPage
{
public:
    explicit CFilterNotMaskPage(QWidget* parent = nullptr)
        : CFilterListPage(QCoreApplication::translate("FilterNotMaskPage", "排除條件"),
                          QCoreApplication::translate("FilterNotMaskPage", "排除符合以下條件之檔案"),
                          QStringLiteral("NotMask"), parent)
    {
    }
};
