#include "core/services/LoginViewModel.h"

#include "core/services/ServiceEndpoints.h"
#include "core/util/ViewModelSupport.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace Sweepora::Core {

namespace {

VerificationRequest requestFor(LoginViewModel::Method method, const QString& account)
{
    return method == LoginViewModel::Method::phone ? VerificationRequest::phone(account)
                                                   : VerificationRequest::email(account);
}

QStringList emptyDigits()
{
    return QStringList(LoginViewModel::kCodeLength, QString());
}

// The number characters of `text`, each as its own string (a code point, so that a number
// outside the basic plane is one character, not two halves).
QStringList numberCharacters(const QString& text)
{
    QStringList kept;
    for (const char32_t point : text.toUcs4()) {
        if (QChar::isNumber(point))
            kept.append(QString::fromUcs4(&point, 1));
    }
    return kept;
}

} // namespace

LoginViewModel::LoginViewModel(QObject* parent) : QObject(parent), m_digits(emptyDigits())
{}

LoginViewModel::Step LoginViewModel::step() const
{
    if (m_codeSent)
        return Step::codeEntry;
    return m_method ? Step::accountEntry : Step::methodChoice;
}

QString LoginViewModel::normalize(const QString& account, Method method)
{
    const QString trimmed = account.trimmed();
    return method == Method::email ? trimmed.toLower() : trimmed;
}

bool LoginViewModel::isValid(const QString& normalizedAccount, Method method)
{
    // ASCII digits only: the service knows no other, and \d would take any script's digits.
    static const QRegularExpression phone(u"^1[3-9][0-9]{9}$"_s);
    // With Unicode properties \s also refuses an ideographic space inside the address.
    static const QRegularExpression email(u"^[^\\s@]+@[^\\s@]+\\.[^\\s@]+$"_s,
                                          QRegularExpression::UseUnicodePropertiesOption);
    return (method == Method::phone ? phone : email).match(normalizedAccount).hasMatch();
}

QString LoginViewModel::normalizedAccount() const
{
    return m_method ? normalize(m_account, *m_method) : m_account.trimmed();
}

bool LoginViewModel::isAccountValid() const
{
    return m_method && isValid(normalizedAccount(), *m_method);
}

QString LoginViewModel::accountPlaceholder() const
{
    return method() == Method::email ? u"请输入邮箱地址"_s : u"请输入手机号"_s;
}

QString LoginViewModel::codeSentText() const
{
    return u"验证码已发送至 "_s + normalizedAccount();
}

void LoginViewModel::setLoading(bool loading)
{
    if (ViewModelSupport::assign(m_isLoading, loading))
        emit stateChanged();
}

void LoginViewModel::setError(std::optional<QString> message)
{
    if (ViewModelSupport::assign(m_errorMessage, std::move(message)))
        emit stateChanged();
}

void LoginViewModel::leaveStep()
{
    ++m_request;
    setLoading(false);
}

void LoginViewModel::chooseMethod(Method method)
{
    leaveStep();
    m_method = method;
    m_errorMessage.reset();
    emit stateChanged();
}

void LoginViewModel::backToMethods()
{
    leaveStep();
    m_method.reset();
    m_account.clear();
    m_errorMessage.reset();
    emit stateChanged();
}

void LoginViewModel::setAccount(const QString& account)
{
    if (ViewModelSupport::assign(m_account, account))
        emit stateChanged();
}

void LoginViewModel::sendCode()
{
    if (!canSendCode())
        return;
    const QString account = normalizedAccount();
    setError(std::nullopt);
    setLoading(true);
    ServiceEndpoints::sendCode(requestFor(*m_method, account), this,
                               [this, request = m_request](ServiceResult<VerificationResponse> result) {
                                   if (request != m_request)
                                       return;
                                   if (!result) {
                                       setError(result.error().localizedDescription());
                                   } else if (result.value().code == 200) {
                                       m_codeSent = true;
                                       emit stateChanged();
                                   } else {
                                       // The service's refusal, word for word.
                                       setError(result.value().message);
                                   }
                                   setLoading(false);
                               });
}

void LoginViewModel::setDigitText(int index, const QString& text)
{
    if (index < 0 || index >= kCodeLength)
        return;
    const QStringList kept = numberCharacters(text);
    int focus = m_focusedDigit;
    if (kept.size() <= 1) {
        m_digits[index] = kept.value(0);
        // Clearing a box leaves focus where it is.
        if (!kept.isEmpty() && index < kCodeLength - 1)
            focus = index + 1;
    } else {
        for (int i = 0; i < kept.size() && index + i < kCodeLength; ++i)
            m_digits[index + i] = kept[i];
        focus = std::min<qsizetype>(index + kept.size(), kCodeLength - 1);
    }
    emit digitsChanged();
    emit stateChanged(); // canConfirm follows the digits
    setFocusedDigit(focus);
}

void LoginViewModel::setFocusedDigit(int index)
{
    if (index < -1 || index >= kCodeLength || index == m_focusedDigit)
        return;
    m_focusedDigit = index;
    emit focusedDigitChanged(index);
}

void LoginViewModel::confirmCode()
{
    if (!m_method || !canConfirm())
        return;
    const QString account = normalizedAccount();
    setError(std::nullopt);
    setLoading(true);
    ServiceEndpoints::checkCode(requestFor(*m_method, account), code(), this,
                                [this, account, request = m_request](ServiceResult<VerificationResponse> result) {
                                    if (request != m_request)
                                        return;
                                    if (!result)
                                        setError(result.error().localizedDescription());
                                    else if (result.value().code == 1)
                                        emit verified(account);
                                    else
                                        // Any other code, 200 included, is a refusal.
                                        setError(kWrongCode);
                                    setLoading(false);
                                });
}

void LoginViewModel::changeAccount()
{
    leaveStep();
    m_codeSent = false;
    m_digits = emptyDigits();
    m_errorMessage.reset();
    emit digitsChanged();
    emit stateChanged();
}

} // namespace Sweepora::Core
