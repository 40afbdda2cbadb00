// The rule review (an allow-list of cache folders) that lets an upload reach other machines.
#include "ServiceHarness.h"

#include "core/rules/RuleReview.h"

#include <QDir>

using namespace Sweepora;
using namespace Sweepora::Core;
using namespace Sweepora::ServiceTest;
using namespace Qt::StringLiterals;

namespace {

CleanupRule ruleWith(const QStringList& paths)
{
    return CleanupRule{true, u"缓存"_s, paths, 0, u"com.example.app"_s, {}};
}

class RuleReviewUploadTest : public ServiceHarness
{
protected:
    Service::ServiceLimits limits() const override { return {.uploadsPerHour = 1000, .uploadsPerDay = 1000}; }
    // The upload's "allow" and "reason".
    std::pair<int, QString> upload(const QString& path)
    {
        const RawReply reply = send("POST", "/market/tasks", uploadBody(ruleWith({path}).toJsonObject()));
        const QJsonObject data = reply.json().value(u"data"_s).toObject();
        EXPECT_EQ(reply.status, 200) << reply.body.constData();
        return {data.value(u"allow"_s).toInt(-1), data.value(u"reason"_s).toString()};
    }
};

} // namespace

TEST_F(RuleReviewUploadTest, UserDataIsHeldAndRealCachesAreApproved)
{
    // Credentials, wallets, password managers, messengers, game saves, notes, Wine's drive link
    // to the whole disk, and the tricks that would lead out of a cache folder.
    const QStringList userData =
        u"USERFOLDER/.aws|USERFOLDER/.aws/credentials|USERFOLDER/.kube|USERFOLDER/.docker|USERFOLDER/.pki/nssdb|"
        "USERFOLDER/.local/share/kwalletd|USERFOLDER/.bitcoin|USERFOLDER/.bitcoin/wallets/wallet.dat|"
        "USERFOLDER/.electrum/wallets|USERFOLDER/.password-store|USERFOLDER/.config/KeePassXC|"
        "USERFOLDER/.config/Bitwarden|USERFOLDER/.var/app/com.bitwarden.desktop/config/Bitwarden|"
        "USERFOLDER/.config/1Password|USERFOLDER/.local/share/keyrings|USERFOLDER/.gnupg|USERFOLDER/.ssh|"
        "USERFOLDER/.config/Signal|USERFOLDER/.local/share/TelegramDesktop|USERFOLDER/.var/app/org.telegram.desktop/"
        "data|"
        "USERFOLDER/Library/Application Support/Signal|"
        "USERFOLDER/Library/Containers/com.tencent.xinWeChat/Data/Library/Application Support/com.tencent.xinWeChat|"
        "USERFOLDER/.local/share/Steam/userdata|USERFOLDER/.minecraft/saves|USERFOLDER/.config/unity3d|"
        "USERFOLDER/.obsidian|USERFOLDER/Documents/Obsidian Vault/.obsidian|"
        "USERFOLDER/.wine/dosdevices/z:/var/lib/postgresql|USERFOLDER/.cache/wine/dosdevices/c:|"
        "USERFOLDER/.cache/../.aws|USERFOLDER/.cache/x/../../.ssh|USERFOLDER/.cache//.gnupg|"
        "USERFOLDER/.cache/wallet/.bitcoin|USERFOLDER/.config/google-chrome/Cache|"
        "USERFOLDER/.local/share/Trash/files|USERFOLDER/.cache|USERFOLDER/Library/Caches|"
        "USERFOLDER/.mozilla/firefox/x.default/cache2|/home/someone/.cache/x|"
        "PUBLIC_DATA/com.tencent.xinWeChat/Documents|PUBLIC_DATA/com.example/Caches/../../Keychains"_s.split(u'|');
    ASSERT_EQ(userData.size(), 41);
    for (const QString& path : userData) {
        const auto [allow, reason] = upload(path);
        EXPECT_EQ(allow, 0) << path.toStdString();
        EXPECT_FALSE(reason.isEmpty()) << path.toStdString();
    }
    EXPECT_TRUE(upload(u"USERFOLDER/.wine/dosdevices/z:/x"_s).second.contains(u"盘符"_s));
    EXPECT_TRUE(upload(u"USERFOLDER/.cache"_s).second.contains(u"所有应用共用"_s));

    for (const QString& path :
         {u"USERFOLDER/.cache/pip"_s, u"USERFOLDER/.cache/mozilla/firefox"_s, u"USERFOLDER/.CACHE/thumbnails/large"_s,
          u"USERFOLDER/Library/Caches/com.apple.Safari"_s,
          u"USERFOLDER/Library/Containers/com.tinyspeck.slackmacgap/Data/Library/Caches/com.tinyspeck.slackmacgap"_s,
          u"USERFOLDER/.var/app/org.mozilla.firefox/cache"_s, u"USERFOLDER/snap/chromium/common/.cache/chromium"_s,
          u"PUBLIC_DATA/com.tencent.qq/Caches/com.tencent.qq"_s, u"USERFOLDER/.npm/_cacache"_s,
          u"USERFOLDER/.cargo/registry/cache"_s, u"USERFOLDER/.gradle/caches/build-cache-1"_s,
          u"USERFOLDER/.config/Code/Cache"_s, u"USERFOLDER/Library/Application Support/Slack/Code Cache"_s,
          u"USERFOLDER/Library/Developer/Xcode/DerivedData"_s}) {
        const auto [allow, reason] = upload(path);
        EXPECT_EQ(allow, 1) << path.toStdString() << ": " << reason.toStdString();
    }
}

