// The interface's building blocks: symbols, rows, cards, lists, the long press, the folder picker.
#include "core/platform/PathBytes.h"
#include "core/platform/Sandbox.h"
#include "ui/PageTest.h"
#include "ui/components/AppIcon.h"
#include "ui/components/CleanupRow.h"
#include "ui/components/EmptyState.h"
#include "ui/components/FileDialogFolderPicker.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ImmediateLongPress.h"
#include "ui/components/ScanFileModel.h"
#include "ui/components/ScanFilePanel.h"
#include "ui/components/ScanProgressCard.h"
#include "ui/style/Symbols.h"
#include "ui/style/Translations.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QVBoxLayout>

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;
using namespace Sweepora::Ui;

namespace {

QString labelText(QWidget& parent, const char* name)
{
    auto* label = parent.findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : u"<missing %1>"_s.arg(QLatin1String(name));
}

CleanupResult result(const QString& name, qint64 size, const QStringList& files)
{
    const CleanupRule rule{true, name, {}, 0, u"com.example.none"_s, u"浏览器缓存与临时文件"_s};
    return {rule.ruleKey(), rule, {}, files, {}, {}, size};
}

// How much of an image is drawn (not transparent), and the colour of its most opaque pixel.
std::pair<int, QColor> ink(const QImage& image)
{
    int drawn = 0;
    QRgb best = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            best = qAlpha(image.pixel(x, y)) > qAlpha(best) ? image.pixel(x, y) : best;
        }
    return {drawn, QColor(best)};
}

using Components = UiTest;

TEST_F(Components, EverySymbolDrawsSomethingInThePalettesColourAndQtsOwnTextsSpeakChinese)
{
    const QStringList used =
        QStringLiteral(
            "bolt.fill sparkles app.badge.checkmark archivebox doc.zipper shippingbox doc.text.magnifyingglass "
            "folder.badge.minus trash externaldrive list.bullet.rectangle info.circle magnifyingglass "
            "person.crop.circle.fill rectangle.portrait.and.arrow.right checkmark.circle checkmark.circle.fill doc "
            "doc.fill doc.text folder folder.fill folder.badge.gearshape arrow.up arrow.right arrow.clockwise "
            "arrow.down.app.fill chevron.right chevron.left list.bullet xmark xmark.circle.fill slider.horizontal.3 "
            "icloud.and.arrow.up icloud.and.arrow.down plus square.and.arrow.up wifi.exclamationmark "
            "sparkles.rectangle.stack iphone envelope safari number clock.arrow.circlepath photo film music.note "
            "chevron.left.forwardslash.chevron.right doc.on.doc")
            .split(QLatin1Char(' '));
    for (const QString& name : used)
        EXPECT_GT(ink(Symbols::icon(name).pixmap(24, 24).toImage()).first, 20) << name.toStdString();
    // Filled symbols cover more of their box than outlined ones.
    EXPECT_GT(ink(Symbols::pixmap(u"folder.fill"_s, 24, Qt::black).toImage()).first,
              ink(Symbols::pixmap(u"folder"_s, 24, Qt::black).toImage()).first);
    EXPECT_TRUE(Symbols::icon(u"no.such.symbol"_s).isNull());
    // The archive icon is for archives only.
    EXPECT_EQ(Symbols::forKind(Core::fileKindOf(u"README.md"_s)), u"doc.text"_s);
    EXPECT_EQ(Symbols::forKind(Core::fileKindOf(u"old.zip"_s)), u"doc.zipper"_s);
    EXPECT_EQ(Symbols::forKind(Core::fileKindOf(u"cache.sqlite"_s)), u"doc"_s);

    // Palette symbols follow light and dark; a given colour is kept.
    const QIcon icon = Symbols::icon(u"trash"_s);
    Theme::apply(*qApp, false);
    EXPECT_LT(ink(icon.pixmap(32, 32).toImage()).second.lightness(), 100);
    Theme::apply(*qApp, true);
    EXPECT_GT(ink(icon.pixmap(32, 32).toImage()).second.lightness(), 160);
    const QColor red = ink(Symbols::icon(u"trash"_s, QColor(Qt::red)).pixmap(32, 32).toImage()).second;
    EXPECT_EQ(red.rgb(), QColor(Qt::red).rgb());

    // Qt's own buttons and dates speak Chinese.
    ASSERT_TRUE(Sweepora::Ui::installChinese(*qApp)) << "Qt's Chinese translation is installed by scripts/setup";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Cancel | QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), u"取消"_s);
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 7), QLocale::LongFormat), u"2026年12月7日星期一"_s);
}

