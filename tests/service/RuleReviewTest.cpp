// The automatic review that decides whether an upload reaches other people's machines.
#include "RuleReview.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::Service;
using namespace Qt::StringLiterals;

namespace {

CleanupRule ruleWith(const QStringList& paths)
{
    CleanupRule rule;
    rule.name = u"缓存"_s;
    rule.packName = u"com.example.app"_s;
    rule.paths = paths;
    return rule;
}

} // namespace

TEST(RuleReviewTest, EveryBundledRulePasses)
{
    // The rules that ship with the application are the model of a good upload.
    const QDir folder(QStringLiteral(SWEEPORA_SOURCE_DIR "/resources/Rules"));
    const QStringList files = folder.entryList({u"*.json"_s}, QDir::Files);
    ASSERT_GT(files.size(), 10);
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto rule = CleanupRule::fromJson(file.readAll());
        ASSERT_TRUE(rule.ok()) << name.toStdString();
        const ReviewVerdict verdict = RuleReview::review(*rule.value);
        EXPECT_TRUE(verdict.passed) << name.toStdString() << ": " << verdict.reason().toStdString();
    }
}

TEST(RuleReviewTest, PathsThatStayInCacheFoldersOfTheHomePass)
{
    for (const QString& path :
         {u"USERFOLDER/.cache/pip"_s, u"USERFOLDER/Library/Caches/com.example"_s, u"USERFOLDER/.cache"_s,
          u"USERFOLDER/.config/Code/Cache/"_s, u"USERFOLDER/snap/chromium/common/.cache/chromium"_s,
          u"USERFOLDER/.var/app/org.mozilla.firefox/cache"_s, u"PUBLIC_DATA/com.tencent.qq/Caches/com.tencent.qq"_s,
          u"/Users/someone/Library/Caches/x"_s, u"/home/someone/.cache/x"_s})
        EXPECT_EQ(RuleReview::pathProblem(path), QString()) << path.toStdString();
}

TEST(RuleReviewTest, PathsThatLeaveTheHomeTakeItWholeOrNameUserDataAreRefused)
{
    for (const QString& path :
         {u"USERFOLDER/../x"_s, u"USERFOLDER/.cache/../../x"_s, u"USERFOLDER/./.cache"_s, u"USERFOLDER/"_s,
          u"USERFOLDER//"_s, u"USERFOLDER"_s, u"/"_s, u"/etc/passwd"_s, u"/home/someone"_s, u"/Users"_s,
          u"~/Library/Caches"_s, u".cache/x"_s, u"PUBLIC_DATA/com.x"_s, u""_s, u"USERFOLDER/.cache/a\nb"_s,
          u"USERFOLDER/.cache/a"_s + QChar(0) + u"b"_s})
        EXPECT_NE(RuleReview::pathProblem(path), QString()) << path.toStdString();
    // User data in any case and at any depth, folders that hold user data as a whole, and
    // PUBLIC_DATA forms that may land in the shared support folder on someone's machine.
    const QStringList userData =
        QStringLiteral("Documents|documents/old|Desktop|Downloads/x.dmg|下载|Library/Mail|Library/Keychains|.ssh|"
                       ".mozilla/firefox|.config/google-chrome/Default|Library/Application Support/Google/Chrome|"
                       ".local/share/keyrings|.cache/x/Documents|Projects/build|Library|Library/Application Support|"
                       ".config|.local/share|.var/app/org.mozilla.firefox|Library/Containers/com.example")
            .split(u'|');
    for (const QString& tail : userData)
        EXPECT_NE(RuleReview::pathProblem(u"USERFOLDER/"_s + tail), QString()) << tail.toStdString();
    EXPECT_NE(RuleReview::pathProblem(u"/home/someone/Pictures"_s), QString());
    EXPECT_NE(RuleReview::pathProblem(u"PUBLIC_DATA/com.example/Google/Chrome"_s), QString());
}

TEST(RuleReviewTest, NamesPackNamesAndPathCountsMustBeSane)
{
    EXPECT_TRUE(RuleReview::review(ruleWith({u"USERFOLDER/.cache/x"_s})).passed);

    CleanupRule rule = ruleWith({u"USERFOLDER/.cache/x"_s});
    rule.name = u"   "_s;
    EXPECT_FALSE(RuleReview::review(rule).passed);
    rule.name = QString(RuleReview::kMaxNameLength + 1, u'名');
    EXPECT_FALSE(RuleReview::review(rule).passed);
    rule.name = u"a/b"_s; // would become part of a rule file's name
    EXPECT_FALSE(RuleReview::review(rule).passed);

    rule = ruleWith({u"USERFOLDER/.cache/x"_s});
    for (const QString& packName : {u""_s, u"com/x"_s, u"../x"_s, u"com example"_s, QString(201, u'a')}) {
        rule.packName = packName;
        EXPECT_FALSE(RuleReview::review(rule).passed) << packName.toStdString();
    }

    QStringList fifty;
    for (int i = 0; i < RuleReview::kMaxPaths; ++i)
        fifty.append(u"USERFOLDER/.cache/p%1"_s.arg(i));
    EXPECT_TRUE(RuleReview::review(ruleWith(fifty)).passed);
    EXPECT_FALSE(RuleReview::review(ruleWith(fifty + QStringList{u"USERFOLDER/.cache/one-more"_s})).passed);
    EXPECT_FALSE(RuleReview::review(ruleWith({})).passed);
}

TEST(RuleReviewTest, ReasonNamesEachProblemAndStaysShort)
{
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths.append(u"USERFOLDER/Documents/%1"_s.arg(i));
    const ReviewVerdict verdict = RuleReview::review(ruleWith(paths));
    ASSERT_FALSE(verdict.passed);
    EXPECT_EQ(verdict.problems.size(), 8);
    EXPECT_TRUE(verdict.reason().contains(u"USERFOLDER/Documents/0"_s));
    EXPECT_FALSE(verdict.reason().contains(u"USERFOLDER/Documents/7"_s));
    EXPECT_TRUE(verdict.reason().contains(u"另有 3 处问题"_s)) << verdict.reason().toStdString();
}
