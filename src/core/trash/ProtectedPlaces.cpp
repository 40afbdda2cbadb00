#include "core/trash/ProtectedPlaces.h"

#include "core/platform/Sandbox.h"
#include "core/platform/Settings.h"

#include <QFile>
#include <QRegularExpression>

namespace Sweepora::Core {
namespace {

const QString kUserPathsKey = QStringLiteral("sweepora.protectedPaths");

// Folders xdg-user-dirs names, as they are called when the user never renamed them.
const char* const kUserFolders[] = {"Desktop",  "Documents", "Downloads",   "Music",
                                    "Pictures", "Public",    "Templates",   "Videos",
#ifdef Q_OS_MACOS
                                    "Movies",   "Library",   "Applications"
#endif
};

// Key, credential and wallet stores: never offered, nor anything inside them.
const char* const kSecretStores[] = {
    ".ssh",
    ".gnupg",
    ".pki",
    ".aws",
    ".azure",
    ".kube",
    ".docker/config.json",
    ".config/gcloud",
    ".netrc",
    ".git-credentials",
    ".local/share/keyrings",
    ".local/share/kwalletd",
    ".password-store",
    ".bitcoin",
    ".electrum",
    ".ethereum",
    ".monero",
    ".local/share/Trash",
    ".Trash",
#ifdef Q_OS_MACOS
    "Library/Keychains",
#endif
};

// Browser profile folders themselves: their cache folders stay cleanable.
const char* const kProfileFolders[] = {
    ".mozilla/firefox/*",
    ".thunderbird/*",
    ".config/google-chrome/*",
    ".config/chromium/*",
    ".config/BraveSoftware/Brave-Browser/*",
    ".config/microsoft-edge/*",
    ".config/vivaldi/*",
    ".config/opera",
    "snap/firefox/common/.mozilla/firefox/*",
    ".var/app/org.mozilla.firefox/.mozilla/firefox/*",
    "Library/Application Support/Firefox/Profiles/*",
    "Library/Application Support/Google/Chrome/*",
};

// The user folders named in ~/.config/user-dirs.dirs ("$HOME/桌面"), where the system renamed them.
QStringList renamedUserFolders(const QString& home)
{
    QFile file(home + QStringLiteral("/.config/user-dirs.dirs"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList folders;
    static const QRegularExpression line(QStringLiteral("^XDG_[A-Z]+_DIR=\"\\$HOME/([^\"]+)\"$"),
                                         QRegularExpression::MultilineOption);
    const QString text = QString::fromUtf8(file.read(64 * 1024));
    for (auto it = line.globalMatch(text); it.hasNext();)
        folders.append(home + QLatin1Char('/') + it.next().captured(1));
    return folders;
}

bool componentsMatch(const QStringList& pattern, const QStringList& path, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i)
        if (pattern[i] != QLatin1String("*") && pattern[i] != path[i])
            return false;
    return true;
}

} // namespace

ProtectedPlaces::ProtectedPlaces(const PlatformLayout& layout, const QStringList& userPaths)
{
    const QString& home = layout.home;
    const auto add = [this](const QString& path, bool withContents) {
        if (!path.isEmpty())
            m_places.append({standardizedPath(path), true, withContents});
    };
    add(home, false);
    for (const char* folder : kUserFolders)
        add(home + QLatin1Char('/') + QLatin1String(folder), false);
    for (const QString& folder : renamedUserFolders(home))
        add(folder, false);
    add(home + QStringLiteral("/.config"), false);
    add(home + QStringLiteral("/.local/share"), false);
    add(home + QStringLiteral("/.local"), false);
    for (const char* store : kSecretStores)
        add(home + QLatin1Char('/') + QLatin1String(store), true);
    for (const char* profile : kProfileFolders)
        add(home + QLatin1Char('/') + QLatin1String(profile), false);
    add(layout.dataHome, false);
    add(layout.dataHome + QStringLiteral("/Trash"), true);
    add(layout.trashFolder, true);
    add(layout.applicationSupport, true);
    add(Settings::store().fileName(), true);
    for (const QString& path : userPaths)
        m_places.append({standardizedPath(path), false, true});
    index();
}

ProtectedPlaces ProtectedPlaces::current()
{
    return ProtectedPlaces(PlatformLayout::current(), userPaths());
}

bool ProtectedPlaces::isProtected(const QString& path) const
{
    // Walks hand over clean paths; only others pay for standardizing.
    const bool clean = path.startsWith(QLatin1Char('/')) && !path.contains(QLatin1String("//")) &&
                       !path.contains(QLatin1String("/./")) && !path.contains(QLatin1String("/../")) &&
                       !path.endsWith(QLatin1String("/.")) && !path.endsWith(QLatin1String("/..")) &&
                       (path.size() == 1 || !path.endsWith(QLatin1Char('/')));
    const QString p = clean ? path : standardizedPath(path);
    QStringList parts;
    for (qsizetype i = 0; i < m_places.size(); ++i) {
        const Place& place = m_places[i];
        if (m_patterns[i].isEmpty()) {
            if (place.withContents ? Sandbox::isWithin(place.path, p) : place.path == p)
                return true;
            continue;
        }
        if (!Sandbox::isWithin(m_fixed[i], p))
            continue;
        if (parts.isEmpty())
            parts = p.split(QLatin1Char('/'));
        const QStringList& pattern = m_patterns[i];
        if (parts.size() == pattern.size() || (place.withContents && parts.size() > pattern.size()))
            if (componentsMatch(pattern, parts, pattern.size()))
                return true;
    }
    return false;
}

void ProtectedPlaces::index()
{
    m_fixed.clear();
    m_patterns.clear();
    for (const Place& place : m_places) {
        const qsizetype star = place.path.indexOf(QStringLiteral("/*"));
        m_fixed.append(star < 0 ? place.path : place.path.left(star));
        m_patterns.append(star < 0 ? QStringList() : place.path.split(QLatin1Char('/')));
    }
}

bool ProtectedPlaces::touches(const QString& folder) const
{
    const QString f = standardizedPath(folder);
    for (qsizetype i = 0; i < m_places.size(); ++i) {
        // A place below the folder may be among its items; a folder inside a place is covered
        // only where the place protects its contents (the home itself protects only itself).
        if (Sandbox::isWithin(f, m_fixed[i]) || (m_places[i].withContents && Sandbox::isWithin(m_fixed[i], f)))
            return true;
    }
    return false;
}

QStringList ProtectedPlaces::userPaths()
{
    // A settings object of this call's own: scans ask from pool threads.
    const auto defaults = Settings::threadCopy();
    return defaults->value(kUserPathsKey).toStringList();
}

bool ProtectedPlaces::addUserPath(const QString& path)
{
    const QString p = standardizedPath(path);
    const auto defaults = Settings::threadCopy();
    QStringList paths = defaults->value(kUserPathsKey).toStringList();
    if (p.isEmpty() || paths.contains(p))
        return false;
    paths.append(p);
    paths.sort();
    defaults->setValue(kUserPathsKey, paths);
    return true;
}

bool ProtectedPlaces::removeUserPath(const QString& path)
{
    const QString p = standardizedPath(path);
    const auto defaults = Settings::threadCopy();
    QStringList paths = defaults->value(kUserPathsKey).toStringList();
    if (!paths.removeAll(p))
        return false;
    defaults->setValue(kUserPathsKey, paths);
    return true;
}

} // namespace Sweepora::Core
