#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace Sweepora::Core {

// The first `maximum` bytes of a regular file inside what the sandbox lets us read, opened from
// its scope's descriptor; a path through links is read only where it really lies, and that
// place must be readable too. None when it cannot be read.
std::optional<QByteArray> readMetadataFile(const QString& path, qint64 maximum);

// A freedesktop.org key file (desktop entries, Flatpak metadata): groups of "key=value" lines.
// Reading never fails: lines that make no sense are passed over, the first of repeated keys
// wins, and values are decoded as UTF-8 with bad bytes replaced.
class KeyFile
{
public:
    // Files larger than this are not application metadata; reading stops there.
    static constexpr qint64 kMaximumSize = 512 * 1024;

    static KeyFile parse(const QByteArray& data);
    // Reads a regular file as readMetadataFile() does; none when it cannot.
    static std::optional<KeyFile> read(const QString& path);

    // The raw value (escapes undone for "\s", "\n", "\t", "\r", "\\"); none when absent.
    std::optional<QString> value(const QString& group, const QString& key) const;
    bool hasGroup(const QString& group) const { return m_groups.contains(group); }

private:
    QHash<QString, QHash<QString, QString>> m_groups;
};

// The [Desktop Entry] group of a desktop entry, with what Sweepora uses of it.
struct DesktopEntry
{
    QString name; // Name[zh_CN], else Name[zh], else Name
    QString icon;
    QString exec;
    QString tryExec;
    QString startupWMClass;
    QString flatpakID;          // X-Flatpak: the entry exported by that Flatpak
    QString snapName;           // X-SnapInstanceName: the entry of that snap
    bool isApplication = false; // Type=Application
    bool hidden = false;        // NoDisplay=true or Hidden=true

    static DesktopEntry fromKeyFile(const KeyFile& file);
    static std::optional<DesktopEntry> read(const QString& path);

    // The program that Exec runs, as written (the first word, quotes and escapes undone, a
    // leading "env" and its VAR=value words passed over); empty when there is none.
    static QString programOf(const QString& exec);
    QString program() const { return programOf(exec); }
};

// The desktop-file ID of the entry at `relativePath` below an "applications" folder: the
// path with "/" replaced by "-" and without ".desktop".
QString desktopFileID(const QString& relativePath);

} // namespace Sweepora::Core
