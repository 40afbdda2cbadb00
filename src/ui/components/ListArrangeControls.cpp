#include "ui/components/ListArrangeControls.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

namespace Sweepora::Ui {

using Core::ListSortKey;

ListArrangeControls::ListArrangeControls(bool byDate, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("listArrangeControls"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("nameFilterField"));
    m_filter->setPlaceholderText(QStringLiteral("筛选名称"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setFixedWidth(150);
    m_filter->setToolTip(QStringLiteral("只显示名称包含这段文字的项目（不区分大小写）；已勾选的隐藏项目仍会被删除"));
    m_sort = new QComboBox(this);
    m_sort->setObjectName(QStringLiteral("sortMenu"));
    m_sort->setToolTip(QStringLiteral("排序方式"));
    m_sort->addItem(QStringLiteral("默认顺序"), static_cast<int>(ListSortKey::original));
    m_sort->addItem(QStringLiteral("按名称"), static_cast<int>(ListSortKey::name));
    m_sort->addItem(QStringLiteral("按大小"), static_cast<int>(ListSortKey::size));
    if (byDate)
        m_sort->addItem(QStringLiteral("按日期"), static_cast<int>(ListSortKey::date));
    m_sort->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    layout->addWidget(m_filter);
    layout->addWidget(m_sort);

    connect(m_filter, &QLineEdit::textEdited, this, &ListArrangeControls::nameFilterEdited);
    // The clear button sets the text without an edit.
    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            emit nameFilterEdited(text);
    });
    connect(m_sort, &QComboBox::activated, this,
            [this](int index) { emit sortKeyChosen(static_cast<ListSortKey>(m_sort->itemData(index).toInt())); });
}

void ListArrangeControls::reflect(const Core::ListArrangement& arrangement)
{
    if (m_filter->text() != arrangement.nameFilter) {
        const QSignalBlocker quiet(m_filter);
        m_filter->setText(arrangement.nameFilter);
    }
    const int index = m_sort->findData(static_cast<int>(arrangement.key));
    if (index >= 0)
        m_sort->setCurrentIndex(index);
}

} // namespace Sweepora::Ui