TEST_F(Components, EmptyStateSymbolFollowsTheScanStateAppIconsFallBackAndTheProgressCardPercentIsTruncated)
{
    EmptyState empty;
    empty.setMessage(u"准备扫描"_s);
    EXPECT_EQ(empty.symbolName(), u"sparkles"_s);
    EXPECT_EQ(labelText(empty, "placeholderTitle"), u"准备扫描"_s);
    empty.resize(640, 420);
    Screenshots::save(&empty, u"empty-state-ready"_s);

    for (ScanState state : {ScanState::authorizing, ScanState::scanning, ScanState::scanned, ScanState::cleaning}) {
        empty.setState(state);
        EXPECT_EQ(empty.symbolName(), u"checkmark.circle"_s);
    }
    Screenshots::save(&empty, u"empty-state-scanned"_s);
    empty.setState(ScanState::ready);
    EXPECT_EQ(empty.symbolName(), u"sparkles"_s);

    // The app icon falls back to the folder symbol, drawn inset, leaving the frame's edge clear.
    AppIcon unknown(u"com.example.not-installed"_s);
    EXPECT_TRUE(unknown.showsFallback());
    EXPECT_TRUE(AppIcon(QString{}).showsFallback());
    QImage image(unknown.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    unknown.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_GT(ink(image).first, 100);
    EXPECT_EQ(qAlpha(image.pixel(1, image.height() / 2)), 0);

    // Decimal fractions that binary floating point stores a hair low (0.29, 0.57) still truncate right.
    const std::pair<double, const char*> cases[] = {{0.0, "0%"},   {0.999, "99%"},       {2.0 / 3.0, "66%"},
                                                    {1.0, "100%"}, {0.29, "29%"},        {0.57, "57%"},
                                                    {-0.5, "0%"},  {std::nan(""), "0%"}, {1.7, "100%"}};
    for (const auto& [progress, text] : cases)
        EXPECT_EQ(ScanProgressCard::percentText(progress), QLatin1String(text)) << progress;
    // Before rule k of n (progress k/n) the card never reads 100%.
    for (int n = 1; n <= 2000; ++n)
        ASSERT_NE(ScanProgressCard::percentText(static_cast<double>(n - 1) / n), u"100%"_s) << n;

    ScanProgressCard card;
    card.setRuleName(u"微信"_s);
    card.setProgress(0.42);
    EXPECT_EQ(card.percentText(), u"42%"_s);
    EXPECT_EQ(labelText(card, "scanProgressRule"), u"微信"_s);
    auto* bar = card.findChild<QProgressBar*>(u"scanProgressBar"_s);
    EXPECT_DOUBLE_EQ(static_cast<double>(bar->value()) / bar->maximum(), 0.42);
    card.resize(560, card.sizeHint().height());
    Screenshots::save(&card, u"scan-progress-card"_s);
}

TEST_F(Components, CleanupRowAsksForToggleOrInspectionAndTheFilePanelListsTheSizesTheScanSaw)
{
    CleanupResult r = result(u"Google Chrome"_s, 1'500'000, {u"/a"_s, u"/b"_s});
    CleanupRow row(r);
    EXPECT_EQ(labelText(row, "cleanupRowName"), u"Google Chrome"_s);
    EXPECT_EQ(labelText(row, "cleanupRowSize"), u"1.5 MB"_s);
    EXPECT_EQ(labelText(row, "cleanupRowCount"), u"2 个文件"_s);

    showAt(row, 640, row.sizeHint().height());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&row));
    QSignalSpy toggled(&row, &CleanupRow::toggled);
    QSignalSpy inspect(&row, &CleanupRow::inspect);
    auto* check = row.findChild<QCheckBox*>(u"cleanupRowCheck"_s);
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
    Screenshots::save(&row, u"cleanup-row"_s);

    // The file panel lists each file with its folder and the size the scan saw.
    QTemporaryDir home;
    Sweepora::Test::TreeBuilder tree(home.path());
    const QString big = tree.file(u"Library/Caches/com.example/data 1.bin"_s, 2500);
    // A name that is not UTF-8 shows its size like any other.
    const QString oddPath =
        pathFromBytes(QByteArray::fromStdString(tree.fileBytes("Library/Caches/com.example/caf\xe9.tmp", 10)));
    Sandbox::openScope(home.path());
    CleanupResult scanned =
        result(u"Example"_s, 2510, {big, oddPath, tree.path(u"Library/Caches/com.example/gone.tmp"_s)});
    for (const QString& file : scanned.files)
        scanned.identities.append(ItemIdentity::lookUp(file));
    ScanFilePanel panel;
    panel.setResult(scanned);
    EXPECT_EQ(labelText(panel, "scanFilePanelRule"), u"Example"_s);

    const ScanFileModel* model = panel.model();
    const auto checker = Sweepora::Test::checkModel(panel.model());
    ASSERT_EQ(model->rowCount(), 3);
    auto at = [&](int row, int role) { return model->data(model->index(row), role); };
    EXPECT_EQ(at(0, Qt::DisplayRole).toString(), u"data 1.bin"_s);
    EXPECT_EQ(at(0, FileItemRole::Path).toString(), big);
    EXPECT_EQ(at(0, FileItemRole::Size).toLongLong(), 2500);
    EXPECT_EQ(at(1, FileItemRole::Size).toLongLong(), 10);
    EXPECT_EQ(at(2, Qt::DisplayRole).toString(), u"gone.tmp"_s);
    EXPECT_EQ(at(2, FileItemRole::Size).toLongLong(), 0); // the scan could not read it: shown as 0 KB

    // The lines show what the scan saw: a file that grows later keeps its size.
    QFile grown(big);
    ASSERT_TRUE(grown.open(QIODevice::Append));
    grown.write(QByteArray(1000, 'y'));
    grown.close();
    EXPECT_EQ(at(0, FileItemRole::Size).toLongLong(), 2500);

    panel.resize(ScanFilePanel::kWidth, 360);
    Screenshots::save(&panel, u"scan-file-panel"_s);
}

