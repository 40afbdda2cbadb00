#pragma once

#include "core/rules/RuleStore.h"
#include "ui/PageTest.h"
#include "ui/window/ContentView.h"
#include "ui/window/MainWindow.h"

#include <QTemporaryDir>

#include <memory>

namespace Sweepora::Test {

// A window over a private home and a rule store in temporary folders, with the scripted
// picker and the captured log of AccessFixture.
class WindowFixture : public Themed<HomeFixture>
{
protected:
    void SetUp() override
    {
        Themed::SetUp();
        store = Core::RuleStore({m_rules.path() + QStringLiteral("/none")}, m_rules.path() + QStringLiteral("/Rules"));
    }
    void TearDown() override
    {
        content.reset();
        Themed::TearDown();
    }

    void addRule(const QString& pack, const QString& name, const QString& path, const QString& description = {})
    {
        ASSERT_TRUE(store.saveRule({true, name, {path}, 0, pack, description}));
    }

    // Opens a new window, as a new launch of the application would.
    void launch()
    {
        content = std::make_unique<Ui::ContentView>(Ui::ContentView::Setup{store});
        content->window().resize(1100, 720);
        content->window().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&content->window()));
    }

    Core::RuleStore store{QStringList{}, QString()};
    std::unique_ptr<Ui::ContentView> content;

private:
    QTemporaryDir m_rules;
};

} // namespace Sweepora::Test
