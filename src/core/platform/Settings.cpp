#include "platform/Settings.h"

#include <QMutex>
#include <QMutexLocker>
#include <memory>

namespace Sweepora::Core {
namespace {
QMutex g_mutex;
std::unique_ptr<QSettings> g_store;
} // namespace

QSettings& Settings::store()
{
    QMutexLocker lock(&g_mutex);
    if (!g_store) {
        const QString file = qEnvironmentVariable("SWEEPORA_SETTINGS_FILE");
        if (!file.isEmpty())
            g_store = std::make_unique<QSettings>(file, QSettings::IniFormat);
        else
            g_store = std::make_unique<QSettings>(QStringLiteral("Sweepora"), QStringLiteral("Sweepora"));
    }
    return *g_store;
}

std::unique_ptr<QSettings> Settings::threadCopy()
{
    const QSettings& shared = store();
    if (!shared.organizationName().isEmpty())
        return std::make_unique<QSettings>(shared.format(), shared.scope(), shared.organizationName(),
                                           shared.applicationName());
    return std::make_unique<QSettings>(shared.fileName(), shared.format());
}

void Settings::useFile(const QString& path)
{
    QMutexLocker lock(&g_mutex);
    g_store = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

} // namespace Sweepora::Core
