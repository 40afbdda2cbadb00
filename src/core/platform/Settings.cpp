#include "core/platform/Settings.h"

#include "core/platform/Context.h"

namespace Sweepora::Core {

QSettings& Settings::store()
{
    return Context::current().settings();
}

std::unique_ptr<QSettings> Settings::threadCopy()
{
    return Context::current().settingsCopy();
}

void Settings::useFile(const QString& path)
{
    Context::current().useSettingsFile(path);
}

} // namespace Sweepora::Core
