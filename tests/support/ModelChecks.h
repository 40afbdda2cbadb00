#pragma once

#include <QAbstractItemModelTester>

#include <memory>

namespace Sweepora::Test {

// Checks every change a model announces against what it then reports, for as long as the
// returned checker lives. Qt's checker reports only through QtTest or qFatal; a broken model
// aborts the test process, which fails the test.
inline std::unique_ptr<QAbstractItemModelTester> checkModel(QAbstractItemModel* model)
{
    return std::make_unique<QAbstractItemModelTester>(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
}

} // namespace Sweepora::Test
