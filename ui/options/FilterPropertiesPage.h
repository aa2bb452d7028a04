#pragma once

#include "ui/options/OptionsPage.h"

// "過濾條件設定": the filter's switches and the server-side filter text, which can be edited only while
// server-side filtering is on.
class CFilterPropertiesPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit CFilterPropertiesPage(QWidget* parent = nullptr);

private:
    void EnableRemoteFilter(bool enabled);

    QList<QWidget*> m_remoteControls;
};
