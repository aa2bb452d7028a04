#include "ui/frame/FavouritesMenu.h"
#include "ui/frame/ThemeIcon.h"

#include "xml/XmlDocument.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>

#include <algorithm>

namespace
{

const QByteArray kNameKey = "name";

QString Label(const CXmlElement* element)
{
    return QString::fromUtf8(element->GetAttribute(kNameKey));
}

bool Is(const CXmlElement* element, const char* name)
{
    return element->Name().compare(name, Qt::CaseInsensitive) == 0;
}

// Ascending without regard to case; equal names keep file order.
template <typename T> void SortByName(QList<T>& items, QString (*name)(const T&))
{
    std::stable_sort(items.begin(), items.end(),
                     [name](const T& a, const T& b)
                     { return name(a).compare(name(b), Qt::CaseInsensitive) < 0; });
}

QString ElementName(const CXmlElement* const& element)
{
    return Label(element);
}

QString MenuName(QMenu* const& menu)
{
    return menu->title();
}

} // namespace

CFavouritesMenu::CFavouritesMenu(QMenu* menu, QString sitesFile, QObject* parent)
    : QObject(parent), m_menu(menu), m_sitesFile(std::move(sitesFile)),
      m_fixedItems(int(menu->actions().size()))
{
}

void CFavouritesMenu::ClearBelowFixedItems()
{
    const QList<QAction*> actions = m_menu->actions();
    for (qsizetype i = m_fixedItems; i < actions.size(); ++i)
    {
        m_menu->removeAction(actions[i]);
        if (actions[i]->parent() == m_menu)
            delete actions[i];
    }
    qDeleteAll(m_menu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
}

void CFavouritesMenu::RefreshFavouritesMenu()
{
    ClearBelowFixedItems();
    m_paths.clear();
    CXmlDocument document;
    if (!document.Load(m_sitesFile))
        return;
    Fill(m_menu, document.GetRoot(), QString());
}

int CFavouritesMenu::Fill(QMenu* menu, const CXmlElement* folder, const QString& prefix)
{
    QList<const CXmlElement*> sites;
    QList<const CXmlElement*> folders;
    for (const auto& child : folder->Children())
    {
        if (Is(child.get(), "SITE"))
            sites.append(child.get());
        else if (Is(child.get(), "FOLDER"))
            folders.append(child.get());
    }
    SortByName(sites, &ElementName);
    QList<QAction*> siteActions;
    for (const CXmlElement* site : sites)
    {
        if (m_paths.size() >= kMaxSites)
            break;
        const QString path = prefix + Label(site);
        auto* action = new QAction(ThemeIcon("network-server", QStyle::SP_DriveNetIcon), Label(site), menu);
        connect(action, &QAction::triggered, this, [this, path] { Q_EMIT SiteChosen(path); });
        m_paths.append(path);
        siteActions.append(action);
    }
    // Submenus take their identifiers after this level's sites, in file order.
    QList<QMenu*> submenus;
    int count = int(siteActions.size());
    for (const CXmlElement* child : folders)
    {
        auto* submenu = new QMenu(Label(child), menu);
        submenu->setIcon(ThemeIcon("folder", QStyle::SP_DirIcon));
        const int below = Fill(submenu, child, prefix + Label(child) + u'\\');
        if (below == 0)
            delete submenu;
        else
            submenus.append(submenu);
        count += below;
    }
    SortByName(submenus, &MenuName);
    for (QMenu* submenu : submenus)
        menu->addMenu(submenu);
    menu->addActions(siteActions);
    return count;
}
