
#include "cli/Commands.h"
#include "core/apps/ApplicationUninstallEngine.h"
#include "core/apps/ApplicationUninstallModel.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"
#include "core/util/NameOrder.h"

#include <algorithm>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class AppsCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        return parseApplicationRoots(QStringLiteral("apps"), arguments, m_roots);
    }

    Listing scan(const CommandContext& context) override
    {
        useApplicationRoots(m_roots);
        m_applications = ApplicationUninstallEngine::listApplicationsFor(PlatformLayout::current(), context.home);
        Listing listing;
        listing.message = SectionTexts::applicationsFound(m_applications.size());
        listing.columns = {{QStringLiteral("总大小"), true},
                           {QStringLiteral("关联项目"), true},
                           {QStringLiteral("应用"), false},
                           {QStringLiteral("路径"), false}};
        for (const UninstallApplication& app : std::as_const(m_applications)) {
            QJsonArray related;
            for (const UninstallItem& item : app.related)
                related.append(QJsonObject{{QStringLiteral("path"), item.path}, {QStringLiteral("size"), item.size}});
            listing.items.append(QJsonObject{
                {QStringLiteral("path"), app.path},
                {QStringLiteral("name"), app.name},
                {QStringLiteral("bundleID"), app.bundleID ? QJsonValue(*app.bundleID) : QJsonValue(QJsonValue::Null)},
                {QStringLiteral("kind"), kindName(app.kind)},
                {QStringLiteral("appSize"), app.appSize},
                {QStringLiteral("totalSize"), app.totalSize()},
                {QStringLiteral("related"), related}});
            listing.rows.append(
                {formattedByteCount(app.totalSize()), QString::number(app.related.size()), app.name, app.path});
            listing.trashPaths.append(app.path);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }
    bool confirmsEachGroup() const override { return true; }

    TrashBatchResult moveToTrash(const QStringList& paths) override { return moveToTrashAsking(paths, {}); }

    TrashBatchResult moveToTrashAsking(const QStringList& paths,
                                       const std::function<bool(const QString&)>& confirm) override
    {
        Q_UNUSED(paths); // the listed bundles, in order
        // Asking to move the listed applications is the user's consent for the folders that
        // hold them, as choosing those folders in the window's picker would be.
        for (const UninstallApplication& app : std::as_const(m_applications))
            if (app.removal == UninstallRemoval::trash)
                Sandbox::openScope(parentPath(app.path));
        const QString flatpak = ApplicationUninstallModel::flatpakProgram();

        TrashBatchResult total;
        QStringList messages;
        for (const UninstallApplication& app : std::as_const(m_applications)) {
            const QString question =
                app.kind == ApplicationKind::bundle
                    ? QStringLiteral("卸载 %1（%2）并将 %3 个关联项目移到废纸篓？")
                          .arg(app.name, app.path)
                          .arg(app.related.size())
                    : QStringLiteral("卸载 %1？\n%2")
                          .arg(app.name, ApplicationUninstallModel::confirmationText(app, flatpak));
            if (confirm && !confirm(question))
                continue;
            // Two copies of one application share their related items: the first copy takes them.
            QList<TrashItem> work = ApplicationUninstallEngine::workList(app);
            const auto related = work.begin() + (app.removal == UninstallRemoval::trash ? 1 : 0);
            work.erase(std::remove_if(related, work.end(),
                                      [&total](const TrashItem& item) { return total.moved.contains(item.path); }),
                       work.end());
            const ApplicationUninstallEngine::Outcome outcome =
                ApplicationUninstallEngine::uninstall(app, work, {}, flatpak);
            total.moved += outcome.movedPaths;
            total.failed += outcome.failures;
            messages.append(app.name + QStringLiteral("：") + outcome.message);
        }
        total.message = messages.isEmpty() ? QStringLiteral("未移动任何文件") : messages.join(QStringLiteral("；"));
        return total;
    }

private:
    QStringList m_roots;
    QList<UninstallApplication> m_applications;
};

} // namespace

Command appsCommand()
{
    return {QStringLiteral("apps"), [] { return std::make_unique<AppsCommand>(); }};
}

} // namespace Sweepora::Cli
