#pragma once

#include "ui/options/OptionsPage.h"

class QComboBox;
class QLabel;

// "Proxy": the type, its description, and the server and log-in that every type but "none" uses.
class COptionsProxyPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsProxyPage(QWidget* parent = nullptr);

private:
    void ShowType(int type);

    QComboBox* m_type;
    QLabel* m_description;
    QList<QWidget*> m_server;
};
