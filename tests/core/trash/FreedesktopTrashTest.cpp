#include "TrashTestTree.h"

#include "platform/PlatformLayout.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

struct ToolRun
{
    bool started = false;
    int exitCode = -1;
    QByteArray output;
};

// Runs a trash-cli tool on our data home, as another implementation of the standard would.
ToolRun runTrashCli(const QString& tool, const QString& dataHome, const QString& workingDirectory,
                    const QByteArray& input = {})
{
    ToolRun run;
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return run;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, {});
    run.started = process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput() + process.readAllStandardError();
    return run;
}

// How a reader that decodes Path= as UTF-8 with replacement (trash-cli does) shows `bytes`.
QByteArray withReplacementCharacters(const QByteArray& bytes)
{
    return QString::fromUtf8(bytes).toUtf8();
}

} // namespace

using FreedesktopTrashTest = TrashTestTree;

TEST_F(FreedesktopTrashTest, MovesTheFileAndRecordsWhereItCameFromAndWhen)
{
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/docs")));
    const QByteArray original = homeBytes() + "/docs/a.txt";
    ASSERT_TRUE(writeFile(original, "content"));

    const Trash::Result result = trash().trashItem(QString::fromUtf8(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.trashedPath, m_dataHome + QStringLiteral("/Trash/files/a.txt"));
    EXPECT_FALSE(exists(original));
    EXPECT_EQ(readFile(trashBytes() + "/files/a.txt"), "content");

    const QByteArray info = trashBytes() + "/info/a.txt.trashinfo";
    const QList<QByteArray> lines = readFile(info).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "[Trash Info]");
    EXPECT_EQ(lines[1], "Path=" + original);
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)), Qt::ISODate);
    EXPECT_TRUE(lines[2].startsWith("DeletionDate=")) << lines[2].constData();
    EXPECT_LT(qAbs(deleted.secsTo(QDateTime::currentDateTime())), 600) << lines[2].constData();

    struct stat st;
    ASSERT_EQ(::stat(info.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (const char* folder : {"", "/files", "/info"}) {
        ASSERT_EQ(::stat((trashBytes() + folder).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << folder;
    }
}

TEST_F(FreedesktopTrashTest, TrashInfoEscapesEveryByteThatIsNotPlain)
{
    const QByteArray info =
        FreedesktopTrash::trashInfo("/h/a b%\n\xe4\xb8\xad\xff~_-.+;#", QDateTime(QDate(2024, 2, 29), QTime(23, 5, 9)));
    EXPECT_EQ(info, "[Trash Info]\nPath=/h/a%20b%25%0A%E4%B8%AD%FF~_-.%2B%3B%23\nDeletionDate=2024-02-29T23:05:09\n");
}

TEST_F(FreedesktopTrashTest, CandidateNamesCountUpAndStayShortWithoutSplittingCharacters)
{
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 0, 245), "a.txt");
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 1, 245), "a.txt.2");
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 9, 245), "a.txt.10");

    const QByteArray chinese = QStringLiteral("中").toUtf8().repeated(80); // 240 bytes
    const QByteArray second = FreedesktopTrash::candidateName(chinese, 1, 240);
    EXPECT_EQ(second, chinese.left(237) + ".2"); // 238 would cut a character in two
    EXPECT_FALSE(QString::fromUtf8(second).contains(QChar::ReplacementCharacter));

    const QByteArray late = FreedesktopTrash::candidateName("x", FreedesktopTrash::kMaxAttempts - 1, 245);
    EXPECT_TRUE(late.startsWith("x.")) << late.constData();
    EXPECT_LE(FreedesktopTrash::candidateName(chinese, FreedesktopTrash::kMaxAttempts - 1, 20).size(), 20);
}

