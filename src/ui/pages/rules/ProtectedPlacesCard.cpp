#include "ui/pages/rules/ProtectedPlacesCard.h"

#include "core/trash/ProtectedPlacesViewModel.h"
#include "ui/components/Buttons.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {

ProtectedPlacesCard::ProtectedPlacesCard(QWidget* parent)
    : QWidget(parent), m_model(new Core::ProtectedPlacesViewModel(this))
{
    setObjectName(QStringLiteral("protectedPlacesCard"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->setSpacing(8);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(QStringLiteral("保护名单"), this);
    title->setFont(Theme::font(TextStyle::headline));
    auto* add = Buttons::prominent(QStringLiteral("添加文件夹"), this, QStringLiteral("plus"));
    add->setObjectName(QStringLiteral("addProtectedButton"));
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(add);
    layout->addLayout(header);

    auto* note = new QLabel(QStringLiteral("名单中的文件夹及其中的一切不会被任何清理功能列出或移到废纸篓。"
                                           "个人文件夹本身、密钥与凭据、废纸篓和 Sweepora 自己的数据始终受保护。"),
                            this);
    note->setWordWrap(true);
    note->setFont(Theme::font(TextStyle::caption));
    layout->addWidget(note);

    m_rows = new QVBoxLayout;
    m_rows->setSpacing(4);
    layout->addLayout(m_rows);

    connect(add, &QPushButton::clicked, m_model, &Core::ProtectedPlacesViewModel::add);
    connect(m_model, &Core::ProtectedPlacesViewModel::pathsChanged, this, &ProtectedPlacesCard::rebuild);
    rebuild();
}

void ProtectedPlacesCard::rebuild()
{
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide(); // gone from the layout at once, deleted once the event loop is free
            w->deleteLater();
        }
        delete item;
    }
    const QStringList paths = m_model->paths();
    if (paths.isEmpty()) {
        auto* empty = new QLabel(QStringLiteral("还没有添加受保护的文件夹"), this);
        empty->setObjectName(QStringLiteral("protectedEmpty"));
        m_rows->addWidget(empty);
        return;
    }
    for (const QString& path : paths) {
        auto* row = new QWidget(this);
        row->setObjectName(QStringLiteral("protectedRow"));
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(path, row);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* remove = Buttons::symbol(QStringLiteral("trash"), QStringLiteral("从保护名单移除"), row);
        remove->setObjectName(QStringLiteral("removeProtectedButton"));
        h->addWidget(label, 1);
        h->addWidget(remove);
        connect(remove, &QToolButton::clicked, m_model, [this, path] { m_model->remove(path); });
        m_rows->addWidget(row);
    }
}

} // namespace Sweepora::Ui
