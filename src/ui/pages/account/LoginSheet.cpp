#include "ui/pages/account/LoginSheet.h"

#include "core/services/LoginViewModel.h"
#include "ui/components/BusyIndicator.h"
#include "ui/components/Buttons.h"
#include "ui/pages/account/CenteredCodeField.h"
#include "ui/style/Symbols.h"
#include "ui/style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace Sweepora::Ui {
namespace {

using Method = Core::LoginViewModel::Method;
using Step = Core::LoginViewModel::Step;

QPushButton* methodRow(const QString& symbol, const QString& title, QWidget* parent)
{
    auto* row = new QPushButton(parent);
    row->setCursor(Qt::PointingHandCursor);
    row->setMinimumHeight(60);
    row->setStyleSheet(QStringLiteral("QPushButton { text-align: left; border: 1px solid %1; border-radius: 10px;"
                                      " background: %2; }"
                                      "QPushButton:hover { border: 1px solid %3; }")
                           .arg(Theme::separator().name(QColor::HexArgb), Theme::cardBackground().name(QColor::HexArgb),
                                Theme::tint(Tint::accent).name(QColor::HexRgb)));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 10, 14, 10);
    layout->setSpacing(12);
    auto* icon = new QLabel(row);
    icon->setFixedSize(40, 40);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(Symbols::pixmap(symbol, 21, Theme::tint(Tint::accent), row->devicePixelRatioF()));
    QColor fill = Theme::tint(Tint::accent);
    fill.setAlpha(30);
    icon->setStyleSheet(
        QStringLiteral("QLabel { background: %1; border-radius: 9px; border: none; }").arg(fill.name(QColor::HexArgb)));
    auto* label = new QLabel(title, row);
    label->setFont(Theme::font(TextStyle::headline));
    label->setStyleSheet(QStringLiteral("QLabel { border: none; background: transparent; }"));
    auto* chevron = new QLabel(row);
    chevron->setStyleSheet(QStringLiteral("QLabel { border: none; background: transparent; }"));
    chevron->setPixmap(
        Symbols::pixmap(QStringLiteral("chevron.right"), 14, Theme::secondaryText(), row->devicePixelRatioF()));
    for (QLabel* part : {icon, label, chevron})
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(icon);
    layout->addWidget(label, 1);
    layout->addWidget(chevron);
    return row;
}

// A spinner drawn in the middle of a button while its request runs; the button's title is
// taken away meanwhile.
BusyIndicator* spinnerInside(QPushButton* button)
{
    auto* spinner = new BusyIndicator(14, button);
    auto* layout = new QHBoxLayout(button);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(spinner, 0, Qt::AlignCenter);
    spinner->hide();
    return spinner;
}

} // namespace

LoginSheet::LoginSheet(QWidget* parent) : QDialog(parent), m_model(new Core::LoginViewModel(this))
{
    setObjectName(QStringLiteral("loginSheet"));
    setWindowTitle(QStringLiteral("登录Sweepora"));
    setWindowModality(Qt::WindowModal);
    setFixedWidth(420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 20, 28, 26);
    layout->setSpacing(14);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    auto* close = Buttons::symbol(QStringLiteral("xmark.circle.fill"), QStringLiteral("关闭"), this, 20);
    close->setObjectName(QStringLiteral("loginClose"));
    closeRow->addWidget(close);
    layout->addLayout(closeRow);

    auto* symbol = new QLabel(this);
    symbol->setPixmap(Symbols::pixmap(QStringLiteral("sparkles.rectangle.stack"), 40, Theme::tint(Tint::accent),
                                      devicePixelRatioF()));
    layout->addWidget(symbol, 0, Qt::AlignHCenter);
    auto* title = new QLabel(QStringLiteral("登录Sweepora"), this);
    title->setFont(Theme::font(27, QFont::DemiBold));
    layout->addWidget(title, 0, Qt::AlignHCenter);
    auto* subtitle = new QLabel(QStringLiteral("选择你适合的方式登录Sweepora"), this);
    subtitle->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(subtitle);
    layout->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addSpacing(6);

    m_steps = new QStackedWidget(this);
    m_methodStep = buildMethodStep();
    m_accountStep = buildAccountStep();
    m_codeStep = buildCodeStep();
    for (QWidget* step : {m_methodStep, m_accountStep, m_codeStep})
        m_steps->addWidget(step);
    layout->addWidget(m_steps);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("loginError"));
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setFont(Theme::font(TextStyle::footnote));
    m_error->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(Theme::tint(Tint::red).name(QColor::HexRgb)));
    layout->addWidget(m_error);

    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    connect(m_model, &Core::LoginViewModel::stateChanged, this, &LoginSheet::update);
    connect(m_model, &Core::LoginViewModel::digitsChanged, this, &LoginSheet::showDigits);
    connect(m_model, &Core::LoginViewModel::focusedDigitChanged, this, &LoginSheet::focusDigit);
    connect(m_model, &Core::LoginViewModel::verified, this, &LoginSheet::verified);
    update();
}