TEST(RuleReviewTest, BundledRulesPassExceptThoseThatAlsoTakeLogs)
{
    // Logs are no cache: a rule that takes them is one an operator looks at.
    const QStringList withLogs = {u"com.apple.CoreSimulator模拟器缓存与日志.json"_s,
                                  u"com.microsoft.VSCodeVS Code 日志.json"_s, u"com.npmjsnpm 缓存与日志.json"_s,
                                  u"us.zoom.xosZoom 缓存与日志.json"_s, u"com.tencent.mm微信 小程序缓存.json"_s};
    const QDir folder(QStringLiteral(SWEEPORA_SOURCE_DIR "/resources/Rules"));
    const QStringList files = folder.entryList({u"*.json"_s}, QDir::Files);
    ASSERT_GT(files.size(), 10);
    int passed = 0;
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto rule = CleanupRule::fromJson(file.readAll());
        ASSERT_TRUE(rule.ok()) << name.toStdString();
        const ReviewVerdict verdict = RuleReview::review(*rule.value);
        if (withLogs.contains(name)) {
            EXPECT_FALSE(verdict.passed) << name.toStdString();
            continue;
        }
        // An allow-list cannot know every application's own cache folder: such a rule is held
        // for an operator, but never for crossing a protected place or leaving the home.
        passed += verdict.passed;
        for (const QString& problem : verdict.problems)
            EXPECT_TRUE(problem.endsWith(u"不在已知应用的缓存文件夹中"_s))
                << name.toStdString() << ": " << problem.toStdString();
    }
    EXPECT_GE(passed, 100);
}

TEST(RuleReviewTest, NamesPackNamesAndPathCountsMustBeSaneAndTheReasonStaysShort)
{
    CleanupRule rule = ruleWith({u"USERFOLDER/.cache/x"_s});
    EXPECT_TRUE(RuleReview::review(rule).passed);
    // A "/" would become part of a rule file's name.
    for (const QString& name : {u"   "_s, QString(RuleReview::kMaxNameLength + 1, u'名'), u"a/b"_s}) {
        rule.name = name;
        EXPECT_FALSE(RuleReview::review(rule).passed) << name.toStdString();
    }
    rule.name = u"缓存"_s;
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
    EXPECT_FALSE(RuleReview::review(ruleWith({u"USERFOLDER/.cache/a\nb"_s})).passed);

    // The reason names each problem and stays short.
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
