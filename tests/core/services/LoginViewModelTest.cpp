#include "OnlineTestSupport.h"

#include "platform/Settings.h"
#include "services/AccountSession.h"
#include "services/LoginViewModel.h"

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

using Method = LoginViewModel::Method;
using Step = LoginViewModel::Step;

class LoginTest : public ServiceTest
{
protected:
    void answer(const QByteArray& method, const QString& action, const QByteArray& body, int status = 200)
    {
        for (const QString& channel : {u"/sms/"_s, u"/email/"_s})
            server.setReply(method, channel + action, TestHttpServer::json(status, body));
    }
    // Sends a code for `account` and waits for the answer.
    void send(Method method, const QString& account)
    {
        model.chooseMethod(method);
        model.setAccount(account);
        model.sendCode();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    }

    LoginViewModel model;
};

bool validPhone(const QString& text)
{
    return LoginViewModel::isValid(LoginViewModel::normalize(text, Method::phone), Method::phone);
}

} // namespace

TEST_F(LoginTest, AccountsAreNormalisedAndOnlyValidOnesAreSent)
{
    EXPECT_TRUE(validPhone(u" 13912345678 "_s));
    for (const QString& bad :
         {u"10912345678"_s, u"11912345678"_s, u"12912345678"_s, u"1391234567"_s, u"１３９１２３４５６７８"_s})
        EXPECT_FALSE(validPhone(bad)) << bad.toStdString();
    EXPECT_FALSE(LoginViewModel::isValid(u"user@example"_s, Method::email));
    EXPECT_FALSE(LoginViewModel::isValid(u"u\u3000r@example.com"_s, Method::email));

    answer("POST", u"send"_s, R"({"code":200,"message":"已发送"})");
    send(Method::phone, u"12912345678"_s);
    EXPECT_TRUE(server.requests().isEmpty());
    send(Method::phone, u"  13912345678  "_s);
    send(Method::email, u" USER@Example.COM\n"_s);
    ASSERT_EQ(server.requests().size(), 2);
    EXPECT_EQ(server.requests()[0].body, R"({"phone_number":"13912345678"})");
    EXPECT_EQ(server.requests()[1].target, "/email/send");
    EXPECT_EQ(server.requests()[1].body, R"({"email_address":"user@example.com"})");
    EXPECT_EQ(model.step(), Step::codeEntry);
    EXPECT_EQ(model.codeSentText(), u"验证码已发送至 user@example.com"_s);
}

TEST_F(LoginTest, SendAcceptsOnlyCode200AndCheckOnlyCode1)
{
    answer("POST", u"send"_s, R"({"code":0,"message":"发送过于频繁"})");
    send(Method::phone, u"13912345678"_s);
    EXPECT_EQ(model.step(), Step::accountEntry);
    EXPECT_EQ(model.errorMessage(), u"发送过于频繁"_s);

    answer("POST", u"send"_s, R"({"code":200,"message":""})");
    send(Method::phone, u"13912345678"_s);
    QSignalSpy verified(&model, &LoginViewModel::verified);
    model.setDigitText(0, u"0427"_s);
    answer("GET", u"check"_s, R"({"code":200,"message":"ok"})");
    model.confirmCode();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    EXPECT_EQ(model.errorMessage(), u"验证码错误或已过期"_s);
    EXPECT_EQ(model.code(), u"0427"_s); // kept for correction

    answer("GET", u"check"_s, R"({"code":1,"message":"ok"})");
    model.confirmCode();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isLoading(); }));
    ASSERT_EQ(verified.count(), 1);
    EXPECT_EQ(verified.at(0).at(0).toString(), u"13912345678"_s);
    EXPECT_EQ(server.requests().last().target, "/sms/check?phone_number=13912345678&code=0427");
}

TEST_F(LoginTest, CodeBoxesTakeNumbersOnlyAndSpreadSeveral)
{
    model.setDigitText(0, u"123456"_s);
    EXPECT_EQ(model.digits(), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s}));
    EXPECT_EQ(model.focusedDigit(), 3);
    model.setDigitText(1, u"a"_s);
    EXPECT_EQ(model.digits()[1], QString());
    EXPECT_EQ(model.focusedDigit(), 3);
    EXPECT_FALSE(model.canConfirm());

    model.setDigitText(0, u"x8"_s);
    EXPECT_EQ(model.focusedDigit(), 1);
    model.setDigitText(1, u"56"_s); // a second digit spreads into the next box
    EXPECT_EQ(model.digits(), (QStringList{u"8"_s, u"5"_s, u"6"_s, u"4"_s}));
    EXPECT_EQ(model.focusedDigit(), 3);
    model.setDigitText(3, u"٧٨"_s); // other scripts' numbers count; never beyond the last box
    EXPECT_EQ(model.digits()[3], u"٧"_s);
    EXPECT_TRUE(model.canConfirm());

    model.changeAccount();
    EXPECT_EQ(model.digits(), QStringList(4, QString()));
}

TEST_F(LoginTest, BackStepsAndTheWindowsAccount)
{
    answer("POST", u"send"_s, R"({"code":200,"message":""})");
    send(Method::email, u"a@b.cn"_s);
    model.changeAccount();
    EXPECT_EQ(model.step(), Step::accountEntry);
    EXPECT_EQ(model.account(), u"a@b.cn"_s);
    model.backToMethods();
    EXPECT_EQ(model.step(), Step::methodChoice);
    EXPECT_TRUE(model.account().isEmpty());

    // Going back while a code is on its way: its late success must not bring the code step back.
    model.chooseMethod(Method::email);
    model.setAccount(u"c@d.cn"_s);
    model.sendCode();
    ASSERT_TRUE(model.isLoading());
    model.backToMethods();
    EXPECT_FALSE(model.isLoading());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 2; }));
    QTest::qWait(100); // the reply arrives, and is dropped
    EXPECT_EQ(model.step(), Step::methodChoice);
    EXPECT_FALSE(model.codeSent());

    Settings::store().setValue(Settings::kUserID, u"old"_s);
    AccountSession session;
    session.logout();
    EXPECT_EQ(Settings::store().value(Settings::kUserID).toString(), QString());
    session.userTapped();
    session.verified(u"a@b.cn"_s);
    EXPECT_TRUE(session.effectiveUserID().isEmpty()); // not before the sheet has closed
    session.loginDismissed();
    EXPECT_EQ(session.effectiveUserID(), u"a@b.cn"_s);
}
