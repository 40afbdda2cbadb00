#include "core/apps/DesktopEntry.h"

#include "core/fs/UniqueFd.h"
#include "core/platform/Sandbox.h"

#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Core {
namespace {

QString unescaped(QStringView raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 >= raw.size()) {
            out.append(c);
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's':
            out.append(QLatin1Char(' '));
            break;
        case 'n':
            out.append(QLatin1Char('\n'));
            break;
        case 't':
            out.append(QLatin1Char('\t'));
            break;
        case 'r':
            out.append(QLatin1Char('\r'));
            break;
        default:
            out.append(next);
            break;
        }
    }
    return out;
}

bool isTrue(const std::optional<QString>& value)
{
    return value && value->trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

} // namespace

KeyFile KeyFile::parse(const QByteArray& bytes)
{
    KeyFile file;
    const QString text = QString::fromUtf8(bytes.left(kMaximumSize));
    QHash<QString, QString>* group = nullptr;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            group = close > 1 ? &file.m_groups[line.mid(1, close - 1).toString()] : nullptr;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (group == nullptr || equals < 1)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        if (!group->contains(key))
            group->insert(key, line.mid(equals + 1).trimmed().toString());
    }
    return file;
}

namespace {

// From the scope's descriptor, following no link on the way or at the end (ELOOP then).
// O_NONBLOCK: a FIFO planted where a file should be must not stall discovery.
UniqueFd openInScope(const QString& path)
{
    const Sandbox::Parent parent = Sandbox::openParent(path, Sandbox::Access::read);
    if (!parent.parent.valid()) {
        errno = parent.error;
        return {};
    }
    return UniqueFd(
        ::openat(parent.parent.get(), parent.name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
}

} // namespace

std::optional<QByteArray> readMetadataFile(const QString& path, qint64 maximum)
{
    // Flatpak and snap reach their metadata through links (current, active, the exported
    // entries): such a path is read where it really lies, and only when that place may be read
    // too. A link swapped in after the check fails the open instead of being followed.
    UniqueFd fd = openInScope(path);
    if (!fd.valid() && errno == ELOOP) {
        const QString real = QFileInfo(path).canonicalFilePath();
        if (!real.isEmpty())
            fd = openInScope(real);
    }
    if (!fd.valid())
        return std::nullopt;
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    QByteArray data(static_cast<qsizetype>(std::clamp<qint64>(st.st_size, 0, maximum)), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd.get(), data.data() + got, static_cast<size_t>(data.size() - got));
        if (n <= 0)
            break;
        got += n;
    }
    data.truncate(got);
    return data;
}

std::optional<KeyFile> KeyFile::read(const QString& path)
{
    const std::optional<QByteArray> data = readMetadataFile(path, kMaximumSize);
    if (!data)
        return std::nullopt;
    return parse(*data);
}

std::optional<QString> KeyFile::value(const QString& group, const QString& key) const
{
    const auto g = m_groups.constFind(group);
    if (g == m_groups.constEnd())
        return std::nullopt;
    const auto v = g->constFind(key);
    if (v == g->constEnd())
        return std::nullopt;
    return unescaped(*v);
}

DesktopEntry DesktopEntry::fromKeyFile(const KeyFile& file)
{
    const QString group = QStringLiteral("Desktop Entry");
    auto text = [&](const char* key) { return file.value(group, QLatin1String(key)).value_or(QString()); };
    DesktopEntry entry;
    for (const char* key : {"Name[zh_CN]", "Name[zh]", "Name"}) {
        if (const std::optional<QString> name = file.value(group, QLatin1String(key)); name && !name->isEmpty()) {
            entry.name = *name;
            break;
        }
    }
    entry.icon = text("Icon");
    entry.exec = text("Exec");
    entry.tryExec = text("TryExec");
    entry.startupWMClass = text("StartupWMClass");
    entry.flatpakID = text("X-Flatpak");
    entry.snapName = text("X-SnapInstanceName");
    entry.isApplication = text("Type") == QLatin1String("Application");
    entry.hidden =
        isTrue(file.value(group, QStringLiteral("NoDisplay"))) || isTrue(file.value(group, QStringLiteral("Hidden")));
    return entry;
}

std::optional<DesktopEntry> DesktopEntry::read(const QString& path)
{
    const std::optional<KeyFile> file = KeyFile::read(path);
    if (!file || !file->hasGroup(QStringLiteral("Desktop Entry")))
        return std::nullopt;
    return fromKeyFile(*file);
}

QString DesktopEntry::programOf(const QString& exec)
{
    // Words as the Exec key quotes them: "…" with backslash escapes, else split at blanks.
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size() && words.size() < 64; ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word.append(exec[++i]);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word.append(c);
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words.append(std::exchange(word, QString()));
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    qsizetype first = 0;
    if (first < words.size() &&
        (words[first] == QLatin1String("env") || words[first] == QLatin1String("/usr/bin/env"))) {
        ++first;
        while (first < words.size() &&
               (words[first].contains(QLatin1Char('=')) || words[first].startsWith(QLatin1Char('-'))))
            ++first;
    }
    return first < words.size() ? words[first] : QString();
}

QString desktopFileID(const QString& relativePath)
{
    QString id = relativePath;
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return id;
}

} // namespace Sweepora::Core
