#pragma once

#include "core/rules/CleanupResult.h"

#include <QFrame>

class QLabel;

namespace Sweepora::Ui {

class FileItemList;
class ScanFileModel;

// The side panel listing one rule result's files: "垃圾文件" with the rule's name and a close
// button, then one line per file (name, folder, size).
class ScanFilePanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kWidth = 360;

    explicit ScanFilePanel(QWidget* parent = nullptr);

    void setResult(const Core::CleanupResult& result);
    const Core::CleanupResult& result() const { return m_result; }
    ScanFileModel* model() const { return m_model; }

signals:
    void closeRequested();

private:
    Core::CleanupResult m_result;
    QLabel* m_ruleName = nullptr;
    ScanFileModel* m_model = nullptr;
    FileItemList* m_list = nullptr;
};

} // namespace Sweepora::Ui
