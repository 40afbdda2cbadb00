#include "ui/pages/account/CenteredCodeField.h"

#include "ui/style/Theme.h"

#include <QEvent>

namespace Sweepora::Ui {

CenteredCodeField::CenteredCodeField(int index, QWidget* parent) : QLineEdit(parent), m_index(index)
{
    setObjectName(QStringLiteral("codeField%1").arg(index));
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setFont(Theme::font(26, QFont::DemiBold));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setInputMethodHints(Qt::ImhDigitsOnly);
    applyLook();
    // Every edit, a paste included, goes to the sheet as the box's whole text.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { emit digitTextChanged(m_index, text); });
}

void CenteredCodeField::showDigit(const QString& text)
{
    if (this->text() != text)
        setText(text);
}

void CenteredCodeField::focusIfNeeded()
{
    if (!hasFocus())
        setFocus(Qt::OtherFocusReason);
}

void CenteredCodeField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit editingBegan(m_index);
}

void CenteredCodeField::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        applyLook();
}

void CenteredCodeField::applyLook()
{
    // White digits in the dark look, black in the light one, on no background of their own.
    const QString css = QStringLiteral("QLineEdit { background: transparent; border: none; color: %1; }")
                            .arg(Theme::isDark() ? QStringLiteral("white") : QStringLiteral("black"));
    if (styleSheet() != css)
        setStyleSheet(css);
}

} // namespace Sweepora::Ui