QWidget* LoginSheet::buildMethodStep()
{
    auto* step = new QWidget(this);
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_phone = methodRow(QStringLiteral("iphone"), QStringLiteral("手机登录"), step);
    m_phone->setObjectName(QStringLiteral("phoneMethod"));
    m_email = methodRow(QStringLiteral("envelope"), QStringLiteral("邮箱登录"), step);
    m_email->setObjectName(QStringLiteral("emailMethod"));
    layout->addWidget(m_phone);
    layout->addWidget(m_email);
    connect(m_phone, &QPushButton::clicked, this, [this] { m_model->chooseMethod(Method::phone); });
    connect(m_email, &QPushButton::clicked, this, [this] { m_model->chooseMethod(Method::email); });
    return step;
}

QWidget* LoginSheet::buildAccountStep()
{
    auto* step = new QWidget(this);
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    m_back = Buttons::symbol(QStringLiteral("chevron.left"), QString(), step, 14);
    m_back->setObjectName(QStringLiteral("backToMethods"));
    m_back->setText(QStringLiteral("返回登录方式"));
    m_back->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(m_back, 0, Qt::AlignLeft);
    m_account = new QLineEdit(step);
    m_account->setObjectName(QStringLiteral("accountField"));
    m_account->setMinimumHeight(34);
    layout->addWidget(m_account);
    m_send = Buttons::prominent(QStringLiteral("确认并发送验证码"), step);
    m_send->setObjectName(QStringLiteral("sendCodeButton"));
    m_send->setMinimumHeight(34);
    m_sendSpinner = spinnerInside(m_send);
    layout->addWidget(m_send);

    connect(m_back, &QToolButton::clicked, m_model, &Core::LoginViewModel::backToMethods);
    connect(m_account, &QLineEdit::textEdited, m_model, &Core::LoginViewModel::setAccount);
    connect(m_account, &QLineEdit::returnPressed, m_model, &Core::LoginViewModel::sendCode);
    connect(m_send, &QPushButton::clicked, m_model, &Core::LoginViewModel::sendCode);
    return step;
}

