#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CXmlElement;
class QMenu;

// The sites of sites.xml in the frame's favourites menu, below its fixed items: at each level the
// folder submenus sorted by name ahead of the sites sorted by name; folders without sites are left out.
class CFavouritesMenu : public QObject
{
    Q_OBJECT

public:
    // Command identifiers 3584 to 4095 of the original program.
    static constexpr int kMaxSites = 512;

    CFavouritesMenu(QMenu* menu, QString sitesFile, QObject* parent = nullptr);

    // Reads the file again and rebuilds everything after the fixed items; only those when the file
    // cannot be read.
    void RefreshFavouritesMenu();

    QMenu* Menu() const { return m_menu; }
    // The site paths of the items, in the order their identifiers were given.
    const QStringList& SitePaths() const { return m_paths; }

Q_SIGNALS:
    void SiteChosen(const QString& sitePath);

private:
    // Fills the menu with one level and gives the number of site items placed in it and below.
    int Fill(QMenu* menu, const CXmlElement* folder, const QString& prefix);
    void ClearBelowFixedItems();

    QMenu* m_menu;
    QString m_sitesFile;
    int m_fixedItems;
    QStringList m_paths;
};
