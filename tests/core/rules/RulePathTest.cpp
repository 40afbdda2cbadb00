#include "rules/RulePath.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

using namespace Sweepora::Core;

namespace {

// An existence test over a fixed set of paths that records what it was asked, in order.
struct FakeFileSystem
{
    QSet<QString> existing;
    QStringList asked;

    std::optional<QString> resolve(const QString& rulePath, const LegacyGrantLookup& lookup = {})
    {
        return resolveRulePath(rulePath, QStringLiteral("/home/u"), lookup, [this](const QString& path) {
            asked << path;
            return existing.contains(path);
        });
    }
};

} // namespace

TEST(RulePath, AbsoluteHomeRelativeAndUnknownForms)
{
    FakeFileSystem fs;
    EXPECT_EQ(fs.resolve(QStringLiteral("/var//log/./x/")), QStringLiteral("/var/log/x"));
    EXPECT_EQ(fs.resolve(QStringLiteral("USERFOLDER/Library/Caches/a b/")),
              QStringLiteral("/home/u/Library/Caches/a b"));
    EXPECT_EQ(fs.resolve(QStringLiteral("USERFOLDER/a/../../other")), QStringLiteral("/home/other"));
    for (const QString& p : {QString(), QStringLiteral("Library/Caches"), QStringLiteral("USERFOLDER"),
                             QStringLiteral("userfolder/x"), QStringLiteral("~/x"), QStringLiteral("PUBLIC_DATA")})
        EXPECT_FALSE(fs.resolve(p).has_value()) << p.toStdString();
    EXPECT_TRUE(fs.asked.isEmpty());
}

TEST(RulePath, LegacyGrantComesAfterHomeAndBeforePublicData)
{
    FakeFileSystem fs;
    QStringList looked;
    const LegacyGrantLookup lookup = [&looked](const QString& p) -> std::optional<QString> {
        looked << p;
        if (p == QLatin1String("PUBLIC_DATA/com.a/x") || p == QLatin1String("my-old-grant"))
            return QStringLiteral("/granted/folder/");
        return std::nullopt;
    };
    EXPECT_EQ(fs.resolve(QStringLiteral("my-old-grant"), lookup), QStringLiteral("/granted/folder"));
    EXPECT_EQ(fs.resolve(QStringLiteral("PUBLIC_DATA/com.a/x"), lookup), QStringLiteral("/granted/folder"));
    EXPECT_EQ(fs.resolve(QStringLiteral("PUBLIC_DATA/com.b/x"), lookup),
              QStringLiteral("/home/u/Library/Containers/com.b/Data/Library/Caches/x"));
    fs.resolve(QStringLiteral("/x"), lookup);
    fs.resolve(QStringLiteral("USERFOLDER/x"), lookup);
    EXPECT_EQ(looked, QStringList({QStringLiteral("my-old-grant"), QStringLiteral("PUBLIC_DATA/com.a/x"),
                                   QStringLiteral("PUBLIC_DATA/com.b/x")}));
}

TEST(RulePath, PublicDataTakesTheFirstExistingCandidateElseTheFirst)
{
    const QString container = QStringLiteral("/home/u/Library/Containers/com.tencent.mm/Data");
    const QStringList candidates = {
        container + QStringLiteral("/Library/Caches/MicroMsg/wxacache"),
        container + QStringLiteral("/Library/Application Support/MicroMsg/wxacache"),
        container + QStringLiteral("/Documents/MicroMsg/wxacache"),
        QStringLiteral("/home/u/Library/Application Support/com.tencent.mm/MicroMsg/wxacache"),
        QStringLiteral("/home/u/Library/Application Support/MicroMsg/wxacache"),
    };
    FakeFileSystem none;
    EXPECT_EQ(none.resolve(QStringLiteral("PUBLIC_DATA/com.tencent.mm/MicroMsg/wxacache")), candidates.first());
    EXPECT_EQ(none.asked, candidates);
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        FakeFileSystem fs;
        for (qsizetype j = i; j < candidates.size(); ++j)
            fs.existing.insert(candidates.at(j));
        // Empty pieces are dropped.
        EXPECT_EQ(fs.resolve(QStringLiteral("PUBLIC_DATA//com.tencent.mm//MicroMsg/wxacache/")), candidates.at(i)) << i;
    }
    FakeFileSystem fs;
    for (const QString& p : {QStringLiteral("PUBLIC_DATA/com.x"), QStringLiteral("PUBLIC_DATA/com.x//")})
        EXPECT_FALSE(fs.resolve(p).has_value()) << p.toStdString();
}

TEST(RulePath, PublicDataCachesLooksInsideTheContainersCachesFirstOnTheRealFileSystemToo)
{
    const QString caches = QStringLiteral("/home/u/Library/Containers/com.x/Data/Library/Caches");
    FakeFileSystem fs;
    EXPECT_EQ(fs.resolve(QStringLiteral("PUBLIC_DATA/com.x/Caches/web")), caches + QStringLiteral("/web"));
    EXPECT_EQ(fs.asked.mid(0, 2),
              QStringList({caches + QStringLiteral("/web"), caches + QStringLiteral("/Caches/web")}));
    EXPECT_EQ(fs.asked.size(), 6);
    EXPECT_EQ(fs.resolve(QStringLiteral("PUBLIC_DATA/com.x/Caches")), caches);

    FakeFileSystem later; // the general candidates still follow
    later.existing.insert(QStringLiteral("/home/u/Library/Application Support/com.x/Caches/web"));
    EXPECT_EQ(later.resolve(QStringLiteral("PUBLIC_DATA/com.x/Caches/web")),
              QStringLiteral("/home/u/Library/Application Support/com.x/Caches/web"));

    FakeFileSystem lower; // only the exact piece "Caches" counts
    lower.resolve(QStringLiteral("PUBLIC_DATA/com.x/caches/y"));
    EXPECT_EQ(lower.asked.size(), 5);

    // The default existence test is the real file system.
    QTemporaryDir root;
    const QString support = root.filePath(QStringLiteral("Library/Application Support/com.x/logs"));
    const QString realCaches = root.filePath(QStringLiteral("Library/Containers/com.x/Data/Library/Caches"));
    ASSERT_TRUE(QDir().mkpath(support) && QDir().mkpath(realCaches));
    // A dangling link in the first place does not count as existing.
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("missing")), realCaches + QStringLiteral("/logs")));
    EXPECT_EQ(resolveRulePath(QStringLiteral("PUBLIC_DATA/com.x/logs"), root.path()), support);
}
