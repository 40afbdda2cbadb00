#include "core/sections/SectionTable.h"

#include "core/platform/PlatformWords.h"

#include <QHash>

#include <algorithm>

namespace Sweepora::Core {

const QList<Section>& sections()
{
    using K = SectionKey;
    static const QList<Section> rows = {
        {.key = K::quickCleanup,
         .id = QStringLiteral("快速清理"),
         .symbol = QStringLiteral("bolt.fill"),
         .subtitle = QStringLiteral("一次扫描常规缓存、应用垃圾、闲杂文件、压缩包、安装包与空文件夹"),
         .inSidebar = true},
        {.key = K::ruleCleanup,
         .id = QStringLiteral("常规清理"),
         .name = QStringLiteral("rules"),
         .symbol = QStringLiteral("sparkles"),
         .subtitle = QStringLiteral("根据清理规则扫描系统与应用产生的缓存文件"),
         .inSidebar = true,
         .quickTint = QStringLiteral("blue")},
        {.key = K::applicationCleanup,
         .id = QStringLiteral("应用清理"),
         .name = QStringLiteral("app-caches"),
         .symbol = QStringLiteral("app.badge.checkmark"),
         .subtitle = QStringLiteral("按应用归类扫描缓存、日志与可安全清理的数据"),
         .inSidebar = true,
         .quickTint = QStringLiteral("purple")},
        {.key = K::miscFiles,
         .id = QStringLiteral("闲杂文件"),
         .name = QStringLiteral("misc"),
         .symbol = QStringLiteral("archivebox"),
         .subtitle = QStringLiteral("查找名称中含有 log 或 cache 一词的日志与缓存文件，不含文档、代码与媒体文件"),
         .inSidebar = true,
         .quickTint = QStringLiteral("orange")},
        {.key = K::archives,
         .id = QStringLiteral("压缩包清理"),
         .name = QStringLiteral("archives"),
         .symbol = QStringLiteral("doc.zipper"),
         .subtitle = QStringLiteral("查找一个月以前的压缩文件"),
         .inSidebar = true,
         .quickTint = QStringLiteral("indigo")},
        {.key = K::installers,
         .id = QStringLiteral("安装包清理"),
         .name = QStringLiteral("installers"),
         .symbol = QStringLiteral("shippingbox"),
         .subtitle = QStringLiteral("查找一个月以前的安装包与磁盘镜像"),
         .inSidebar = true,
         .quickTint = QStringLiteral("mint")},
        {.key = K::largeFiles,
         .id = QStringLiteral("大文件清理"),
         .name = QStringLiteral("large"),
         .symbol = QStringLiteral("doc.text.magnifyingglass"),
         .subtitle = QStringLiteral("定位占用空间较大的文件，快速释放磁盘空间"),
         .inSidebar = true},
        {.key = K::duplicateFiles,
         .id = QStringLiteral("重复文件"),
         .name = QStringLiteral("dupes"),
         .symbol = QStringLiteral("doc.on.doc"),
         .subtitle = QStringLiteral("按内容查找重复的文件，每组保留一个副本，其余移到废纸篓"),
         .inSidebar = true},
        {.key = K::emptyFolders,
         .id = QStringLiteral("空文件夹清理"),
         .name = QStringLiteral("empty"),
         .symbol = QStringLiteral("folder.badge.minus"),
         .subtitle = QStringLiteral("扫描个人目录中不包含任何内容的空文件夹"),
         .inSidebar = true,
         .dividerAfter = true,
         .quickTint = QStringLiteral("teal")},
        {.key = K::applicationUninstall,
         .id = QStringLiteral("卸载应用"),
         .name = QStringLiteral("apps"),
         .symbol = QStringLiteral("trash"),
         .subtitle = QStringLiteral("查看应用本体与关联文件的大小，并移到废纸篓"),
         .inSidebar = true},
        {.key = K::storageAnalysis,
         .id = QStringLiteral("存储大小分析"),
         .name = QStringLiteral("storage"),
         .symbol = QStringLiteral("externaldrive"),
         .subtitle = QStringLiteral("按当前目录中的文件与文件夹大小排序，逐层查看空间占用"),
         .inSidebar = true},
        {.key = K::cleanupHistory,
         .id = QStringLiteral("清理记录"),
         .symbol = QStringLiteral("clock.arrow.circlepath"),
         .subtitle = QStringLiteral("查看每次清理移到废纸篓的项目，并放回原处"),
         .inSidebar = true,
         .dividerAfter = true},
        {.key = K::ruleManagement,
         .id = QStringLiteral("规则管理"),
         .symbol = QStringLiteral("list.bullet.rectangle"),
         .subtitle = QStringLiteral("创建、编辑、导出并同步本地清理规则"),
         .inSidebar = true},
        {.key = K::ruleWorkshop,
         .id = QStringLiteral("规则工坊"),
         .symbol = QStringLiteral("shippingbox"),
         .subtitle = QStringLiteral("浏览社区规则，将可信规则入库或提交新规则"),
         .inSidebar = true,
         .dividerAfter = true},
        {.key = K::about,
         .id = QStringLiteral("关于"),
         .symbol = QStringLiteral("info.circle"),
         .subtitle = QStringLiteral("了解Sweepora、访问官方网站或向我们反馈问题"),
         .inSidebar = true},
        // Reached through the title-bar search field.
        {.key = K::fileSearch,
         .id = QStringLiteral("文件搜索"),
         .name = QStringLiteral("search"),
         .symbol = QStringLiteral("magnifyingglass"),
         .subtitle = QStringLiteral("按文件名称搜索个人目录并管理搜索结果")},
        // Cleaned from the uninstaller's sheet; it names batches of the cleanup history only.
        {.key = K::leftovers, .id = QStringLiteral("应用残留"), .name = QStringLiteral("leftovers")},
    };
    return rows;
}

const Section& section(SectionKey key)
{
    // Every key has its row.
    return *std::find_if(sections().cbegin(), sections().cend(), [key](const Section& s) { return s.key == key; });
}

const QString& sectionId(SectionKey key)
{
    return section(key).id;
}

const QList<Section>& sidebarSections()
{
    static const QList<Section> rows = [] {
        QList<Section> shown;
        for (const Section& s : sections())
            if (s.inSidebar)
                shown.append(s);
        return shown;
    }();
    return rows;
}

const QList<Section>& quickCleanupSections()
{
    static const QList<Section> rows = [] {
        QList<Section> scanned;
        for (const Section& s : sections())
            if (!s.quickTint.isEmpty())
                scanned.append(s);
        return scanned;
    }();
    return rows;
}

const Section* sectionNamed(const QString& name)
{
    static const QHash<QString, const Section*> byName = [] {
        QHash<QString, const Section*> names;
        for (const Section& s : sections())
            if (!s.name.isEmpty())
                names.insert(s.name, &s);
        return names;
    }();
    return name.isEmpty() ? nullptr : byName.value(name);
}

QString sectionSubtitle(const QString& id)
{
    for (const Section& s : sections())
        if (s.id == id && !s.subtitle.isEmpty())
            return s.subtitle;
    return QStringLiteral("扫描并管理") + PlatformWords::computer() + QStringLiteral("中可安全处理的文件");
}

} // namespace Sweepora::Core
