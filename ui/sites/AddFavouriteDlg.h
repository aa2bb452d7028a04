#pragma once

#include <QDialog>

class CFtpSite;
class CSiteFolderTree;
class CSiteList;
class QLineEdit;

// "加到我的最愛": asks for a name and a folder for the site of a connection window. Folders made,
// renamed or deleted here change the given site list itself.
class CAddFavouriteDlg : public QDialog
{
    Q_OBJECT

public:
    CAddFavouriteDlg(CSiteList& sites, const QString& name, QWidget* parent = nullptr);

    QString SiteName() const;
    // The chosen folder's path; empty for the root.
    QString FolderPath() const;

    // Asks before a site of the same name in the chosen folder is overwritten.
    void accept() override;
    // Folders made here whose label edit was cancelled are written too, however the dialog closes.
    void done(int result) override;

private:
    CSiteList& m_sites;
    QLineEdit* m_name;
    CSiteFolderTree* m_tree;
};

// Stores a copy of the connection's site under the entered name with the current folders; false
// when the user cancelled or the site could not be stored. The list's document is reloaded or changed
// either way, so a tree built over it must be rebuilt afterwards.
bool AddToFavourites(QWidget* parent, CSiteList& sites, const CFtpSite& connectionSite,
                     const QString& remoteFolder, const QString& localFolder);
