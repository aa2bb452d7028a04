#pragma once

#include "app/KeyringStore.h"
#include "app/StoredFileLoad.h"
#include "sites/FtpSite.h"
#include "xml/XmlDocument.h"

#include <QString>
#include <QStringList>

#include <functional>

// The saved sites: the sites.xml document, kept for the whole run, and the operations that find,
// fill and store sites by their site path (folder names and the site's name joined by "\").
class CSiteList
{
public:
    // The file in the data folder unless a path is given.
    explicit CSiteList(QString filePath = {});

    const QString& FilePath() const { return m_filePath; }
    CXmlDocument& Document() { return m_document; }

    // Unless loaded, the document is an empty favourites root and the caller offers the connection
    // wizard; a damaged file (unreadable, nested too deep, no SITES root) has been moved aside.
    CStoredFileLoad LoadSites();
    // Writes protected passwords, then turns them plain again in memory; false when the write failed
    // or a damaged file that could not be moved aside still lies there. While the settings keep
    // passwords in the desktop's keyring, the keyring takes them and sites.xml keeps them empty; false
    // too when the keyring did not take them.
    bool SaveSites();

    // Why the keyring did not give the passwords at the last load, or empty.
    const QString& KeyringProblem() const { return m_keyringProblem; }
    // Writes every site's password to the keyring, leaving sites.xml as it is; why not, or empty.
    QString CopyPasswordsToKeyring();
    // Drops the keyring's copy once sites.xml holds the passwords again.
    CKeyringResult ForgetKeyringPasswords();

    bool LoadSiteByPath(const QString& path, CFtpSite& site);
    // Adds the site to the folder (the root when the path is empty or unknown) or updates the
    // same-named one there; saves, and reloads when the save succeeded. False for a name that
    // CheckName refuses or when the file could not be written.
    bool StoreSite(const CFtpSite& site, const QString& folderPath = {});

    CXmlElement* FindFolderByPath(CXmlElement* start, const QString& path);
    // Follows a backslash path of folder names down from the root, adding each folder that is missing;
    // nullptr when one of the names cannot be a folder name.
    CXmlElement* MakeFolderPath(const QString& path);
    CXmlElement* FindSiteInFolder(CXmlElement* folder, const QString& name);
    static bool IsFolderElement(const CXmlElement* element);
    static bool IsSiteElement(const CXmlElement* element);

    // Fills a record from a SITE element.
    void FillSite(CXmlElement* element, CFtpSite& site);
    // The new-folder command: a folder called "新資料夾" in the selected folder, the selected site's
    // folder, or the root.
    CXmlElement* AddNewFolder(CXmlElement* selection);
    // Moves a site or folder with everything below it to the end of a folder and gives the moved
    // element; the element itself when the folder already holds it, nullptr when the move is refused
    // (not a folder, the element itself or a folder below it).
    CXmlElement* MoveElement(CXmlElement* element, CXmlElement* folder);
    // Called after every load, whoever asked for it: element pointers held by views are stale then.
    void SetReloadHandler(std::function<void()> handler) { m_reloaded = std::move(handler); }

    // The new-site command: copies the selected site's settings into its folder, or gives a site in
    // the selected folder the program's defaults. The new site is called "新站台".
    CXmlElement* AddNewSite(CXmlElement* selection);

    QString PathOf(const CXmlElement* element);
    // Every site's path in document order.
    QStringList SitePaths();

    // Why a name cannot be a site or folder name, or empty when it can.
    static QString CheckName(const QString& name);

private:
    void SetUpEmpty();
    void ForEachSite(const std::function<void(CXmlElement*, const QString&)>& visit);
    void ReadKeyringPasswords();
    bool SaveWithKeyring();
    bool WriteFile();

    void NotifyReload();

    QString m_filePath;
    CXmlDocument m_document;
    bool m_stuck = false;
    // The keyring's entry as last read or written.
    QString m_keyringText;
    QString m_keyringProblem;
    std::function<void()> m_reloaded;
};
