#pragma once

#include "core/services/OnlineTestSupport.h"
#include "ui/PageTest.h"

#include <QMessageBox>
#include <QTest>
#include <QWidget>

namespace Sweepora::Test {

// GUI cases of the online pages, drawn with the application's own look.
class OnlineUiTest : public Themed<ServiceTest>
{
protected:
    void serveJSON(const QByteArray& method, const QString& path, const QByteArray& body, int status = 200)
    {
        server.setReply(method, path, TestHttpServer::json(status, body));
    }
    qsizetype requestCount(const QString& path) const
    {
        const QList<TestHttpServer::Request> requests = server.requests();
        return std::count_if(requests.begin(), requests.end(),
                             [&](const auto& request) { return request.path == path; });
    }
    static void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

    Core::RuleStore store() const { return m_rules.store(); }
    void addRule(const QString& packName, const QString& name, const QStringList& paths = {}) const
    {
        m_rules.add(packName, name, name + u" 的缓存"_s, paths);
    }

private:
    TemporaryRuleStore m_rules;
};

// One published or workshop rule in the service's form.
inline QByteArray ruleJSON(const QByteArray& name, const QByteArray& packName, const QByteArray& extra = {})
{
    return R"({"Name":")" + name + R"(","Paths":["USERFOLDER/Library/Caches/)" + packName + R"("],"PackName":")" +
           packName + R"(","Description":")" + name + R"( 的缓存")" + extra + "}";
}

} // namespace Sweepora::Test
