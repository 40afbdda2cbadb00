#include "UiTest.h"
#include "support/Screenshots.h"
#include "ui/components/FloatingActionButton.h"
#include "ui/components/ImmediateLongPress.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace Sweepora::Ui;
using Sweepora::Test::Screenshots;
using Sweepora::Test::UiTest;
using Sweepora::Test::waitUntil;

namespace {

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

class LongPressTest : public UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        button.setText(QStringLiteral("开始扫描"));
        button.resize(120, 40);
        press = new ManualLongPress(&button, [this] {
            ++actions;
            downWhenActed = button.isDown();
        });
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }
    void hold(int ms)
    {
        QTest::mousePress(&button, Qt::LeftButton);
        press->advance(ms);
    }
    void release() { QTest::mouseRelease(&button, Qt::LeftButton); }

    QPushButton button;
    ManualLongPress* press = nullptr;
    int actions = 0;
    QSignalSpy clicks{&button, &QPushButton::clicked};
    bool downWhenActed = false;
};

} // namespace

TEST_F(LongPressTest, ShortPressClicksAndALongOneActsOnceWhileHeldAndSwallowsTheClick)
{
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
}

TEST_F(LongPressTest, ButtonHiddenMidPressDoesNotStayTriggered)
{
    // The action may hide the button (a page changing state); its release never arrives.
    QObject::connect(press, &ImmediateLongPress::triggered, &button, &QWidget::hide);
    hold(700);
    EXPECT_EQ(actions, 1);
    EXPECT_FALSE(press->didTrigger());
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    hold(300);
    release();
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(LongPressTest, FloatingButtonKeepsToTheBottomTrailingCorner)
{
    QWidget page;
    page.resize(700, 500);
    auto* fab = new FloatingActionButton(&page);
    fab->setContent(QStringLiteral("开始扫描"), QStringLiteral("magnifyingglass"), QStringLiteral("扫描规则缓存"));
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    auto corner = [&] {
        return QPoint(page.width() - fab->geometry().right() - 1, page.height() - fab->geometry().bottom() - 1);
    };
    EXPECT_EQ(corner(), QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin));
    EXPECT_EQ(fab->toolTip(), QStringLiteral("扫描规则缓存"));
    Screenshots::save(&page, QStringLiteral("floating-button"));

    page.resize(900, 640);
    ASSERT_TRUE(
        waitUntil([&] { return corner() == QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin); }));

    // A longer label grows the button to the left.
    const int narrow = fab->width();
    fab->setContent(QStringLiteral("删除 1.23 GB"), QStringLiteral("trash"), QStringLiteral("长按可全选或取消全选"));
    EXPECT_GT(fab->width(), narrow);
    EXPECT_EQ(corner(), QPoint(FloatingActionButton::kMargin, FloatingActionButton::kMargin));
    Screenshots::save(&page, QStringLiteral("floating-button-delete"));

    fab->setLongPressAction([] {});
    ASSERT_NE(fab->longPress(), nullptr);
    EXPECT_EQ(fab->longPress()->minimumDurationMs(), 600);
}
