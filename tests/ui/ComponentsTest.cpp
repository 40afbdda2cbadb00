#include "UiTest.h"
#include "platform/Sandbox.h"
#include "support/ModelChecks.h"
#include "support/Screenshots.h"
#include "support/TreeBuilder.h"
#include "ui/components/AppIcon.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/EmptyState.h"
#include "ui/components/FileItemList.h"
#include "ui/components/ScanFileModel.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/components/ScanProgressCard.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Sweepora::Ui;
using Sweepora::Core::CleanupResult;
using Sweepora::Core::ScanState;
using Sweepora::Test::Screenshots;
using Sweepora::Test::UiTest;

namespace {

QString labelText(QWidget& parent, const char* name)
{
    auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
}

CleanupResult result(const QString& name, qint64 size, const QStringList& files)
{
    CleanupResult r;
    r.rule.name = name;
    r.rule.packName = QStringLiteral("com.example.none");
    r.rule.description = QStringLiteral("浏览器缓存与临时文件");
    r.id = r.rule.ruleKey();
    r.size = size;
    r.files = files;
    return r;
}

// How much of an image is drawn (not transparent).
int inkedPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return n;
}

// The colour of the most opaque pixel.
QColor inkColor(const QImage& image)
{
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > qAlpha(best))
                best = image.pixel(x, y);
    return QColor(best);
}

class Components : public UiTest
{
};

} // namespace

TEST_F(Components, EverySymbolTheInterfaceNamesDrawsSomething)
{
    const QStringList used =
        QStringLiteral(
            "bolt.fill sparkles app.badge.checkmark archivebox doc.zipper shippingbox doc.text.magnifyingglass "
            "folder.badge.minus trash externaldrive list.bullet.rectangle info.circle magnifyingglass "
            "person.crop.circle.fill rectangle.portrait.and.arrow.right checkmark.circle checkmark.circle.fill doc "
            "doc.fill doc.text folder folder.fill folder.badge.gearshape arrow.up arrow.right arrow.clockwise "
            "arrow.down.app.fill chevron.right chevron.left list.bullet xmark xmark.circle.fill slider.horizontal.3 "
            "icloud.and.arrow.up icloud.and.arrow.down plus square.and.arrow.up wifi.exclamationmark "
            "sparkles.rectangle.stack iphone envelope safari number")
            .split(QLatin1Char(' '));
    for (const QString& name : used) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(Symbols::contains(name));
        EXPECT_TRUE(QFile::exists(Symbols::resourcePath(name)));
        const QImage image = Symbols::icon(name).pixmap(24, 24).toImage();
        EXPECT_GT(inkedPixels(image), 20);
    }
    // Filled symbols cover more of their box than outlined ones.
    EXPECT_GT(inkedPixels(Symbols::pixmap(QStringLiteral("folder.fill"), 24, Qt::black).toImage()),
              inkedPixels(Symbols::pixmap(QStringLiteral("folder"), 24, Qt::black).toImage()));
    EXPECT_TRUE(Symbols::icon(QStringLiteral("no.such.symbol")).isNull());
}

TEST_F(Components, PaletteSymbolsFollowLightAndDark)
{
    const QIcon icon = Symbols::icon(QStringLiteral("trash"));
    Theme::apply(*qApp, false);
    const QColor light = inkColor(icon.pixmap(32, 32).toImage());
    Theme::apply(*qApp, true);
    const QColor dark = inkColor(icon.pixmap(32, 32).toImage());
    EXPECT_LT(light.lightness(), 100);
    EXPECT_GT(dark.lightness(), 160);

    const QColor red = inkColor(Symbols::icon(QStringLiteral("trash"), QColor(Qt::red)).pixmap(32, 32).toImage());
    EXPECT_EQ(red.rgb(), QColor(Qt::red).rgb());
}

TEST_F(Components, EmptyStateHintAndSymbolFollowTheScanState)
{
    EmptyState empty;
    empty.setMessage(QStringLiteral("准备扫描"));
    EXPECT_EQ(empty.symbolName(), QStringLiteral("sparkles"));
    EXPECT_EQ(empty.hint(), QStringLiteral("点击右下角按钮，扫描规则中指定的缓存目录"));
    EXPECT_EQ(labelText(empty, "placeholderTitle"), QStringLiteral("准备扫描"));
    empty.resize(640, 420);
    Screenshots::save(&empty, QStringLiteral("empty-state-ready"));

    for (ScanState state : {ScanState::Authorizing, ScanState::Scanning, ScanState::Scanned, ScanState::Cleaning}) {
        empty.setState(state);
        EXPECT_EQ(empty.symbolName(), QStringLiteral("checkmark.circle"));
        EXPECT_EQ(labelText(empty, "placeholderSubtitle"), QStringLiteral("你的 Mac 暂时很干净"));
    }
    Screenshots::save(&empty, QStringLiteral("empty-state-scanned"));
    empty.setState(ScanState::Ready);
    EXPECT_EQ(empty.symbolName(), QStringLiteral("sparkles"));
}

