#include "ui/pages/UrlOpener.h"

#include <QDesktopServices>

namespace Sweepora::Ui {
namespace {

std::function<void(const QUrl&)>& opener()
{
    static std::function<void(const QUrl&)> current;
    return current;
}

} // namespace

void openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return;
    if (opener())
        opener()(url);
    else
        QDesktopServices::openUrl(url);
}

void setUrlOpener(std::function<void(const QUrl&)> replacement)
{
    opener() = std::move(replacement);
}

} // namespace Sweepora::Ui