QWidget* LoginSheet::buildCodeStep()
{
    auto* step = new QWidget(this);
    auto* layout = new QVBoxLayout(step);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    auto* heading = new QLabel(QStringLiteral("输入验证码"), step);
    heading->setFont(Theme::font(TextStyle::headline));
    layout->addWidget(heading);
    m_codeSentTo = new QLabel(step);
    m_codeSentTo->setObjectName(QStringLiteral("codeSentTo"));
    m_codeSentTo->setTextFormat(Qt::PlainText);
    m_codeSentTo->setFont(Theme::font(TextStyle::subheadline));
    Theme::makeSecondary(m_codeSentTo);
    layout->addWidget(m_codeSentTo);

    auto* boxes = new QHBoxLayout;
    boxes->setSpacing(12);
    boxes->addStretch(1);
    for (int i = 0; i < Core::LoginViewModel::kCodeLength; ++i) {
        auto* frame = new QFrame(step);
        Theme::makeCard(frame);
        frame->setFixedSize(56, 62);
        auto* frameLayout = new QVBoxLayout(frame);
        frameLayout->setContentsMargins(4, 4, 4, 4);
        auto* field = new CenteredCodeField(i, frame);
        frameLayout->addWidget(field);
        boxes->addWidget(frame);
        m_codeFields.append(field);
        connect(field, &CenteredCodeField::digitTextChanged, m_model, &Core::LoginViewModel::setDigitText);
        connect(field, &CenteredCodeField::editingBegan, m_model, &Core::LoginViewModel::setFocusedDigit);
    }
    boxes->addStretch(1);
    layout->addLayout(boxes);

    auto* buttons = new QHBoxLayout;
    m_changeAccount = new QPushButton(QStringLiteral("更换账号"), step);
    m_changeAccount->setObjectName(QStringLiteral("changeAccountButton"));
    m_changeAccount->setFlat(true);
    m_changeAccount->setCursor(Qt::PointingHandCursor);
    m_confirm = Buttons::prominent(QStringLiteral("确认"), step);
    m_confirm->setObjectName(QStringLiteral("confirmCodeButton"));
    m_confirm->setMinimumWidth(96);
    m_confirmSpinner = spinnerInside(m_confirm);
    buttons->addWidget(m_changeAccount);
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    layout->addLayout(buttons);

    connect(m_changeAccount, &QPushButton::clicked, m_model, &Core::LoginViewModel::changeAccount);
    connect(m_confirm, &QPushButton::clicked, m_model, &Core::LoginViewModel::confirmCode);
    return step;
}

QWidget* LoginSheet::currentStep() const
{
    return m_steps->currentWidget();
}

void LoginSheet::update()
{
    const Step step = m_model->step();
    QWidget* shown = step == Step::methodChoice   ? m_methodStep
                     : step == Step::accountEntry ? m_accountStep
                                                  : m_codeStep;
    const bool stepChanged = m_steps->currentWidget() != shown;
    m_steps->setCurrentWidget(shown);

    const bool loading = m_model->isLoading();
    m_account->setPlaceholderText(m_model->accountPlaceholder());
    if (m_account->text() != m_model->account())
        m_account->setText(m_model->account());
    m_send->setEnabled(m_model->canSendCode());
    m_send->setText(loading ? QString() : QStringLiteral("确认并发送验证码"));
    m_sendSpinner->setVisible(loading && step == Step::accountEntry);
    m_codeSentTo->setText(m_model->codeSentText());
    m_confirm->setEnabled(m_model->canConfirm());
    m_confirm->setText(loading ? QString() : QStringLiteral("确认"));
    m_confirmSpinner->setVisible(loading && step == Step::codeEntry);
    m_error->setText(m_model->errorMessage());
    m_error->setVisible(m_model->hasError());

    if (stepChanged) {
        showDigits();
        if (step == Step::accountEntry)
            m_account->setFocus(Qt::OtherFocusReason);
        else if (step == Step::codeEntry)
            focusDigit(m_model->focusedDigit() >= 0 ? m_model->focusedDigit() : 0);
    }
    adjustSize();
}

void LoginSheet::showDigits()
{
    const QStringList digits = m_model->digits();
    for (CenteredCodeField* field : m_codeFields)
        field->showDigit(digits.value(field->index()));
}

void LoginSheet::focusDigit(int index)
{
    if (index >= 0 && index < m_codeFields.size() && m_steps->currentWidget() == m_codeStep)
        m_codeFields[index]->focusIfNeeded();
}

} // namespace Sweepora::Ui
