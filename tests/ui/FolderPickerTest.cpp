#include "UiTest.h"
#include "ui/components/FileDialogFolderPicker.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>

using namespace Sweepora;
using Sweepora::Test::UiTest;

namespace {

class FolderPickerTest : public UiTest
{
protected:
    // Asks for a folder and returns the dialog that came up.
    QFileDialog* ask(const QString& start)
    {
        Core::FolderPickerRequest request;
        request.title = QStringLiteral("选择个人文件夹");
        request.message = QStringLiteral("请选择你的个人文件夹，以便扫描缓存");
        request.prompt = QStringLiteral("授权");
        request.directory = start;
        picker.pickFolder(request, [this](std::optional<Core::FolderUrl> folder) {
            ++completions;
            answer = folder;
        });
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog != nullptr && dialog->isVisible())
                return dialog;
        return nullptr;
    }

    QWidget window;
    Ui::FileDialogFolderPicker picker{&window};
    int completions = 0;
    std::optional<Core::FolderUrl> answer;
};

} // namespace

TEST_F(FolderPickerTest, CancelledDialogAnswersNothingAndAChosenFolderComesBackOnceWithAccessRights)
{
    QTemporaryDir dir;
    QFileDialog* dialog = ask(dir.path());
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(answer.has_value());

    dialog = ask(dir.path());
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择个人文件夹"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("授权"));
    EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("folderPickerMessage"))->text(),
              QStringLiteral("请选择你的个人文件夹，以便扫描缓存"));
    // Nothing is answered while the dialog is open: the caller is not blocked.
    EXPECT_EQ(completions, 1);

    dialog->selectFile(dir.path());
    static_cast<QDialog*>(dialog)->accept(); // as the confirm button does
    ASSERT_EQ(completions, 2);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->path(), dir.path());
    EXPECT_TRUE(answer->carriesAccessRights());
}