TEST_F(Components, FileItemListReportsCheckboxAndRevealClicksByPathAndTheFloatingButtonKeepsToItsCorner)
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
    add(u"/home/u/Movies/旅行 2023.mov"_s, 4'200'000'000, true);
    add(u"/home/u/Downloads/installer.dmg"_s, 1'073'741'824, false);
    QStandardItem* dated = add(u"/home/u/Downloads/old.zip"_s, 0, false);
    dated->setData(u"doc.zipper"_s, FileItemRole::Symbol);
    dated->setData(u"创建于 2023-01-05"_s, FileItemRole::Detail);

    QWidget host;
    auto* layout = new QVBoxLayout(&host);
    FileItemList list;
    layout->addWidget(&list);
    list.setModel(&model);
    QStringList revealed;
    list.setRevealHandler([&](const QString& path) { revealed << path; });
    showAt(host, 680, 300);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

    QSignalSpy toggled(&list, &FileItemList::toggleRequested);
    const QRect second = list.visualRect(model.index(1, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.fileDelegate()->checkboxRect(second).center());
    ASSERT_EQ(toggled.count(), 1);
    EXPECT_EQ(toggled.at(0).at(0).toString(), u"/home/u/Downloads/installer.dmg"_s);

    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.fileDelegate()->revealRect(second).center());
    EXPECT_EQ(revealed, QStringList{u"/home/u/Downloads/installer.dmg"_s});

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
    Screenshots::save(&host, u"file-item-list"_s);

    QWidget page;
    page.resize(700, 500);
    auto* fab = new FloatingActionButton(&page);
    fab->setContent(u"开始扫描"_s, u"magnifyingglass"_s, u"扫描规则缓存"_s);
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto corner = [&] {
        return QPoint(page.width() - fab->geometry().right() - 1, page.height() - fab->geometry().bottom() - 1);
    };
    EXPECT_EQ(corner(), QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin));
    EXPECT_EQ(fab->toolTip(), u"扫描规则缓存"_s);
    Screenshots::save(&page, u"floating-button"_s);

    page.resize(900, 640);
    ASSERT_TRUE(
        waitUntil([&] { return corner() == QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin); }));

    // A longer label grows the button to the left.
    const int narrow = fab->width();
    fab->setContent(u"删除 1.23 GB"_s, u"trash"_s, u"长按可全选或取消全选"_s);
    EXPECT_GT(fab->width(), narrow);
    EXPECT_EQ(corner(), QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin));
    Screenshots::save(&page, u"floating-button-delete"_s);
}

