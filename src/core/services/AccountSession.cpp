#include "core/services/AccountSession.h"

#include "core/platform/Settings.h"
#include "core/util/ViewModelSupport.h"

namespace Sweepora::Core {

AccountSession::AccountSession(QObject* parent)
    : QObject(parent), m_userID(Settings::store().value(Settings::kUserID).toString())
{}

void AccountSession::setShowingLogin(bool showing)
{
    if (ViewModelSupport::assign(m_showingLogin, showing))
        emit showingLoginChanged(showing);
}

void AccountSession::userTapped()
{
    if (effectiveUserID().isEmpty())
        setShowingLogin(true);
}

void AccountSession::logout()
{
    m_userID.clear();
    m_temporaryUserID.clear();
    m_pendingVerifiedAccount.reset();
    Settings::store().setValue(Settings::kUserID, QString());
    emit accountChanged();
}

void AccountSession::verified(const QString& account)
{
    m_pendingVerifiedAccount = account;
    setShowingLogin(false);
}

void AccountSession::loginDismissed()
{
    setShowingLogin(false);
    if (!m_pendingVerifiedAccount)
        return;
    m_temporaryUserID = *m_pendingVerifiedAccount;
    m_pendingVerifiedAccount.reset();
    emit accountChanged();
}

} // namespace Sweepora::Core
