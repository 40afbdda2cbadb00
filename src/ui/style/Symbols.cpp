#include "ui/style/Symbols.h"

#include "ui/style/SymbolIconEngine.h"

#include <QHash>

namespace Sweepora::Ui {
namespace {

// Symbol name → file of the icon set ("o/" outline, "f/" filled).
const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> map = [] {
        const std::pair<const char*, const char*> entries[] = {
            {"app.badge.checkmark", "o/apps"},
            {"archivebox", "o/archive"},
            {"arrow.clockwise", "o/refresh"},
            {"arrow.down.app.fill", "f/square-arrow-down"},
            {"arrow.right", "o/arrow-right"},
            {"arrow.up", "o/arrow-up"},
            {"bolt.fill", "f/bolt"},
            {"checkmark.circle", "o/circle-check"},
            {"checkmark.circle.fill", "f/circle-check"},
            {"chevron.left", "o/chevron-left"},
            {"clock.arrow.circlepath", "o/clean-history"},
            {"chevron.right", "o/chevron-right"},
            {"chevron.left.forwardslash.chevron.right", "o/kind-code"},
            {"doc", "o/file"},
            {"doc.fill", "f/file"},
            {"doc.on.doc", "o/files"},
            {"doc.text", "o/file-text"},
            {"doc.text.magnifyingglass", "o/file-search"},
            {"doc.zipper", "o/file-zip"},
            {"envelope", "o/mail"},
            {"film", "o/kind-video"},
            {"externaldrive", "o/server"},
            {"folder", "o/folder"},
            {"folder.badge.gearshape", "o/folder-cog"},
            {"folder.badge.minus", "o/folder-minus"},
            {"folder.fill", "f/folder"},
            {"icloud.and.arrow.down", "o/cloud-download"},
            {"icloud.and.arrow.up", "o/cloud-upload"},
            {"info.circle", "o/info-circle"},
            {"iphone", "o/device-mobile"},
            {"list.bullet", "o/list"},
            {"list.bullet.rectangle", "o/list-details"},
            {"magnifyingglass", "o/search"},
            {"music.note", "o/kind-audio"},
            {"number", "o/hash"},
            {"person.crop.circle.fill", "o/user-circle"},
            {"photo", "o/kind-image"},
            {"plus", "o/plus"},
            {"rectangle.portrait.and.arrow.right", "o/logout"},
            {"safari", "o/compass"},
            {"shippingbox", "o/package"},
            {"slider.horizontal.3", "o/adjustments-horizontal"},
            {"sparkles", "o/sparkles"},
            {"sparkles.rectangle.stack", "o/stack-2"},
            {"square.and.arrow.up", "o/share"},
            {"trash", "o/trash"},
            {"wifi.exclamationmark", "o/wifi-off"},
            {"xmark", "o/x"},
            {"xmark.circle.fill", "f/circle-x"},
        };
        QHash<QString, QString> m;
        for (const auto& [name, file] : entries) {
            const QString f = QString::fromLatin1(file);
            const QString folder =
                f.startsWith(QLatin1String("f/")) ? QStringLiteral("filled") : QStringLiteral("outline");
            m.insert(QString::fromLatin1(name), QStringLiteral(":/icons/%1/%2.svg").arg(folder, f.mid(2)));
        }
        return m;
    }();
    return map;
}

} // namespace

QStringList Symbols::names()
{
    QStringList list = table().keys();
    list.sort();
    return list;
}

bool Symbols::contains(const QString& name)
{
    return table().contains(name);
}

QString Symbols::resourcePath(const QString& name)
{
    return table().value(name);
}

QIcon Symbols::icon(const QString& name, QPalette::ColorRole role)
{
    const QString path = resourcePath(name);
    if (path.isEmpty())
        return {};
    return QIcon(new SymbolIconEngine(path, role));
}

QIcon Symbols::icon(const QString& name, const QColor& color)
{
    const QString path = resourcePath(name);
    if (path.isEmpty())
        return {};
    return QIcon(new SymbolIconEngine(path, color));
}

QPixmap Symbols::pixmap(const QString& name, int size, const QColor& color, qreal devicePixelRatio)
{
    const QString path = resourcePath(name);
    if (path.isEmpty() || size <= 0)
        return {};
    const int pixels = qRound(size * devicePixelRatio);
    QPixmap pm = QPixmap::fromImage(SymbolIconEngine::render(path, QSize(pixels, pixels), color));
    pm.setDevicePixelRatio(devicePixelRatio);
    return pm;
}

QString Symbols::forKind(Core::FileKind kind)
{
    switch (kind) {
    case Core::FileKind::archive:
        return QStringLiteral("doc.zipper");
    case Core::FileKind::installer:
        return QStringLiteral("shippingbox");
    case Core::FileKind::image:
        return QStringLiteral("photo");
    case Core::FileKind::video:
        return QStringLiteral("film");
    case Core::FileKind::audio:
        return QStringLiteral("music.note");
    case Core::FileKind::document:
    case Core::FileKind::log:
        return QStringLiteral("doc.text");
    case Core::FileKind::code:
        return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case Core::FileKind::database:
    case Core::FileKind::other:
        break;
    }
    return QStringLiteral("doc");
}

} // namespace Sweepora::Ui
