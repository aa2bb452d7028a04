#pragma once

#include "ui/options/OptionsPage.h"

class QListWidget;

// "ASCII 類型": the extensions whose files go in ASCII mode when the transfer type is automatic. The list
// is stored whole on OK.
class COptionsASCIITypesPage : public COptionsPage
{
    Q_OBJECT

public:
    explicit COptionsASCIITypesPage(QWidget* parent = nullptr);

    QString Problem() const override;
    void SaveOptions() override;

private:
    QStringList Extensions() const;
    void AddExtension();
    void RemoveSelected();

    QListWidget* m_extensions;
};