TEST_F(Components, ProgressCardPercentIsTruncatedAndNeverFullBeforeTheEnd)
{
    // Decimal fractions that binary floating point stores a hair low (0.29, 0.57) still truncate right.
    const std::pair<double, const char*> cases[] = {{0.0, "0%"},   {0.999, "99%"},       {2.0 / 3.0, "66%"},
                                                    {1.0, "100%"}, {0.29, "29%"},        {0.57, "57%"},
                                                    {-0.5, "0%"},  {std::nan(""), "0%"}, {1.7, "100%"}};
    for (const auto& [progress, text] : cases)
        EXPECT_EQ(ScanProgressCard::percentText(progress), QLatin1String(text)) << progress;
    // Before rule k of n (progress k/n) the card never reads 100%.
    for (int n = 1; n <= 2000; ++n)
        ASSERT_NE(ScanProgressCard::percentText(static_cast<double>(n - 1) / n), QStringLiteral("100%")) << n;

    ScanProgressCard card;
    card.setRuleName(QStringLiteral("微信"));
    card.setProgress(0.42);
    EXPECT_EQ(card.percentText(), QStringLiteral("42%"));
    EXPECT_EQ(labelText(card, "scanProgressRule"), QStringLiteral("微信"));
    auto* bar = card.findChild<QProgressBar*>(QStringLiteral("scanProgressBar"));
    EXPECT_DOUBLE_EQ(static_cast<double>(bar->value()) / bar->maximum(), 0.42);
    card.resize(560, card.sizeHint().height());
    Screenshots::save(&card, QStringLiteral("scan-progress-card"));
}

TEST_F(Components, CleanupRowShowsSizesAndAsksForToggleOrInspection)
{
    CleanupRow row(result(QStringLiteral("Google Chrome"), 0, {}));
    EXPECT_EQ(labelText(row, "cleanupRowName"), QStringLiteral("Google Chrome"));
    CleanupResult r = result(QStringLiteral("Google Chrome"), 1'500'000, {QStringLiteral("/a"), QStringLiteral("/b")});
    row.setResult(r);
    EXPECT_EQ(labelText(row, "cleanupRowSize"), QStringLiteral("1.5 MB"));
    EXPECT_EQ(labelText(row, "cleanupRowCount"), QStringLiteral("2 个文件"));

    row.resize(640, row.sizeHint().height());
    row.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    QSignalSpy toggled(&row, &CleanupRow::toggled);
    QSignalSpy inspect(&row, &CleanupRow::inspect);
    auto* check = row.findChild<QCheckBox*>(QStringLiteral("cleanupRowCheck"));
    QTest::mouseClick(check, Qt::LeftButton, {}, check->rect().center());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled.at(0).at(0).toString(), r.id);
    EXPECT_EQ(inspect.count(), 0);
    // The box shows the model's choice, not the click.
    EXPECT_FALSE(check->isChecked());
    r.selected = true;
    row.setResult(r);
    EXPECT_TRUE(check->isChecked());

    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(row.width() / 2, row.height() / 2));
    ASSERT_EQ(inspect.count(), 1);
    EXPECT_EQ(inspect.at(0).at(0).toString(), r.id);
    EXPECT_EQ(toggled.count(), 1);
    Screenshots::save(&row, QStringLiteral("cleanup-row"));
}

