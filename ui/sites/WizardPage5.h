#pragma once

#include <QWizardPage>

class CSiteFolderTree;
class CSiteList;

// The favourites folder the new site goes into.
class CWizardPage5 : public QWizardPage
{
    Q_OBJECT

public:
    CWizardPage5(CSiteList& sites, QWidget* parent = nullptr);

    // Empty for the root.
    QString FolderPath() const;
    void initializePage() override;
    // Asks before a site of the same name in that folder is overwritten.
    bool validatePage() override;

private:
    CSiteList& m_sites;
    CSiteFolderTree* m_tree;
};
