#pragma once

#include "core/util/NameOrder.h"
#include "ui/components/ListArrangeControls.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace Sweepora::Test {

// Picks a sort entry from the closed menu with the arrow key, as a user would.
inline void chooseSort(Ui::ListArrangeControls* controls, const char* text)
{
    QComboBox* menu = controls->sortMenu();
    const int index = menu->findText(QString::fromUtf8(text));
    ASSERT_GT(index, 0) << text;
    menu->setCurrentIndex(index - 1);
    QTest::keyClick(menu, Qt::Key_Down);
}

inline void typeFilter(Ui::ListArrangeControls* controls, const char* text)
{
    controls->filterField()->clear();
    QTest::keyClicks(controls->filterField(), QString::fromUtf8(text));
}

// The names of the rows shown, in order, comma-separated.
inline QString shownNames(const QAbstractItemModel* rows, int role = Qt::DisplayRole)
{
    QStringList names;
    for (int r = 0; r < rows->rowCount(); ++r)
        names.append(Core::lastPathComponent(rows->index(r, 0).data(role).toString()));
    return names.join(QLatin1Char(','));
}

} // namespace Sweepora::Test
