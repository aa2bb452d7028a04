#include "ui/sites/ConnectionWizard.h"

#include "ui/sites/WizardSheet.h"

CWizardResult RunConnectionWizard(QWidget* parent, CSiteList& sites)
{
    CWizardSheet sheet(sites, parent);
    if (sheet.exec() != QDialog::Accepted)
        return {};
    return sheet.StoreSite();
}
