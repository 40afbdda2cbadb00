#include "ui/components/FileItemList.h"

#include "ui/components/RevealInFileManager.h"
#include "ui/components/UrlOpener.h"

#include <QKeyEvent>

namespace Sweepora::Ui {

namespace {
constexpr int kHeaderInset = 28;
} // namespace

FileItemList::FileItemList(QWidget* parent) : FileItemList(FileItemDelegate::Options{}, parent)
{}

FileItemList::FileItemList(const FileItemDelegate::Options& options, QWidget* parent)
    : QListView(parent), m_reveal([this](const QString& path) {
          if (!revealInFileManager(path))
              sayNoFileManager(this, path);
      })
{
    setObjectName(QStringLiteral("fileItemList"));
    m_delegate = new FileItemDelegate(options, this);
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setMouseTracking(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // Cards 10 apart; plain lines touch.
    setSpacing(options.cards ? 5 : 0);
    // The rows draw their own cards over whatever the page shows behind the list.
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    setPalette(clear);
    viewport()->setAutoFillBackground(false);

    connect(m_delegate, &FileItemDelegate::toggleRequested, this,
            [this](const QModelIndex& index) { emit toggleRequested(index.data(FileItemRole::Path).toString()); });
    connect(m_delegate, &FileItemDelegate::revealRequested, this, [this](const QModelIndex& index) {
        if (m_reveal)
            m_reveal(index.data(FileItemRole::Path).toString());
    });
}

void FileItemList::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && m_delegate->options().checkbox) {
        const QModelIndex current = currentIndex().isValid() ? currentIndex() : model()->index(0, 0);
        if (current.isValid()) {
            setCurrentIndex(current);
            emit toggleRequested(current.data(FileItemRole::Path).toString());
        }
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

QMargins FileItemList::pageMargins(int bottom) const
{
    const int side = kHeaderInset - spacing();
    return {side, 8, side, bottom};
}

void FileItemList::setRevealHandler(std::function<void(const QString&)> handler)
{
    m_reveal = std::move(handler);
}

} // namespace Sweepora::Ui