TEST_F(FreedesktopTrashTest, OddNameRoundTripsThroughTrashCli)
{
    if (QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty())
        GTEST_SKIP() << "trash-cli is not installed (scripts/setup installs it)";
    const QByteArray original = homeBytes() + "/50% off \n\xe6\xb8\x85\xe7\x90\x86 report.txt";
    ASSERT_TRUE(writeFile(original, "odd"));
    const Trash::Result result = trash().trashItem(pathFromBytes(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_FALSE(exists(original));

    const ToolRun list = runTrashCli(QStringLiteral("trash-list"), m_dataHome, m_home);
    ASSERT_TRUE(list.started);
    EXPECT_TRUE(list.output.contains(" " + original + "\n")) << list.output.constData();

    const ToolRun restore = runTrashCli(QStringLiteral("trash-restore"), m_dataHome, m_home, "0\n");
    EXPECT_EQ(restore.exitCode, 0) << restore.output.constData();
    EXPECT_EQ(readFile(original), "odd");
    EXPECT_TRUE(entries(trashBytes() + "/files").isEmpty());
    EXPECT_TRUE(entries(trashBytes() + "/info").isEmpty());
}

TEST_F(FreedesktopTrashTest, NameThatIsNotUtf8KeepsItsBytes)
{
    const QByteArray original = homeBytes() + "/bad \xff\xfe name %41";
    ASSERT_TRUE(writeFile(original, "bytes"));
    const Trash::Result result = trash().trashItem(pathFromBytes(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(exists(original));
    EXPECT_EQ(bytesFromPath(result.trashedPath), trashBytes() + "/files/bad \xff\xfe name %41");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/bad \xff\xfe name %41.trashinfo"), original);

    if (QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty())
        GTEST_SKIP() << "trash-cli is not installed (scripts/setup installs it)";
    // trash-cli decodes Path= as UTF-8 with replacement characters, so it shows and restores
    // such a name with U+FFFD in place of each bad byte; a later version may keep the bytes.
    const QByteArray shown = withReplacementCharacters(original);
    const ToolRun list = runTrashCli(QStringLiteral("trash-list"), m_dataHome, m_home);
    EXPECT_TRUE(list.output.contains(" " + original + "\n") || list.output.contains(" " + shown + "\n"))
        << list.output.constData();
    const ToolRun restore = runTrashCli(QStringLiteral("trash-restore"), m_dataHome, m_home, "0\n");
    EXPECT_EQ(restore.exitCode, 0) << restore.output.constData();
    EXPECT_TRUE(readFile(original) == "bytes" || readFile(shown) == "bytes");
}

TEST_F(FreedesktopTrashTest, SameNameTwiceKeepsBoth)
{
    for (const char* folder : {"/a", "/b"})
        ASSERT_TRUE(QDir().mkpath(m_home + QString::fromLatin1(folder)));
    const QByteArray first = homeBytes() + "/a/report.txt";
    const QByteArray second = homeBytes() + "/b/report.txt";
    ASSERT_TRUE(writeFile(first, "first"));
    ASSERT_TRUE(writeFile(second, "second"));
    FreedesktopTrash t = trash();
    ASSERT_TRUE(t.trashItem(QString::fromUtf8(first)).ok);
    ASSERT_TRUE(t.trashItem(QString::fromUtf8(second)).ok);
    ASSERT_TRUE(writeFile(first, "first again")); // the same path once more
    const Trash::Result third = t.trashItem(QString::fromUtf8(first));
    ASSERT_TRUE(third.ok);
    EXPECT_EQ(third.trashedPath, m_dataHome + QStringLiteral("/Trash/files/report.txt.3"));

    EXPECT_EQ(readFile(trashBytes() + "/files/report.txt"), "first");
    EXPECT_EQ(readFile(trashBytes() + "/files/report.txt.2"), "second");
    EXPECT_EQ(readFile(trashBytes() + "/files/report.txt.3"), "first again");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.trashinfo"), first);
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.2.trashinfo"), second);
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.3.trashinfo"), first);
}

TEST_F(FreedesktopTrashTest, NeverReplacesEntriesThatLackTheirOtherHalf)
{
    // An entry in files/ without info, and an info file without its entry: both names are taken.
    ASSERT_TRUE(QDir().mkpath(m_dataHome + QStringLiteral("/Trash/files")));
    ASSERT_TRUE(QDir().mkpath(m_dataHome + QStringLiteral("/Trash/info")));
    ASSERT_TRUE(writeFile(trashBytes() + "/files/x", "stray"));
    ASSERT_TRUE(writeFile(trashBytes() + "/info/y.trashinfo", "orphan"));
    ASSERT_TRUE(writeFile(homeBytes() + "/x", "new x"));
    ASSERT_TRUE(writeFile(homeBytes() + "/y", "new y"));

    EXPECT_EQ(trash().trashItem(m_home + QStringLiteral("/x")).trashedPath,
              m_dataHome + QStringLiteral("/Trash/files/x.2"));
    EXPECT_EQ(trash().trashItem(m_home + QStringLiteral("/y")).trashedPath,
              m_dataHome + QStringLiteral("/Trash/files/y.2"));
    EXPECT_EQ(readFile(trashBytes() + "/files/x"), "stray");
    EXPECT_EQ(readFile(trashBytes() + "/info/y.trashinfo"), "orphan");
    EXPECT_EQ(readFile(trashBytes() + "/files/x.2"), "new x");
    EXPECT_EQ(entries(trashBytes() + "/info"), (QList<QByteArray>{"x.2.trashinfo", "y.2.trashinfo", "y.trashinfo"}));
}

TEST_F(FreedesktopTrashTest, NamesNearTheLimitFitWithTheirInfoFile)
{
    const QByteArray longName = QStringLiteral("缓").toUtf8().repeated(83); // 249 bytes
    const QByteArray original = homeBytes() + '/' + longName;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(writeFile(original, QByteArray::number(round)));
        const Trash::Result result = trash().trashItem(pathFromBytes(original));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
        EXPECT_FALSE(exists(original));
    }
    const QList<QByteArray> infos = entries(trashBytes() + "/info");
    ASSERT_EQ(infos.size(), 2);
    for (const QByteArray& info : infos) {
        EXPECT_LE(info.size(), 255);
        EXPECT_FALSE(QString::fromUtf8(info).contains(QChar::ReplacementCharacter)) << info.constData();
        EXPECT_EQ(originalLocation(trashBytes() + "/info/" + info), original);
    }
    EXPECT_EQ(entries(trashBytes() + "/files").size(), 2);
}

TEST_F(FreedesktopTrashTest, FolderMovesWhole)
{
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/Cache/deep/deeper")));
    ASSERT_TRUE(writeFile(homeBytes() + "/Cache/deep/deeper/f", "f"));
    ASSERT_TRUE(writeFile(homeBytes() + "/Cache/.hidden", "h"));
    const Trash::Result result = trash().trashItem(m_home + QStringLiteral("/Cache"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_FALSE(exists(homeBytes() + "/Cache"));
    EXPECT_EQ(readFile(trashBytes() + "/files/Cache/deep/deeper/f"), "f");
    EXPECT_EQ(readFile(trashBytes() + "/files/Cache/.hidden"), "h");
}

TEST_F(FreedesktopTrashTest, SymbolicLinkMovesItselfNeverItsTarget)
{
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/target/inner")));
    ASSERT_TRUE(writeFile(homeBytes() + "/target/inner/keep", "keep"));
    ASSERT_EQ(::symlink("target", (homeBytes() + "/link").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", (homeBytes() + "/dangling").constData()), 0);

    ASSERT_TRUE(trash().trashItem(m_home + QStringLiteral("/link")).ok);
    ASSERT_TRUE(trash().trashItem(m_home + QStringLiteral("/dangling")).ok);
    EXPECT_EQ(readFile(homeBytes() + "/target/inner/keep"), "keep");
    EXPECT_FALSE(exists(homeBytes() + "/link"));
    EXPECT_FALSE(exists(homeBytes() + "/dangling"));
    struct stat st;
    ASSERT_EQ(::lstat((trashBytes() + "/files/link").constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(QFile::symLinkTarget(m_dataHome + QStringLiteral("/Trash/files/dangling")).section(QLatin1Char('/'), -1),
              QStringLiteral("nowhere"));
}

TEST_F(FreedesktopTrashTest, MissingDataHomeFailsWithoutWritingAnywhere)
{
    const QByteArray original = homeBytes() + "/a.txt";
    ASSERT_TRUE(writeFile(original, "a"));
    const QString workingDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_home)); // a careless fallback would trash into here
    const Trash::Result result =
        FreedesktopTrash(m_root.path() + QStringLiteral("/gone/data")).trashItem(QString::fromUtf8(original));
    QDir::setCurrent(workingDirectory);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, ENOENT);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("找不到废纸篓所在的文件夹"))) << result.error.toStdString();
    EXPECT_EQ(readFile(original), "a");
    EXPECT_EQ(entries(homeBytes()), QList<QByteArray>{"a.txt"});
    EXPECT_FALSE(exists(QFile::encodeName(m_root.path()) + "/gone"));
}

TEST_F(FreedesktopTrashTest, RefusesWhatTheSandboxDoesNotOpen)
{
    const QByteArray outside = QFile::encodeName(m_root.path()) + "/outside.txt";
    ASSERT_TRUE(writeFile(outside, "o"));
    for (const QString& path : {QString::fromUtf8(outside), m_home + QStringLiteral("/../outside.txt")}) {
        const Trash::Result result = trash().trashItem(path);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.errorCode, EPERM);
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("没有权限"))) << result.error.toStdString();
    }
    EXPECT_TRUE(exists(outside));
    EXPECT_FALSE(exists(trashBytes()));
}

TEST_F(FreedesktopTrashTest, MissingItemFailsAndLeavesNoInfoFile)
{
    const Trash::Result result = trash().trashItem(m_home + QStringLiteral("/nothing"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorCode, ENOENT);
    EXPECT_TRUE(result.error.startsWith(QStringLiteral("项目不存在（"))) << result.error.toStdString();
    EXPECT_TRUE(entries(trashBytes() + "/info").isEmpty());
}

TEST_F(FreedesktopTrashTest, RefusesToMoveTheTrashIntoItself)
{
    Sandbox::openScope(m_dataHome);
    ASSERT_TRUE(writeFile(homeBytes() + "/a", "a"));
    ASSERT_TRUE(trash().trashItem(m_home + QStringLiteral("/a")).ok);

    for (const char* inside : {"/Trash/info", "/Trash/info/a.trashinfo", "/Trash/files/a", "/Trash"}) {
        const Trash::Result result = trash().trashItem(m_dataHome + QString::fromLatin1(inside));
        EXPECT_FALSE(result.ok) << inside;
    }
    EXPECT_EQ(entries(trashBytes() + "/info"), QList<QByteArray>{"a.trashinfo"});
    EXPECT_EQ(entries(trashBytes() + "/files"), QList<QByteArray>{"a"});
}

TEST_F(FreedesktopTrashTest, PlatformTrashUsesTheLayoutsDataHome)
{
    // TestMain points XDG_DATA_HOME at this process's private folder.
    const QString dataHome = PlatformLayout::current().dataHome;
    ASSERT_TRUE(dataHome.startsWith(QDir::tempPath())) << dataHome.toStdString();
    ASSERT_TRUE(writeFile(homeBytes() + "/p", "p"));
    const Trash::Result result = Trash::current().trashItem(m_home + QStringLiteral("/p"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.trashedPath, PlatformLayout::current().trashFolder + QStringLiteral("/p"));
}
