#include "core/apps/LinuxApplication.h"

#include "core/apps/ApplicationCacheEngine.h"
#include "core/apps/DesktopEntry.h"
#include "core/fs/Walker.h"
#include "core/platform/Sandbox.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <map>

namespace Sweepora::Core {
namespace {

struct Listed
{
    QString relative; // below the listed folder
    QString path;
    EntryKind kind;
};

// Lists a folder (or, with `deep`, its whole tree) as the walker sees it: no link followed.
class Lister final : public WalkVisitor
{
public:
    Lister(QString root, bool deep) : m_root(std::move(root)), m_deep(deep) {}

    WalkAction visit(const WalkEntry& entry) override
    {
        const QString path = entry.filePath();
        m_found.append({path.mid(m_root.size() + 1), path, entry.kind()});
        return m_deep && entry.isDirectory() ? WalkAction::proceed : WalkAction::skipChildren;
    }

    QString m_root;
    bool m_deep;
    QList<Listed> m_found;
};

QList<Listed> list(const QString& folder, bool deep = false)
{
    WalkOptions options;
    options.threads = 1;
    const QString root = standardizedPath(folder);
    QList<Listed> found;
    for (Lister& part : Walker::walkEach(root, options, Lister(root, deep)))
        found += part.m_found;
    std::sort(found.begin(), found.end(), [](const Listed& a, const Listed& b) { return a.relative < b.relative; });
    return found;
}

// A link in an entry folder (Flatpak's exports are links into its deploy folders) is read at
// its target, where the sandbox must let us read too.
std::optional<DesktopEntry> readEntry(const Listed& listed)
{
    if (listed.kind != EntryKind::regular && listed.kind != EntryKind::symlink)
        return std::nullopt;
    return DesktopEntry::read(listed.path);
}

QString fileNameWithout(const QString& path, QLatin1String extension)
{
    QString name = QFileInfo(path).fileName();
    if (name.endsWith(extension, Qt::CaseInsensitive))
        name.chop(extension.size());
    return name;
}

// Programs that start other programs: their names say nothing about the application.
bool isLauncher(const QString& program)
{
    static const QSet<QString> launchers = {
        QStringLiteral("env"),     QStringLiteral("sh"),       QStringLiteral("bash"),        QStringLiteral("dash"),
        QStringLiteral("zsh"),     QStringLiteral("flatpak"),  QStringLiteral("snap"),        QStringLiteral("sudo"),
        QStringLiteral("pkexec"),  QStringLiteral("xdg-open"), QStringLiteral("gtk-launch"),  QStringLiteral("python"),
        QStringLiteral("python3"), QStringLiteral("perl"),     QStringLiteral("java"),        QStringLiteral("wine"),
        QStringLiteral("mono"),    QStringLiteral("electron"), QStringLiteral("appimage-run")};
    return launchers.contains(program.toLower());
}

// Folders below ~/.config, ~/.local/share and ~/.cache that belong to the desktop, not to
// one application, whatever an application's names say.
bool isSharedFolderName(const QString& name)
{
    static const QSet<QString> shared = {
        QStringLiteral("applications"), QStringLiteral("autostart"),  QStringLiteral("icons"),
        QStringLiteral("mime"),         QStringLiteral("fonts"),      QStringLiteral("themes"),
        QStringLiteral("trash"),        QStringLiteral("flatpak"),    QStringLiteral("snap"),
        QStringLiteral("sweepora"),     QStringLiteral("menus"),      QStringLiteral("desktop-directories"),
        QStringLiteral("dbus-1"),       QStringLiteral("systemd"),    QStringLiteral("keyrings"),
        QStringLiteral("dconf"),        QStringLiteral("fontconfig"), QStringLiteral("gtk-3.0"),
        QStringLiteral("gtk-4.0"),      QStringLiteral("pulse"),      QStringLiteral("thumbnails"),
        QStringLiteral("gvfs-metadata")};
    return shared.contains(name.toLower());
}

} // namespace

QString kindName(ApplicationKind kind)
{
    switch (kind) {
    case ApplicationKind::bundle:
        return QStringLiteral("bundle");
    case ApplicationKind::desktop:
        return QStringLiteral("desktop");
    case ApplicationKind::user:
        return QStringLiteral("user");
    case ApplicationKind::flatpak:
        return QStringLiteral("flatpak");
    case ApplicationKind::snap:
        return QStringLiteral("snap");
    case ApplicationKind::appImage:
        return QStringLiteral("appimage");
    }
    return QStringLiteral("bundle");
}

QStringList LinuxApplication::folderNames() const
{
    QStringList names;
    auto add = [&names](const QString& name) {
        if (!ApplicationCacheEngine::isSafeFolderName(name) || name.startsWith(QLatin1Char('.')) ||
            isSharedFolderName(name) || names.contains(name, Qt::CaseInsensitive))
            return;
        names.append(name);
    };
    add(id);
    if (id.contains(QLatin1Char('.')))
        add(id.section(QLatin1Char('.'), -1));
    if (const QString programName = QFileInfo(program).fileName(); !isLauncher(programName))
        add(programName);
    add(startupWMClass);
    return names;
}

namespace LinuxApplications {

bool isValidApplicationID(const QString& id)
{
    if (id.isEmpty() || id.size() > 255 || id == QLatin1String(".") || id == QLatin1String(".."))
        return false;
    return std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
               (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('-') ||
               c == QLatin1Char('_');
    });
}

QStringList childFolders(const QString& folder)
{
    QStringList names;
    for (const Listed& child : list(folder))
        if (child.kind == EntryKind::directory)
            names.append(child.relative);
    return names;
}

QStringList childItems(const QString& folder)
{
    QStringList names;
    for (const Listed& child : list(folder))
        if (child.kind == EntryKind::directory || child.kind == EntryKind::regular)
            names.append(child.relative);
    return names;
}

bool hasAppImageMagic(const QByteArray& b)
{
    return b.size() >= 11 &&
           b.startsWith("\x7f"
                        "ELF") &&
           b[8] == 'A' && b[9] == 'I' && (b[10] == 1 || b[10] == 2);
}

bool isAppImage(const QString& path)
{
    const std::optional<QByteArray> head = readMetadataFile(path, 16);
    return head && hasAppImageMagic(*head);
}

SnapInfo parseSnapYaml(const QByteArray& data)
{
    SnapInfo info;
    const QString text = QString::fromUtf8(data.left(256 * 1024));
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        // Only top-level keys: nested ones ("apps:" and below) are indented.
        if (line.isEmpty() || line[0].isSpace() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon < 1)
            continue;
        const QStringView key = line.left(colon).trimmed();
        QStringView value = line.mid(colon + 1).trimmed();
        if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
            value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        QString* target = key == QLatin1String("name")    ? &info.name
                          : key == QLatin1String("title") ? &info.title
                          : key == QLatin1String("type")  ? &info.type
                                                          : nullptr;
        if (target != nullptr && target->isEmpty())
            *target = value.toString();
    }
    return info;
}

