#pragma once

#include "core/platform/PlatformLayout.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace Sweepora::Core {

// Places no cleaning section ever offers and no move ever takes: the home itself, its user
// folders, key, credential and wallet stores, ~/.config and ~/.local/share themselves, browser
// profile folders, the Trash, Sweepora's own data, and the user's own list.
class ProtectedPlaces
{
public:
    struct Place
    {
        QString path; // absolute; a component "*" stands for any one name
        bool builtIn = true;
        bool withContents = true; // false: only the place itself (files in ~/Downloads stay findable)
    };

    ProtectedPlaces(const PlatformLayout& layout, const QStringList& userPaths);
    // The layout's places and the list stored in the settings, read now.
    static ProtectedPlaces current();

    // The place itself, or anything inside a place that protects its contents.
    bool isProtected(const QString& path) const;
    // False when nothing below `folder` can be protected: a walk of it needs no check per file.
    bool touches(const QString& folder) const;
    const QList<Place>& places() const { return m_places; }

    // Drops the items whose `path` is protected: what a cleaning section never offers.
    template <class Item> void removeProtected(QList<Item>& items) const
    {
        items.removeIf([this](const Item& item) { return isProtected(item.path); });
    }

    // The user's own list in the settings the window uses. Paths are standardized; adding one
    // already there or removing one that is not changes nothing and returns false.
    static QStringList userPaths();
    static bool addUserPath(const QString& path);
    static bool removeUserPath(const QString& path);

private:
    void index();

    QList<Place> m_places;
    // Per place, the fixed part before a "*" component, and the components of one with a "*"
    // (empty without): read once here, not for every path asked about.
    QStringList m_fixed;
    QList<QStringList> m_patterns;
};

} // namespace Sweepora::Core
