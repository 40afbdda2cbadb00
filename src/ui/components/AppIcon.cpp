#include "ui/components/AppIcon.h"

#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include "core/platform/PlatformLayout.h"
#include "core/util/NameOrder.h"

#include <QFileInfo>
#include <QPainter>

namespace Sweepora::Ui {

AppIcon::AppIcon(const QString& bundleID, int size, QWidget* parent) : QWidget(parent), m_size(size)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setBundleID(bundleID);
}

QIcon AppIcon::applicationIcon(const QString& bundleID)
{
    if (bundleID.trimmed().isEmpty())
        return {};
    // A desktop entry may name its icon by an absolute file.
    if (QFileInfo(bundleID).isAbsolute())
        return QFileInfo(bundleID).isFile() ? QIcon(bundleID) : QIcon();
    if (bundleID.contains(QLatin1Char('/')))
        return {};
    QIcon themed = QIcon::fromTheme(bundleID);
    if (!themed.isNull())
        return themed;
    // Without a theme that has it, the hicolor folders every application installs into.
    const Core::LinuxApplicationPlaces& places = Core::PlatformLayout::current().linuxApplications;
    QStringList bases{places.dataHome + QStringLiteral("/icons/hicolor")};
    for (const QString& entries : places.systemEntryFolders)
        bases.append(Core::parentPath(entries) + QStringLiteral("/icons/hicolor"));
    for (const QString& base : std::as_const(bases))
        for (const char* size : {"scalable", "256x256", "128x128", "96x96", "64x64", "48x48", "32x32"})
            for (const char* extension : {".svg", ".png"}) {
                const QString file = base + QLatin1Char('/') + QLatin1String(size) + QStringLiteral("/apps/") +
                                     bundleID + QLatin1String(extension);
                if (QFileInfo(file).isFile())
                    return QIcon(file);
            }
    return {};
}

void AppIcon::setBundleID(const QString& bundleID)
{
    m_bundleID = bundleID;
    const QIcon found = applicationIcon(bundleID);
    m_fallback = found.isNull();
    m_icon = m_fallback ? Symbols::icon(QStringLiteral("folder.fill"), Theme::tint(Tint::accent)) : found;
    update();
}

QSize AppIcon::sizeHint() const
{
    return QSize(m_size, m_size);
}

void AppIcon::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int inset = m_fallback ? kFallbackInset : 0;
    m_icon.paint(&p, rect().adjusted(inset, inset, -inset, -inset));
}

} // namespace Sweepora::Ui
