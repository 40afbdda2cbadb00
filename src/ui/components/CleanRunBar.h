#pragma once

#include <QFrame>

class QDialog;
class QLabel;
class QPushButton;

namespace Sweepora::Core {
class CleanRun;
}

namespace Sweepora::Ui {

// The line that reports a clean, floating at the page's lower left: "正在移到废纸篓… n/total" with
// 取消 while it runs, then the outcome with 撤销 and 打开废纸篓, and 查看 listing the items that
// stayed when some did. It follows its page's size, and
// hides when there is nothing to report or when closed.
class CleanRunBar : public QFrame
{
    Q_OBJECT
public:
    CleanRunBar(Core::CleanRun& run, QWidget* page);

    QLabel* textLabel() const { return m_text; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* undoButton() const { return m_undo; }
    QPushButton* openTrashButton() const { return m_openTrash; }
    QPushButton* failuresButton() const { return m_failures; }
    // Opens the list of the items the last clean left in place (a window-modal dialog).
    QDialog* showFailures();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void place();

    Core::CleanRun& m_run;
    QLabel* m_text = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_undo = nullptr;
    QPushButton* m_openTrash = nullptr;
    QPushButton* m_failures = nullptr;
    QPushButton* m_close = nullptr;
    bool m_closed = false;
};

} // namespace Sweepora::Ui
