#pragma once

#include "ui/components/FileItemDelegate.h"

#include <QListView>
#include <functional>

namespace Sweepora::Ui {

// The scrolling list of the targeted scanners' files: rows drawn by FileItemDelegate over any
// model that gives FileItemRole::Path (and, as it likes, size, symbol, detail and check state).
// Only visible rows are drawn, so long lists stay quick.
class FileItemList : public QListView
{
    Q_OBJECT
public:
    explicit FileItemList(QWidget* parent = nullptr);
    FileItemList(const FileItemDelegate::Options& options, QWidget* parent);

    FileItemDelegate* fileDelegate() const { return m_delegate; }
    // The margins around the list on its page: its cards line up with the page header's text
    // (28 from the edge), and `bottom` is left free below it.
    QMargins pageMargins(int bottom) const;
    // What the reveal button does (by default revealInFileManager).
    void setRevealHandler(std::function<void(const QString& path)> handler);

protected:
    // Space ticks the current row.
    void keyPressEvent(QKeyEvent* event) override;

signals:
    // The checkbox of the row of `path` was clicked; the owner changes the selection.
    void toggleRequested(const QString& path);

private:
    FileItemDelegate* m_delegate = nullptr;
    std::function<void(const QString&)> m_reveal;
};

} // namespace Sweepora::Ui
