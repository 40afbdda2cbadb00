#pragma once

#include "core/util/ScanState.h"
#include "support/HomeFixture.h"
#include "support/ModelChecks.h"
#include "support/Screenshots.h"
#include "ui/components/FileItemList.h"
#include "ui/style/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <functional>

namespace Sweepora::Test {

// A fixture whose pages are drawn with the application's own look, so that screenshots show what
// users see (SWEEPORA_THEME=dark gives the dark palette).
template <class Base = HomeFixture> class Themed : public Base
{
protected:
    void SetUp() override
    {
        Base::SetUp();
        Ui::Theme::apply(*qApp);
    }
};
using UiTest = Themed<::testing::Test>;

// Shows `widget` at the given size (not waiting: some tests look before any event is handled).
inline void showAt(QWidget& widget, int width, int height)
{
    widget.resize(width, height);
    widget.show();
}

// The button of a message box that reads `text`, or nullptr.
inline QAbstractButton* buttonWithText(QMessageBox* box, const QString& text)
{
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text)
            return b;
    return nullptr;
}

// Clicks the checkbox of one row of a file list.
inline void clickCheckbox(Ui::FileItemList* list, int row)
{
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->fileDelegate()->checkboxRect(rect).center());
}

// Clicks `button` and waits until the job it started has run and `model` is back to its results.
template <class Model> bool clickAndWait(QAbstractButton* button, const Model& model, int ms = 20000)
{
    QTest::mouseClick(button, Qt::LeftButton);
    return waitUntil([&] { return model.state() == Core::ScanState::scanned; }, ms);
}

// Holds the button until `done` (past the long-press duration), then lets go.
inline void longPress(QAbstractButton* button, const std::function<bool()>& done)
{
    QTest::mousePress(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_TRUE(waitUntil(done, 5000));
    QTest::mouseRelease(button, Qt::LeftButton, {}, button->rect().center());
}

} // namespace Sweepora::Test
