#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class CSiteFolderTree;
class CSiteList;

// "站台對傳": picks the saved site that a server-to-server copy goes to.
class CTargetSiteDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CTargetSiteDlg(CSiteList& sites, QWidget* parent = nullptr);

    // The selected site's path; nothing when a folder, the root or nothing is selected.
    std::optional<QString> SelectedSitePath() const;

    static std::optional<QString> ChooseSite(QWidget* parent, CSiteList& sites);

private:
    CSiteFolderTree* m_tree;
};
