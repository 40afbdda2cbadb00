#include "ui/window/Sections.h"

#include "platform/PlatformWords.h"
namespace Sweepora::Ui {

const QList<Section>& sidebarSections()
{
    static const QList<Section> sections = {
        {QStringLiteral("快速清理"), QStringLiteral("bolt.fill"),
         QStringLiteral("一次扫描常规缓存、应用垃圾、闲杂文件、压缩包、安装包与空文件夹")},
        {QStringLiteral("常规清理"), QStringLiteral("sparkles"),
         QStringLiteral("根据清理规则扫描系统与应用产生的缓存文件")},
        {QStringLiteral("应用清理"), QStringLiteral("app.badge.checkmark"),
         QStringLiteral("按应用归类扫描缓存、日志与可安全清理的数据")},
        {QStringLiteral("闲杂文件"), QStringLiteral("archivebox"),
         QStringLiteral("查找名称中含有 log 或 cache 一词的日志与缓存文件，不含文档、代码与媒体文件")},
        {QStringLiteral("压缩包清理"), QStringLiteral("doc.zipper"), QStringLiteral("查找一个月以前的压缩文件")},
        {QStringLiteral("安装包清理"), QStringLiteral("shippingbox"),
         QStringLiteral("查找一个月以前的安装包与磁盘镜像")},
        {QStringLiteral("大文件清理"), QStringLiteral("doc.text.magnifyingglass"),
         QStringLiteral("定位占用空间较大的文件，快速释放磁盘空间")},
        {QStringLiteral("重复文件"), QStringLiteral("doc.on.doc"),
         QStringLiteral("按内容查找重复的文件，每组保留一个副本，其余移到废纸篓")},
        {QStringLiteral("空文件夹清理"), QStringLiteral("folder.badge.minus"),
         QStringLiteral("扫描个人目录中不包含任何内容的空文件夹"), true},
        {QStringLiteral("卸载应用"), QStringLiteral("trash"),
         QStringLiteral("查看应用本体与关联文件的大小，并移到废纸篓")},
        {QStringLiteral("存储大小分析"), QStringLiteral("externaldrive"),
         QStringLiteral("按当前目录中的文件与文件夹大小排序，逐层查看空间占用")},
        {QStringLiteral("清理记录"), QStringLiteral("clock.arrow.circlepath"),
         QStringLiteral("查看每次清理移到废纸篓的项目，并放回原处"), true},
        {QStringLiteral("规则管理"), QStringLiteral("list.bullet.rectangle"),
         QStringLiteral("创建、编辑、导出并同步本地清理规则")},
        {QStringLiteral("规则工坊"), QStringLiteral("shippingbox"),
         QStringLiteral("浏览社区规则，将可信规则入库或提交新规则"), true},
        {QStringLiteral("关于"), QStringLiteral("info.circle"),
         QStringLiteral("了解Sweepora、访问官方网站或向我们反馈问题")},
    };
    return sections;
}

const Section& fileSearchSection()
{
    static const Section s{QStringLiteral("文件搜索"), QStringLiteral("magnifyingglass"),
                           QStringLiteral("按文件名称搜索个人目录并管理搜索结果")};
    return s;
}

QString sectionSubtitle(const QString& id)
{
    for (const Section& s : sidebarSections())
        if (s.id == id)
            return s.subtitle;
    if (id == fileSearchSection().id)
        return fileSearchSection().subtitle;
    return QStringLiteral("扫描并管理") + Core::PlatformWords::computer() + QStringLiteral("中可安全处理的文件");
}

} // namespace Sweepora::Ui
