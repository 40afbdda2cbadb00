#include "ui/components/AppIcon.h"

#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

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
    return QIcon::fromTheme(bundleID);
}

void AppIcon::setBundleID(const QString& bundleID)
{
    m_bundleID = bundleID;
    const QIcon found = applicationIcon(bundleID);
    m_fallback = found.isNull();
    m_icon = m_fallback ? Symbols::icon(QStringLiteral("folder.fill"), Theme::tint(Tint::Accent)) : found;
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
