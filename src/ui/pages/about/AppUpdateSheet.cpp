#include "ui/pages/about/AppUpdateSheet.h"

#include "core/services/UpdateChecker.h"
#include "ui/components/Buttons.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {

AppUpdateSheet::AppUpdateSheet(const Core::AppVersionInfo& version, QWidget* parent)
    : QDialog(parent), m_version(version)
{
    setObjectName(QStringLiteral("appUpdateSheet"));
    setWindowTitle(Core::UpdateChecker::sheetTitle(version));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(500);
    const bool forced = version.isForced();
    if (forced)
        setWindowFlag(Qt::WindowCloseButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(26, 26, 26, 26);
    layout->setSpacing(18);

    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    auto* icon = new QLabel(this);
    icon->setPixmap(
        Symbols::pixmap(QStringLiteral("arrow.down.app.fill"), 38, Theme::tint(Tint::blue), devicePixelRatioF()));
    header->addWidget(icon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    auto* title = new QLabel(Core::UpdateChecker::sheetTitle(version), this);
    title->setObjectName(QStringLiteral("updateTitle"));
    title->setFont(Theme::font(17, QFont::Bold));
    auto* subtitle = new QLabel(Core::UpdateChecker::sheetSubtitle(version), this);
    subtitle->setObjectName(QStringLiteral("updateSubtitle"));
    subtitle->setTextFormat(Qt::PlainText);
    Theme::makeSecondary(subtitle);
    titles->addWidget(title);
    titles->addWidget(subtitle);
    header->addLayout(titles, 1);
    layout->addLayout(header);

    auto* released =
        new QLabel(QStringLiteral("发布时间：") + Core::UpdateChecker::releaseTimeText(version.createdAt), this);
    released->setObjectName(QStringLiteral("updateReleaseTime"));
    released->setTextFormat(Qt::PlainText);
    layout->addWidget(released);

    auto* notesTitle = new QLabel(QStringLiteral("更新内容"), this);
    notesTitle->setFont(Theme::font(TextStyle::headline));
    layout->addWidget(notesTitle);
    auto* notes = new QPlainTextEdit(version.releaseNotes, this);
    notes->setObjectName(QStringLiteral("updateNotes"));
    notes->setReadOnly(true);
    notes->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    notes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes->setMinimumHeight(100);
    notes->setMaximumHeight(220);
    layout->addWidget(notes);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    if (forced) {
        auto* note = new QLabel(QStringLiteral("该版本需要更新后继续使用"), this);
        note->setObjectName(QStringLiteral("updateForcedNote"));
        Theme::makeSecondary(note);
        buttons->addWidget(note);
    } else {
        m_skip = Buttons::bordered(QStringLiteral("跳过此版本"), this);
        m_skip->setObjectName(QStringLiteral("updateSkip"));
        m_skip->setAutoDefault(false);
        m_later = Buttons::bordered(QStringLiteral("稍后"), this);
        m_later->setObjectName(QStringLiteral("updateLater"));
        m_later->setAutoDefault(false);
        buttons->addWidget(m_skip);
        buttons->addWidget(m_later);
        connect(m_skip, &QPushButton::clicked, this, &AppUpdateSheet::skipRequested);
        connect(m_later, &QPushButton::clicked, this, &AppUpdateSheet::laterRequested);
    }
    buttons->addStretch(1);
    m_update = Buttons::prominent(QStringLiteral("立即更新"), this);
    m_update->setObjectName(QStringLiteral("updateNow"));
    m_update->setDefault(true);
    buttons->addWidget(m_update);
    layout->addLayout(buttons);
    connect(m_update, &QPushButton::clicked, this, &AppUpdateSheet::updateRequested);
}

void AppUpdateSheet::reject()
{
    // The checker decides whether the sheet goes; the window closes it when the offer ends.
    if (!m_finishing && !m_version.isForced())
        emit laterRequested();
}

void AppUpdateSheet::finish()
{
    m_finishing = true;
    done(QDialog::Accepted);
}

void AppUpdateSheet::closeEvent(QCloseEvent* event)
{
    if (m_finishing) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

} // namespace Sweepora::Ui