bool programExists(const QString& program)
{
    if (program.isEmpty())
        return false;
    if (QFileInfo(program).isAbsolute())
        return QFileInfo::exists(program);
    if (program.contains(QLatin1Char('/')))
        return false;
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QList<LinuxApplication> discover(const LinuxApplicationPlaces& places)
{
    std::map<QString, LinuxApplication> byID;
    QSet<QString> entryIDs; // desktop-file IDs already decided: the first folder wins
    QSet<QString> images;   // AppImages already found through an entry

    // Flatpaks: the user installation first, so that its copy of an app is the one listed.
    for (const auto& [installation, systemWide] :
         {std::pair{places.flatpakUser, false}, std::pair{places.flatpakSystem, true}}) {
        if (installation.isEmpty())
            continue;
        for (const Listed& app : list(installation + QStringLiteral("/app"))) {
            const QString& id = app.relative;
            if (app.kind != EntryKind::directory || !isValidApplicationID(id) || byID.count(id) != 0)
                continue;
            const QString active = app.path + QStringLiteral("/current/active");
            const std::optional<KeyFile> metadata = KeyFile::read(active + QStringLiteral("/metadata"));
            if (!metadata || !metadata->hasGroup(QStringLiteral("Application")))
                continue;
            LinuxApplication found;
            found.id = id;
            found.kind = ApplicationKind::flatpak;
            found.path = app.path;
            found.systemWide = systemWide;
            const QString entryPath =
                active + QStringLiteral("/export/share/applications/") + id + QStringLiteral(".desktop");
            if (const std::optional<DesktopEntry> entry = DesktopEntry::read(entryPath)) {
                found.desktopEntry = entryPath;
                found.name = entry->name;
                found.icon = entry->icon;
                found.startupWMClass = entry->startupWMClass;
            }
            if (found.name.isEmpty())
                found.name = id.section(QLatin1Char('.'), -1);
            byID.emplace(id, std::move(found));
        }
    }

    // Snaps: only applications, not the bases and the snapd snap beside them.
    for (const Listed& snap : list(places.snapRoot)) {
        const QString& name = snap.relative;
        if (snap.kind != EntryKind::directory || !isValidApplicationID(name) || byID.count(name) != 0)
            continue;
        const QString meta = snap.path + QStringLiteral("/current/meta");
        const std::optional<QByteArray> yaml = readMetadataFile(meta + QStringLiteral("/snap.yaml"), 256 * 1024);
        if (!yaml)
            continue;
        const SnapInfo info = parseSnapYaml(*yaml);
        if (!info.type.isEmpty() && info.type != QLatin1String("app"))
            continue;
        LinuxApplication found;
        found.id = name;
        found.kind = ApplicationKind::snap;
        found.path = snap.path;
        found.name = info.title;
        for (const Listed& gui : list(meta + QStringLiteral("/gui"))) {
            if (!gui.relative.endsWith(QLatin1String(".desktop")))
                continue;
            if (const std::optional<DesktopEntry> entry = readEntry(gui)) {
                if (found.name.isEmpty())
                    found.name = entry->name;
                found.icon = entry->icon;
                found.startupWMClass = entry->startupWMClass;
                break;
            }
        }
        if (found.name.isEmpty())
            found.name = name;
        byID.emplace(name, std::move(found));
    }

    // Desktop entries: the user's own folder first, as the desktop reads them.
    QList<std::pair<QString, bool>> entryFolders{{places.userEntryFolder(), true}};
    for (const QString& folder : places.systemEntryFolders)
        entryFolders.append({folder, false});
    for (const auto& [folder, isUser] : entryFolders) {
        // The entries Flatpak and snapd export for their applications, found above.
        if (folder.endsWith(QLatin1String("/exports/share/applications")) ||
            folder.endsWith(QLatin1String("/snapd/desktop/applications")))
            continue;
        for (const Listed& listed : list(folder, true)) {
            if (!listed.relative.endsWith(QLatin1String(".desktop")))
                continue;
            const QString id = desktopFileID(listed.relative);
            if (entryIDs.contains(id))
                continue;
            entryIDs.insert(id);
            const std::optional<DesktopEntry> entry = readEntry(listed);
            if (!entry || !entry->isApplication || entry->hidden)
                continue;
            // Exported by a Flatpak or a snap: that application, listed with its own kind.
            if (!entry->flatpakID.isEmpty() || !entry->snapName.isEmpty() || byID.count(id) != 0)
                continue;
            LinuxApplication found;
            found.id = id;
            found.name = entry->name.isEmpty() ? id : entry->name;
            found.kind = isUser ? ApplicationKind::user : ApplicationKind::desktop;
            found.path = listed.path;
            found.desktopEntry = listed.path;
            found.icon = entry->icon;
            found.program = entry->program();
            found.startupWMClass = entry->startupWMClass;
            if (QFileInfo(found.program).isAbsolute() && isAppImage(found.program)) {
                found.kind = ApplicationKind::appImage;
                found.path = standardizedPath(found.program);
                images.insert(found.path);
            }
            byID.emplace(id, std::move(found));
        }
    }

    // AppImages lying in the usual folders without an entry of their own.
    for (const QString& folder : places.appImageFolders) {
        for (const Listed& file : list(folder)) {
            if (file.kind != EntryKind::regular || images.contains(file.path) || !isAppImage(file.path))
                continue;
            const QString id = fileNameWithout(file.path, QLatin1String(".AppImage"));
            if (id.isEmpty() || byID.count(id) != 0)
                continue;
            images.insert(file.path);
            LinuxApplication found;
            found.id = id;
            found.name = id;
            found.kind = ApplicationKind::appImage;
            found.path = file.path;
            found.program = file.path;
            byID.emplace(id, std::move(found));
        }
    }

    QList<LinuxApplication> applications;
    applications.reserve(static_cast<qsizetype>(byID.size()));
    for (auto& [id, app] : byID)
        applications.append(std::move(app));
    return applications;
}

} // namespace LinuxApplications
} // namespace Sweepora::Core
