#include "core/apps/InfoDictionary.h"

#include "core/platform/Sandbox.h"

#include <QFile>
#include <QFileInfo>

#include <plist/plist.h>

#include <memory>

namespace Sweepora::Core {
namespace {

// Real Info.plist files are a few kilobytes; a huge one is not read into memory.
constexpr qint64 kMaximumPlistSize = 4 * 1024 * 1024;

struct PlistDeleter
{
    void operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }
};

std::optional<QByteArray> readPlistFile(const QString& path)
{
    const QFileInfo info(path);
    // A link could lead out of the bundle (and out of what the sandbox lets us read).
    if (info.isSymLink() || !info.isFile() || info.size() > kMaximumPlistSize || !Sandbox::canRead(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaximumPlistSize + 1);
}

} // namespace

std::optional<InfoDictionary> InfoDictionary::ofBundle(const QString& bundlePath)
{
    for (const QString& relative : {QStringLiteral("/Contents/Info.plist"), QStringLiteral("/Info.plist")}) {
        if (const std::optional<QByteArray> data = readPlistFile(bundlePath + relative))
            return fromData(*data);
    }
    return std::nullopt;
}

std::optional<InfoDictionary> InfoDictionary::fromData(const QByteArray& data)
{
    if (data.isEmpty() || data.size() > kMaximumPlistSize)
        return std::nullopt;
    plist_t raw = nullptr;
    plist_from_memory(data.constData(), static_cast<uint32_t>(data.size()), &raw);
    std::shared_ptr<void> root(raw, PlistDeleter());
    if (raw == nullptr || plist_get_node_type(raw) != PLIST_DICT)
        return std::nullopt;
    InfoDictionary dictionary;
    dictionary.m_root = std::move(root);
    return dictionary;
}

std::optional<QString> InfoDictionary::text(const QString& key) const
{
    // A key given more than once takes its last value, whatever its type, as a dictionary built
    // entry by entry would; libplist's own look-up finds the first in a binary list.
    const QByteArray wanted = key.toUtf8();
    plist_t last = nullptr;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(m_root.get(), &it);
    if (it == nullptr)
        return std::nullopt;
    for (;;) {
        plist_t value = nullptr;
        plist_dict_next_item(m_root.get(), it, nullptr, &value);
        if (value == nullptr)
            break;
        if (plist_key_val_compare(plist_dict_item_get_key(value), wanted.constData()) == 0)
            last = value;
    }
    free(it);
    if (last == nullptr || plist_get_node_type(last) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(last, &length);
    if (text == nullptr)
        return std::nullopt;
    return QString::fromUtf8(text, static_cast<qsizetype>(length));
}

} // namespace Sweepora::Core
