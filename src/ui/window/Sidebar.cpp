#include "ui/window/Sidebar.h"

#include "core/sections/SectionTable.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kSymbolRole = Qt::UserRole + 1;
constexpr int kDividerRole = Qt::UserRole + 2;
constexpr int kRowHeight = 34;
constexpr int kDividerHeight = 13;
constexpr int kIconSize = 17;

// Rows as rounded pills: the selected one filled with the accent colour, a hovered one tinted.
class SidebarDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(option.rect.width(), index.data(kDividerRole).toBool() ? kDividerHeight : kRowHeight);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRect r = option.rect;
        if (index.data(kDividerRole).toBool()) {
            painter->setPen(QPen(Theme::separator(), 1));
            const int y = r.center().y();
            painter->drawLine(QPointF(r.left() + 14, y + 0.5), QPointF(r.right() - 14, y + 0.5));
            painter->restore();
            return;
        }
        const bool selected = option.state & QStyle::State_Selected;
        const bool hovered = option.state & QStyle::State_MouseOver;
        const QRectF pill = QRectF(r).adjusted(8, 2, -8, -2);
        if (selected || hovered) {
            QPainterPath path;
            path.addRoundedRect(pill, 7, 7);
            painter->fillPath(path, selected ? Theme::tint(Tint::accent) : Theme::hoverFill());
        }
        const QColor textColor = selected ? QColor(Qt::white) : option.palette.color(QPalette::WindowText);
        const QColor iconColor = selected ? QColor(Qt::white) : Theme::tint(Tint::accent);
        const QRect iconRect(qRound(pill.left()) + 10, r.top() + (r.height() - kIconSize) / 2, kIconSize, kIconSize);
        painter->drawPixmap(iconRect, Symbols::pixmap(index.data(kSymbolRole).toString(), kIconSize, iconColor,
                                                      painter->device()->devicePixelRatioF()));
        painter->setPen(textColor);
        painter->setFont(Theme::font(TextStyle::body));
        const QRect textRect(iconRect.right() + 10, r.top(), qRound(pill.right()) - iconRect.right() - 18, r.height());
        painter->drawText(
            textRect, Qt::AlignVCenter | Qt::AlignLeft,
            option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width()));
        painter->restore();
    }
};

} // namespace

Sidebar::Sidebar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("sidebar"));
    setAttribute(Qt::WA_StyledBackground, true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 12, 0, 12);
    layout->setSpacing(8);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("sidebarList"));
    m_list->setItemDelegate(new SidebarDelegate(m_list));
    m_list->setMouseTracking(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setUniformItemSizes(false);
    m_list->setFont(Theme::font(TextStyle::body));
    for (const Core::Section& s : Core::sidebarSections()) {
        auto* item = new QListWidgetItem(s.id, m_list);
        item->setData(kIdRole, s.id);
        item->setData(kSymbolRole, s.symbol);
        item->setToolTip(s.subtitle);
        if (s.dividerAfter) {
            auto* divider = new QListWidgetItem(m_list);
            divider->setData(kDividerRole, true);
            divider->setFlags(Qt::NoItemFlags);
        }
    }
    layout->addWidget(m_list, 1);

    m_account = new QWidget(this);
    m_account->setObjectName(QStringLiteral("accountItem"));
    auto* accountLayout = new QVBoxLayout(m_account);
    accountLayout->setContentsMargins(12, 0, 12, 0);
    accountLayout->setSpacing(4);
    m_accountButton = new QToolButton(m_account);
    m_accountButton->setObjectName(QStringLiteral("accountButton"));
    m_accountButton->setProperty("borderless", true);
    m_accountButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_accountButton->setIcon(Symbols::icon(QStringLiteral("person.crop.circle.fill"), Theme::tint(Tint::accent)));
    m_accountButton->setIconSize(QSize(30, 30));
    m_accountButton->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_logoutButton = new QToolButton(m_account);
    m_logoutButton->setObjectName(QStringLiteral("logoutButton"));
    m_logoutButton->setProperty("borderless", true);
    m_logoutButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_logoutButton->setIcon(Symbols::icon(QStringLiteral("rectangle.portrait.and.arrow.right")));
    m_logoutButton->setText(QStringLiteral("退出登录"));
    accountLayout->addWidget(m_accountButton);
    accountLayout->addWidget(m_logoutButton, 0, Qt::AlignLeft);
    layout->addWidget(m_account);

    connect(m_accountButton, &QToolButton::clicked, this, &Sidebar::userTapped);
    connect(m_logoutButton, &QToolButton::clicked, this, &Sidebar::logoutRequested);
    // Only clicks select; the window decides what is selected and tells us back.
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const QVariant id = item->data(kIdRole);
        if (id.isValid())
            emit sectionSelected(id.toString());
    });
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item, QListWidgetItem* previous) {
        // Keyboard moves change the current row without a click. A list with no current row
        // (a section outside the sidebar is shown) makes its first row current when it gains
        // focus: that is no choice of the user's.
        if (item != nullptr && previous != nullptr && item->data(kIdRole).toString() != m_selectedSection &&
            m_list->hasFocus())
            emit sectionSelected(item->data(kIdRole).toString());
    });
    // Focus reaches the list by a click, not by the focus chain when a page hides its focused widget.
    m_list->setFocusPolicy(Qt::ClickFocus);
    updateAccountItem();
}

void Sidebar::setSelectedSection(const QString& id)
{
    m_selectedSection = id;
    for (int i = 0; i < m_list->count(); ++i) {
        QListWidgetItem* item = m_list->item(i);
        if (item->data(kIdRole).toString() == id && item->data(kIdRole).isValid()) {
            if (m_list->currentItem() != item)
                m_list->setCurrentItem(item);
            return;
        }
    }
    m_list->setCurrentItem(nullptr);
    m_list->clearSelection();
}

void Sidebar::setShowsAccountItem(bool shows)
{
    m_showsAccountItem = shows;
    updateAccountItem();
}

void Sidebar::setUserID(const QString& userID)
{
    m_userID = userID;
    updateAccountItem();
}

QStringList Sidebar::sectionIds() const
{
    QStringList ids;
    for (int i = 0; i < m_list->count(); ++i)
        if (m_list->item(i)->data(kIdRole).isValid())
            ids << m_list->item(i)->data(kIdRole).toString();
    return ids;
}

QList<int> Sidebar::dividerRows() const
{
    QList<int> rows;
    int sections = 0;
    for (int i = 0; i < m_list->count(); ++i) {
        if (m_list->item(i)->data(kDividerRole).toBool())
            rows << sections;
        else
            ++sections;
    }
    return rows;
}

void Sidebar::updateAccountItem()
{
    m_account->setVisible(m_showsAccountItem);
    m_accountButton->setText(m_userID.isEmpty() ? QStringLiteral("登录Sweepora") : m_userID);
    m_logoutButton->setVisible(!m_userID.isEmpty());
}

} // namespace Sweepora::Ui
