#include "ui/window/MainWindow.h"
#include "ui/window/Sections.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>

using namespace Sweepora::Ui;

TEST(MainWindow, SidebarListsTheThirteenSectionsWithDividers)
{
    MainWindow w;
    auto* sidebar = w.findChild<QListWidget*>(QStringLiteral("sidebar"));
    ASSERT_NE(sidebar, nullptr);
    QStringList titles;
    QList<int> dividers;
    for (int i = 0; i < sidebar->count(); ++i) {
        if (sidebar->item(i)->data(Qt::UserRole).isValid())
            titles << sidebar->item(i)->text();
        else
            dividers << titles.size();
    }
    ASSERT_EQ(titles.size(), 13);
    EXPECT_EQ(titles.first(), QStringLiteral("快速清理"));
    EXPECT_EQ(titles.last(), QStringLiteral("关于"));
    EXPECT_EQ(dividers, (QList<int>{8, 10, 12}));
    EXPECT_EQ(w.selectedSection(), QStringLiteral("快速清理"));
}

TEST(MainWindow, ClickingARowShowsItsHeader)
{
    MainWindow w;
    auto* sidebar = w.findChild<QListWidget*>(QStringLiteral("sidebar"));
    sidebar->setCurrentRow(1);
    EXPECT_EQ(w.selectedSection(), QStringLiteral("常规清理"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("headerTitle"))->text(), QStringLiteral("常规清理"));
    EXPECT_EQ(w.findChild<QLabel*>(QStringLiteral("headerSubtitle"))->text(),
              QStringLiteral("根据清理规则扫描系统与应用产生的缓存文件"));
    EXPECT_EQ(sectionSubtitle(QStringLiteral("未知")), QStringLiteral("扫描并管理 Mac 中可安全处理的文件"));
}
