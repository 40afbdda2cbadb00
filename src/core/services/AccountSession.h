#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace Sweepora::Core {

// The window's account state around the sign-in sheet. The stored account ("user_id") survives
// launches; an account verified in this run is kept beside it and shown in its place. A verified
// account is taken over only once the sheet has closed.
class AccountSession : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString userID READ userID NOTIFY accountChanged)
    Q_PROPERTY(QString temporaryUserID READ temporaryUserID NOTIFY accountChanged)
    Q_PROPERTY(QString effectiveUserID READ effectiveUserID NOTIFY accountChanged)
    Q_PROPERTY(bool showingLogin READ showingLogin NOTIFY showingLoginChanged)

public:
    explicit AccountSession(QObject* parent = nullptr);

    QString userID() const { return m_userID; }
    QString temporaryUserID() const { return m_temporaryUserID; }
    // The account verified in this run when there is one, else the stored one.
    QString effectiveUserID() const { return m_temporaryUserID.isEmpty() ? m_userID : m_temporaryUserID; }
    const std::optional<QString>& pendingVerifiedAccount() const { return m_pendingVerifiedAccount; }
    bool showingLogin() const { return m_showingLogin; }

    // The account item: opens the sheet when nobody is signed in.
    void userTapped();
    // "退出登录": forgets every account, the stored one included.
    void logout();
    // The sheet's onVerified: remembers the account and closes the sheet.
    void verified(const QString& account);
    // The sheet is gone: a verified account becomes the one signed in.
    void loginDismissed();

signals:
    void accountChanged();
    void showingLoginChanged(bool showing);

private:
    void setShowingLogin(bool showing);

    QString m_userID;
    QString m_temporaryUserID;
    std::optional<QString> m_pendingVerifiedAccount;
    bool m_showingLogin = false;
};

} // namespace Sweepora::Core