TEST_F(Components, AppIconFallsBackToTheFolderSymbolForUnknownApplications)
{
    AppIcon unknown(QStringLiteral("com.example.not-installed"));
    EXPECT_TRUE(unknown.showsFallback());
    EXPECT_TRUE(AppIcon(QString{}).showsFallback());
    // The symbol is drawn inset, leaving the frame's edge clear.
    QImage image(unknown.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    unknown.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_GT(inkedPixels(image), 100);
    EXPECT_EQ(qAlpha(image.pixel(1, image.height() / 2)), 0);
}

TEST_F(Components, ScanFilePanelListsEachFileWithItsFolderAndSize)
{
    QTemporaryDir home;
    Sweepora::Test::TreeBuilder tree(home.path());
    const QString big = tree.file(QStringLiteral("Library/Caches/com.example/data 1.bin"), 2500);
    Sweepora::Core::Sandbox::openScope(home.path());

    const QStringList files = {big, tree.path(QStringLiteral("Library/Caches/com.example/gone.tmp")),
                               QStringLiteral("/etc/hostname")};
    ScanFilePanel panel;
    panel.setResult(result(QStringLiteral("Example"), 2500, files));
    EXPECT_EQ(labelText(panel, "scanFilePanelRule"), QStringLiteral("Example"));

    const ScanFileModel* model = panel.model();
    const auto checker = Sweepora::Test::checkModel(panel.model());
    ASSERT_EQ(model->rowCount(), 3);
    auto at = [&](int row, int role) { return model->data(model->index(row), role); };
    EXPECT_EQ(at(0, Qt::DisplayRole).toString(), QStringLiteral("data 1.bin"));
    EXPECT_EQ(at(0, FileItemRole::Path).toString(), big);
    EXPECT_EQ(at(0, FileItemRole::Size).toLongLong(), 2500);
    EXPECT_EQ(at(1, Qt::DisplayRole).toString(), QStringLiteral("gone.tmp"));
    EXPECT_EQ(at(1, FileItemRole::Size).toLongLong(), 0); // missing: shown as 0 KB
    EXPECT_EQ(at(2, FileItemRole::Size).toLongLong(), 0); // outside every granted folder

    // Sizes are read when a line is first drawn and kept: a file that grows later keeps its size.
    QFile grown(big);
    ASSERT_TRUE(grown.open(QIODevice::Append));
    grown.write(QByteArray(1000, 'y'));
    grown.close();
    EXPECT_EQ(at(0, FileItemRole::Size).toLongLong(), 2500);

    QSignalSpy closed(&panel, &ScanFilePanel::closeRequested);
    panel.findChild<QToolButton*>(QStringLiteral("scanFilePanelClose"))->click();
    EXPECT_EQ(closed.count(), 1);
    panel.resize(ScanFilePanel::kWidth, 360);
    Screenshots::save(&panel, QStringLiteral("scan-file-panel"));
}

TEST_F(Components, FileItemListReportsCheckboxAndRevealClicksByPath)
{
    QStandardItemModel model;
    const auto checker = Sweepora::Test::checkModel(&model);
    auto add = [&](const QString& path, qint64 size, bool checked) {
        auto* item = new QStandardItem;
        item->setData(path, FileItemRole::Path);
        item->setData(size, FileItemRole::Size);
        item->setData(checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
        model.appendRow(item);
        return item;
    };
    add(QStringLiteral("/home/u/Movies/旅行 2023.mov"), 4'200'000'000, true);
    add(QStringLiteral("/home/u/Downloads/installer.dmg"), 1'073'741'824, false);
    QStandardItem* dated = add(QStringLiteral("/home/u/Downloads/old.zip"), 0, false);
    dated->setData(QStringLiteral("doc.zipper"), FileItemRole::Symbol);
    dated->setData(QStringLiteral("创建于 2023-01-05"), FileItemRole::Detail);

    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    FileItemList list;
    layout->addWidget(&list);
    list.setModel(&model);
    QStringList revealed;
    list.setRevealHandler([&](const QString& path) { revealed << path; });
    host.resize(680, 300);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    QSignalSpy toggled(&list, &FileItemList::toggleRequested);
    const QRect second = list.visualRect(model.index(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.fileDelegate()->checkboxRect(second).center());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled.at(0).at(0).toString(), QStringLiteral("/home/u/Downloads/installer.dmg"));

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.fileDelegate()->revealRect(second).center());
    EXPECT_EQ(revealed, QStringList{QStringLiteral("/home/u/Downloads/installer.dmg")});

    // The rest of the row does neither.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(toggled.count(), 1);
    EXPECT_EQ(revealed.size(), 1);

    FileItemDelegate::Options withDetail;
    withDetail.detailLine = true;
    FileItemList detailed(withDetail, &host);
    detailed.setModel(&model);
    layout->addWidget(&detailed);
    EXPECT_GT(detailed.sizeHintForRow(2), list.sizeHintForRow(2));
    Screenshots::save(&host, QStringLiteral("file-item-list"));
}
