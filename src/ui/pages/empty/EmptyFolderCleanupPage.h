#pragma once

#include "ui/components/PathListPage.h"

namespace Sweepora::Core {
class EmptyFolderCleanupViewModel;
}

namespace Sweepora::Ui {

// 空文件夹清理: the empty folders of the last scan, or a placeholder while there are none, and
// the floating button that scans or moves the ticked folders ("删除 {n} 项"); a long press
// ticks all or none. The page observes a model that the window owns.
class EmptyFolderCleanupPage : public PathListPage
{
    Q_OBJECT
public:
    explicit EmptyFolderCleanupPage(Core::EmptyFolderCleanupViewModel& model, QWidget* parent = nullptr);

private:
    void refresh();
    void buttonTapped();
    void buttonLongPressed();
    bool hasCleanableList() const;

    Core::EmptyFolderCleanupViewModel& m_model;
};

} // namespace Sweepora::Ui
