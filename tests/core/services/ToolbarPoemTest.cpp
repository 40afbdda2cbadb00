#include "OnlineTestSupport.h"

#include "services/ToolbarPoem.h"

#include <QTest>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

class ToolbarPoemTest : public ServiceTest
{
protected:
    QString fetchWith(const QByteArray& body)
    {
        server.setReply("GET", u"/"_s, TestHttpServer::json(200, body));
        poem.fetch();
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }));
        return poem.text();
    }

    ToolbarPoem poem;
    QSignalSpy finished{&poem, &ToolbarPoem::fetchFinished};
    QSignalSpy changed{&poem, &ToolbarPoem::textChanged};
    LogCapture log;
};

} // namespace

TEST_F(ToolbarPoemTest, LineIsTrimmedAndFetchedOnce)
{
    EXPECT_EQ(fetchWith(R"({"hitokoto":"\n  海上生明月 \n","from":"张九龄"})"), u"海上生明月"_s);
    poem.fetch();
    QCoreApplication::processEvents();
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests()[0].target, "/?c=i");
}

TEST_F(ToolbarPoemTest, BlankLineShowsNothing)
{
    EXPECT_EQ(fetchWith(R"({"hitokoto":" \n\t "})"), QString());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_TRUE(log.lines().isEmpty());
}

TEST_F(ToolbarPoemTest, ReplyWithoutTheLineIsLogged)
{
    EXPECT_EQ(fetchWith(R"({"from":"佚名"})"), QString());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines()[0].startsWith(u"[Hitokoto] 诗词加载失败："_s));
    EXPECT_TRUE(log.lines()[0].contains(u"hitokoto"_s));
}
