#pragma once

#include "support/Wait.h"
#include "ui/style/Theme.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace Sweepora::Test {

// GUI cases run with the application's own look, so their screenshots show what users see
// (SWEEPORA_THEME=dark gives the dark palette).
class UiTest : public ::testing::Test
{
protected:
    void SetUp() override { Ui::Theme::apply(*qApp); }
};

} // namespace Sweepora::Test
