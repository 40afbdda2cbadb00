#pragma once

#include <QLineEdit>

namespace Sweepora::Ui {

// One box of the four-digit code: a borderless field with its text centred, 26 semibold. It
// reports its whole text on every edit and when editing begins in it; the sign-in sheet decides
// what the box holds and where focus goes.
class CenteredCodeField : public QLineEdit
{
    Q_OBJECT
public:
    explicit CenteredCodeField(int index, QWidget* parent = nullptr);

    int index() const { return m_index; }
    // Shows `text` when it differs from what the box shows.
    void showDigit(const QString& text);
    // Takes keyboard focus unless it already has it.
    void focusIfNeeded();

signals:
    void digitTextChanged(int index, const QString& text);
    void editingBegan(int index);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyLook();

    int m_index;
};

} // namespace Sweepora::Ui