// The long press on a clock the test moves by hand.
class ManualLongPress : public ImmediateLongPress
{
public:
    using ImmediateLongPress::ImmediateLongPress;

    void advance(int ms)
    {
        m_now += ms;
        if (m_armed && m_now >= m_due) {
            m_armed = false;
            fire();
        }
    }
    int scheduledWaits = 0;

protected:
    void schedule(int ms) override
    {
        ++scheduledWaits;
        m_armed = true;
        m_due = m_now + ms;
    }
    void cancel() override { m_armed = false; }

private:
    int m_now = 0;
    int m_due = 0;
    bool m_armed = false;
};

using LongPressTest = UiTest;

TEST_F(LongPressTest, ShortPressClicksAndALongOneActsOnceWhileHeldAndSwallowsTheClickEvenIfItHidesTheButton)
{
    QPushButton button(u"开始扫描"_s);
    button.resize(120, 40);
    int actions = 0;
    bool downWhenActed = false;
    auto* press = new ManualLongPress(&button, [&] {
        ++actions;
        downWhenActed = button.isDown();
    });
    QSignalSpy clicks(&button, &QPushButton::clicked);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    const auto hold = [&](int ms) {
        QTest::mousePress(&button, Qt::LeftButton);
        press->advance(ms);
    };
    const auto release = [&] { QTest::mouseRelease(&button, Qt::LeftButton); };

    hold(500);
    release();
    EXPECT_EQ(actions, 0);
    EXPECT_EQ(clicks.count(), 1);
    // The wait was dropped with the release: time passing later runs nothing.
    press->advance(1000);
    EXPECT_EQ(actions, 0);

    hold(700);
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(downWhenActed);
    EXPECT_TRUE(press->didTrigger());
    press->advance(800); // 1.5 s in all
    // Moves and repeated press events during one press schedule nothing new.
    QTest::mouseMove(&button, QPoint(10, 10));
    press->advance(5000);
    release();
    EXPECT_EQ(actions, 1);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(press->scheduledWaits, 2);
    EXPECT_FALSE(button.isDown());
    EXPECT_FALSE(press->didTrigger());

    // The next press starts afresh: a short one clicks again.
    hold(100);
    release();
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(actions, 1);

    // The action may hide the button (a page changing state); its release never arrives.
    QObject::connect(press, &ImmediateLongPress::triggered, &button, &QWidget::hide);
    hold(700);
    EXPECT_EQ(actions, 2);
    EXPECT_FALSE(press->didTrigger());
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    hold(300);
    release();
    EXPECT_EQ(clicks.count(), 3);
}

using FolderPickerTest = UiTest;

TEST_F(FolderPickerTest, CancelledDialogAnswersNothingAndAChosenFolderComesBackOnceWithAccessRights)
{
    int completions = 0;
    std::optional<Core::FolderUrl> answer;
    QWidget window;
    Ui::FileDialogFolderPicker picker{&window};
    Core::FolderPickerRequest request{u"选择个人文件夹"_s, u"请选择你的个人文件夹，以便扫描缓存"_s, u"授权"_s, {}};
    // Asks for a folder and returns the dialog that came up.
    const auto ask = [&](const QString& start) -> QFileDialog* {
        request.directory = start;
        picker.pickFolder(request, [&](std::optional<Core::FolderUrl> folder) {
            ++completions;
            answer = folder;
        });
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog != nullptr && dialog->isVisible())
                return dialog;
        return nullptr;
    };
    QTemporaryDir dir;
    QFileDialog* dialog = ask(dir.path());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(answer.has_value());

    dialog = ask(dir.path());
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), u"选择个人文件夹"_s);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), u"授权"_s);
    EXPECT_EQ(dialog->findChild<QLabel*>(u"folderPickerMessage"_s)->text(), u"请选择你的个人文件夹，以便扫描缓存"_s);
    // Nothing is answered while the dialog is open: the caller is not blocked.
    EXPECT_EQ(completions, 1);

    dialog->selectFile(dir.path());
    static_cast<QDialog*>(dialog)->accept(); // as the confirm button does
    ASSERT_EQ(completions, 2);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->path(), dir.path());
    EXPECT_TRUE(answer->carriesAccessRights());
}

} // namespace
