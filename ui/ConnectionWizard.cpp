#include "ui/ConnectionWizard.h"

#include "ui/WizardSheet.h"

CWizardResult RunConnectionWizard(QWidget* parent, CSiteList& sites)
{
    CWizardSheet sheet(sites, parent);
    if (sheet.exec() != QDialog::Accepted)
        return {};
    return sheet.StoreSite();
}
