#pragma once

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace Sweepora::Core {
class LoginViewModel;
}

namespace Sweepora::Ui {

class BusyIndicator;
class CenteredCodeField;

// "登录Sweepora": choose text message or e-mail, enter the account and ask for a code, then
// enter the four digits. A verified account leaves through verified(); the window closes the
// sheet and takes the account over.
class LoginSheet : public QDialog
{
    Q_OBJECT
public:
    explicit LoginSheet(QWidget* parent = nullptr);

    Core::LoginViewModel& model() const { return *m_model; }

    QPushButton* phoneButton() const { return m_phone; }
    QPushButton* emailButton() const { return m_email; }
    QToolButton* backButton() const { return m_back; }
    QLineEdit* accountField() const { return m_account; }
    QPushButton* sendButton() const { return m_send; }
    QList<CenteredCodeField*> codeFields() const { return m_codeFields; }
    QPushButton* changeAccountButton() const { return m_changeAccount; }
    QPushButton* confirmButton() const { return m_confirm; }
    QLabel* errorLabel() const { return m_error; }
    // The step now shown.
    QWidget* currentStep() const;
    QWidget* methodStep() const { return m_methodStep; }
    QWidget* accountStep() const { return m_accountStep; }
    QWidget* codeStep() const { return m_codeStep; }

signals:
    void verified(const QString& account);

private:
    QWidget* buildMethodStep();
    QWidget* buildAccountStep();
    QWidget* buildCodeStep();
    void update();
    void showDigits();
    void focusDigit(int index);

    Core::LoginViewModel* m_model;
    QStackedWidget* m_steps = nullptr;
    QWidget* m_methodStep = nullptr;
    QWidget* m_accountStep = nullptr;
    QWidget* m_codeStep = nullptr;
    QPushButton* m_phone = nullptr;
    QPushButton* m_email = nullptr;
    QToolButton* m_back = nullptr;
    QLineEdit* m_account = nullptr;
    QPushButton* m_send = nullptr;
    BusyIndicator* m_sendSpinner = nullptr;
    QLabel* m_codeSentTo = nullptr;
    QList<CenteredCodeField*> m_codeFields;
    QPushButton* m_changeAccount = nullptr;
    QPushButton* m_confirm = nullptr;
    BusyIndicator* m_confirmSpinner = nullptr;
    QLabel* m_error = nullptr;
};

} // namespace Sweepora::Ui
