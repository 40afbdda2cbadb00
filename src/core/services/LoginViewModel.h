#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace Sweepora::Core {

// The sign-in sheet: choose SMS or e-mail, enter the account and ask for a code, enter the
// four-digit code and have it checked. A verified account leaves through verified(); nothing is
// stored here. The four code boxes are driven through setDigitText() and focusedDigit.
class LoginViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Step step READ step NOTIFY stateChanged)
    Q_PROPERTY(bool hasMethod READ hasMethod NOTIFY stateChanged)
    Q_PROPERTY(Method method READ method NOTIFY stateChanged)
    Q_PROPERTY(QString account READ account WRITE setAccount NOTIFY stateChanged)
    Q_PROPERTY(QString normalizedAccount READ normalizedAccount NOTIFY stateChanged)
    Q_PROPERTY(bool isAccountValid READ isAccountValid NOTIFY stateChanged)
    Q_PROPERTY(QString accountPlaceholder READ accountPlaceholder NOTIFY stateChanged)
    Q_PROPERTY(bool canSendCode READ canSendCode NOTIFY stateChanged)
    Q_PROPERTY(bool codeSent READ codeSent NOTIFY stateChanged)
    Q_PROPERTY(QString codeSentText READ codeSentText NOTIFY stateChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY stateChanged)
    Q_PROPERTY(bool hasError READ hasError NOTIFY stateChanged)
    Q_PROPERTY(QString errorMessage READ errorMessage NOTIFY stateChanged)
    Q_PROPERTY(QStringList digits READ digits NOTIFY digitsChanged)
    Q_PROPERTY(bool canConfirm READ canConfirm NOTIFY stateChanged)
    Q_PROPERTY(int focusedDigit READ focusedDigit WRITE setFocusedDigit NOTIFY focusedDigitChanged)

public:
    enum class Method { phone, email };
    Q_ENUM(Method)
    enum class Step {
        methodChoice, // "手机登录" / "邮箱登录"
        accountEntry, // the account field and "确认并发送验证码"
        codeEntry,    // "输入验证码", the four boxes, "更换账号" and "确认"
    };
    Q_ENUM(Step)

    static constexpr int kCodeLength = 4;
    static inline const QString kWrongCode = QStringLiteral("验证码错误或已过期");

    explicit LoginViewModel(QObject* parent = nullptr);

    Step step() const;
    bool hasMethod() const { return m_method.has_value(); }
    // Only meaningful when hasMethod().
    Method method() const { return m_method.value_or(Method::phone); }
    QString account() const { return m_account; }
    // What every request and every display uses.
    QString normalizedAccount() const;
    bool isAccountValid() const;
    // "请输入手机号" or "请输入邮箱地址".
    QString accountPlaceholder() const;
    bool canSendCode() const { return isAccountValid() && !m_isLoading; }
    bool codeSent() const { return m_codeSent; }
    // "验证码已发送至 <account>"
    QString codeSentText() const;
    bool isLoading() const { return m_isLoading; }
    bool hasError() const { return m_errorMessage.has_value(); }
    QString errorMessage() const { return m_errorMessage.value_or(QString()); }
    QStringList digits() const { return m_digits; }
    QString code() const { return m_digits.join(QString()); }
    bool canConfirm() const { return code().toUcs4().size() == kCodeLength && !m_isLoading; }
    // The box that should hold keyboard focus; -1 for none.
    int focusedDigit() const { return m_focusedDigit; }

    // A method row.
    void chooseMethod(Method method);
    // "返回登录方式": back to the method choice, the account forgotten.
    void backToMethods();
    void setAccount(const QString& account);
    // "确认并发送验证码" or Return in the account field. An invalid account never leaves.
    void sendCode();

    // The text of box `index` changed to `text` (the widget passes the box's whole text).
    // Only number characters count: one is kept in the box and focus moves on; several (a
    // paste, or a second digit typed) spread over this box and the next ones. Always emits
    // digitsChanged, so a box showing rejected text is reset to what it holds.
    void setDigitText(int index, const QString& text);
    // Editing began in box `index`.
    void setFocusedDigit(int index);
    // "确认": checks the four digits. Never sent on its own when the fourth digit arrives.
    void confirmCode();
    // "更换账号": back to the account step with empty boxes; method and account stay.
    void changeAccount();

    // Trimmed of blanks and line breaks; an e-mail address also in lower case.
    static QString normalize(const QString& account, Method method);
    static bool isValid(const QString& normalizedAccount, Method method);

signals:
    void stateChanged();
    void digitsChanged();
    void focusedDigitChanged(int index);
    // The service accepted the code for this (normalised) account.
    void verified(const QString& account);

private:
    void setLoading(bool loading);
    void setError(std::optional<QString> message);
    void leaveStep();

    std::optional<Method> m_method;
    QString m_account;
    QStringList m_digits;
    bool m_codeSent = false;
    bool m_isLoading = false;
    // Bumped by every change of step: a reply to a request of an earlier step is dropped.
    quint64 m_request = 0;
    std::optional<QString> m_errorMessage;
    int m_focusedDigit = -1;
};

} // namespace Sweepora::Core
