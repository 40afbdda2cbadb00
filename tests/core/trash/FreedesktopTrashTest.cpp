#include "TrashTestTree.h"

#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace Sweepora::Core;
using namespace Sweepora::Test;

namespace {

bool hasTrashCli()
{
    return !QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty();
}

// Runs a trash-cli tool on our data home, as another implementation of the standard would.
QByteArray runTrashCli(const QString& tool, const QString& dataHome, const QString& workingDirectory,
                       const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    environment.insert(QStringLiteral("PYTHONIOENCODING"), QStringLiteral("utf-8"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(tool, {});
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    return process.readAllStandardOutput() + process.readAllStandardError();
}

} // namespace

using FreedesktopTrashTest = TrashTestTree;

TEST_F(FreedesktopTrashTest, MovesTheFileAndRecordsWhereItCameFromAndWhen)
{
    const QByteArray original = homeBytes() + "/a.txt";
    ASSERT_TRUE(writeFile(original, "content"));
    const Trash::Result result = trashPath(trash(), QString::fromUtf8(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.trashedPath, m_dataHome + QStringLiteral("/Trash/files/a.txt"));
    EXPECT_FALSE(exists(original));
    EXPECT_EQ(readFile(trashBytes() + "/files/a.txt"), "content");

    const QByteArray info = trashBytes() + "/info/a.txt.trashinfo";
    const QList<QByteArray> lines = readFile(info).split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0] + lines[1], "[Trash Info]Path=" + original);
    ASSERT_TRUE(lines[2].startsWith("DeletionDate=")) << lines[2].constData();
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(lines[2].mid(13)), Qt::ISODate);
    EXPECT_LT(qAbs(deleted.secsTo(QDateTime::currentDateTime())), 600) << lines[2].constData();
    EXPECT_EQ(mode(info), 0600u);
    for (const char* folder : {"", "/files", "/info"})
        EXPECT_EQ(mode(trashBytes() + folder), 0700u) << folder;
}

TEST_F(FreedesktopTrashTest, InfoAndNamesAreEncodedAndBounded)
{
    EXPECT_EQ(
        FreedesktopTrash::trashInfo("/h/a b%\n\xe4\xb8\xad\xff~_-.+;", QDateTime(QDate(2024, 2, 29), QTime(23, 5, 9))),
        "[Trash Info]\nPath=/h/a%20b%25%0A%E4%B8%AD%FF~_-.%2B%3B\nDeletionDate=2024-02-29T23:05:09\n");

    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 0, 245), "a.txt");
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 9, 245), "a.txt.10");
    const QByteArray chinese = QStringLiteral("中").toUtf8().repeated(80);                 // 240 bytes
    EXPECT_EQ(FreedesktopTrash::candidateName(chinese, 1, 240), chinese.left(237) + ".2"); // never half a character
    EXPECT_LE(FreedesktopTrash::candidateName(chinese, FreedesktopTrash::kMaxAttempts - 1, 20).size(), 20);
}

TEST_F(FreedesktopTrashTest, OddNameRoundTripsThroughTrashCli)
{
    if (!hasTrashCli())
        GTEST_SKIP() << "trash-cli is not installed (scripts/setup installs it)";
    const QByteArray original = homeBytes() + "/50% off \n\xe6\xb8\x85\xe7\x90\x86 report.txt";
    ASSERT_TRUE(writeFile(original, "odd"));
    ASSERT_TRUE(trashPath(trash(), pathFromBytes(original)).ok);
    ASSERT_FALSE(exists(original));

    const QByteArray listed = runTrashCli(QStringLiteral("trash-list"), m_dataHome, m_home);
    EXPECT_TRUE(listed.contains(" " + original + "\n")) << listed.constData();
    runTrashCli(QStringLiteral("trash-restore"), m_dataHome, m_home, "0\n");
    EXPECT_EQ(readFile(original), "odd");
    EXPECT_TRUE(entries(trashBytes() + "/info").isEmpty());
}

TEST_F(FreedesktopTrashTest, NameThatIsNotUtf8KeepsItsBytes)
{
    const QByteArray original = homeBytes() + "/bad \xff\xfe name %41";
    ASSERT_TRUE(writeFile(original, "bytes"));
    const Trash::Result result = trashPath(trash(), pathFromBytes(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(bytesFromPath(result.trashedPath), trashBytes() + "/files/bad \xff\xfe name %41");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/bad \xff\xfe name %41.trashinfo"), original);

    if (!hasTrashCli())
        GTEST_SKIP() << "trash-cli is not installed (scripts/setup installs it)";
    // trash-cli decodes Path= as UTF-8 with replacement characters: it shows and restores the
    // name with U+FFFD for each bad byte. A later version may keep the bytes.
    const QByteArray shown = QString::fromUtf8(original).toUtf8();
    const QByteArray listed = runTrashCli(QStringLiteral("trash-list"), m_dataHome, m_home);
    EXPECT_TRUE(listed.contains(" " + original + "\n") || listed.contains(" " + shown + "\n")) << listed.constData();
    runTrashCli(QStringLiteral("trash-restore"), m_dataHome, m_home, "0\n");
    EXPECT_TRUE(readFile(original) == "bytes" || readFile(shown) == "bytes");
}

TEST_F(FreedesktopTrashTest, NeverOverwritesAnything)
{
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/b")));
    const QByteArray first = homeBytes() + "/report.txt";
    const QByteArray second = homeBytes() + "/b/report.txt";
    ASSERT_TRUE(writeFile(first, "first"));
    ASSERT_TRUE(writeFile(second, "second"));
    ASSERT_TRUE(trashPath(trash(), QString::fromUtf8(first)).ok);
    ASSERT_TRUE(trashPath(trash(), QString::fromUtf8(second)).ok);
    // The same path once more, and names taken by an entry without info or info without entry.
    ASSERT_TRUE(writeFile(first, "again"));
    ASSERT_TRUE(writeFile(trashBytes() + "/files/report.txt.3", "stray"));
    ASSERT_TRUE(writeFile(trashBytes() + "/info/report.txt.4.trashinfo", "orphan"));
    const Trash::Result third = trashPath(trash(), QString::fromUtf8(first));
    ASSERT_TRUE(third.ok);

    EXPECT_EQ(third.trashedPath, m_dataHome + QStringLiteral("/Trash/files/report.txt.5"));
    EXPECT_EQ(readFile(trashBytes() + "/files/report.txt") + readFile(trashBytes() + "/files/report.txt.2") +
                  readFile(trashBytes() + "/files/report.txt.3") + readFile(trashBytes() + "/files/report.txt.5"),
              "firstsecondstrayagain");
    EXPECT_EQ(readFile(trashBytes() + "/info/report.txt.4.trashinfo"), "orphan");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.2.trashinfo"), second);
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.5.trashinfo"), first);
    EXPECT_FALSE(exists(trashBytes() + "/info/report.txt.3.trashinfo")); // taken back when the move found the stray
}

TEST_F(FreedesktopTrashTest, AnInfoFileIsCompleteOrAbsentEvenWhenTheMoveIsKilledAndNeverReplacesOne)
{
    const QByteArray original = homeBytes() + "/a.txt";
    const QByteArray infoFolder = trashBytes() + "/info";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(infoFolder)));
    ASSERT_TRUE(writeFile(infoFolder + "/a.txt.trashinfo", "")); // left by an earlier crash
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(writeFile(original, "a"));
        ASSERT_TRUE(trashPath(trash(), QString::fromUtf8(original)).ok);
    }
    const QList<QByteArray> written = {"a.txt.2.trashinfo", "a.txt.3.trashinfo", "a.txt.trashinfo"};
    EXPECT_EQ(entries(infoFolder), written) << "no temporary file stays";
    EXPECT_EQ(readFile(infoFolder + "/a.txt.trashinfo"), "");

    // Killed while writing: a file size limit stops the write half-way with SIGXFSZ.
    ASSERT_TRUE(writeFile(original, "a"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const struct rlimit noCore = {0, 0};
        const struct rlimit small = {16, 16};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::setrlimit(RLIMIT_FSIZE, &small);
        const int home = ::open(homeBytes().constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        trash().trashItem({home, "a.txt", QString::fromUtf8(original), original});
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_TRUE(exists(original));
    QList<QByteArray> infos = entries(infoFolder);
    infos.removeIf([](const QByteArray& e) { return !e.endsWith(".trashinfo"); });
    EXPECT_EQ(infos, written);
    for (const QByteArray& info : {written[0], written[1]}) {
        const QByteArray text = readFile(infoFolder + '/' + info);
        EXPECT_TRUE(text.startsWith("[Trash Info]\nPath=") && text.contains("\nDeletionDate=")) << text.constData();
        EXPECT_EQ(originalLocation(infoFolder + '/' + info), original);
    }
}

TEST_F(FreedesktopTrashTest, NamesNearTheLimitFitWithTheirInfoFile)
{
    const QByteArray original = homeBytes() + '/' + QStringLiteral("缓").toUtf8().repeated(83); // 249 bytes
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(writeFile(original, "x"));
        const Trash::Result result = trashPath(trash(), pathFromBytes(original));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
    }
    const QList<QByteArray> infos = entries(trashBytes() + "/info");
    ASSERT_EQ(infos.size(), 2);
    for (const QByteArray& info : infos) {
        EXPECT_LE(info.size(), 255);
        EXPECT_FALSE(QString::fromUtf8(info).contains(QChar::ReplacementCharacter)) << info.constData();
        EXPECT_EQ(originalLocation(trashBytes() + "/info/" + info), original);
    }
}

TEST_F(FreedesktopTrashTest, FoldersMoveWholeAndLinksMoveThemselves)
{
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/Cache/deep")));
    ASSERT_TRUE(writeFile(homeBytes() + "/Cache/deep/.f", "f"));
    ASSERT_TRUE(QDir().mkpath(m_home + QStringLiteral("/target")));
    ASSERT_TRUE(writeFile(homeBytes() + "/target/keep", "keep"));
    ASSERT_EQ(::symlink("target", (homeBytes() + "/link").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", (homeBytes() + "/dangling").constData()), 0);

    for (const char* name : {"/Cache", "/link", "/dangling"}) {
        EXPECT_TRUE(trashPath(trash(), m_home + QString::fromLatin1(name)).ok) << name;
        EXPECT_FALSE(exists(homeBytes() + name)) << name;
    }
    EXPECT_EQ(readFile(trashBytes() + "/files/Cache/deep/.f"), "f");
    EXPECT_EQ(readFile(homeBytes() + "/target/keep"), "keep");
    EXPECT_EQ(QFile::symLinkTarget(m_dataHome + QStringLiteral("/Trash/files/link")),
              m_dataHome + QStringLiteral("/Trash/files/target"));
}

TEST_F(FreedesktopTrashTest, RefusalsTouchNothing)
{
    const QByteArray outside = QFile::encodeName(m_root.path()) + "/outside.txt";
    ASSERT_TRUE(writeFile(outside, "o"));
    for (const QString& path : {QString::fromUtf8(outside), m_home + QStringLiteral("/../outside.txt")}) {
        const Trash::Result result = trashPath(trash(), path);
        EXPECT_EQ(result.errorCode, EPERM);
    }
    EXPECT_TRUE(exists(outside));
    EXPECT_FALSE(exists(trashBytes()));

    const Trash::Result missing = trashPath(trash(), m_home + QStringLiteral("/nothing"));
    EXPECT_EQ(missing.errorCode, ENOENT);
    EXPECT_TRUE(missing.error.startsWith(QStringLiteral("项目不存在（"))) << missing.error.toStdString();

    // The trash's own folders, or what lies directly in them, would break its index.
    Sandbox::openScope(m_dataHome);
    ASSERT_TRUE(writeFile(homeBytes() + "/a", "a"));
    ASSERT_TRUE(trashPath(trash(), m_home + QStringLiteral("/a")).ok);
    for (const char* inside : {"/Trash/info", "/Trash/info/a.trashinfo", "/Trash/files/a", "/Trash"})
        EXPECT_FALSE(trashPath(trash(), m_dataHome + QString::fromLatin1(inside)).ok) << inside;
    EXPECT_EQ(entries(trashBytes() + "/info"), QList<QByteArray>{"a.trashinfo"});
    EXPECT_EQ(entries(trashBytes() + "/files"), QList<QByteArray>{"a"});
}

TEST_F(FreedesktopTrashTest, AMissingDataHomeIsCreatedPrivateAndNothingLandsInTheCurrentFolder)
{
    const QByteArray original = homeBytes() + "/a.txt";
    ASSERT_TRUE(writeFile(original, "a"));
    const QString workingDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_home)); // a careless fallback would trash into here
    const Trash::Result result =
        trashPath(FreedesktopTrash(m_root.path() + QStringLiteral("/gone/data")), QString::fromUtf8(original));
    QDir::setCurrent(workingDirectory);

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(entries(homeBytes()).isEmpty());
    const QByteArray dataHome = QFile::encodeName(m_root.path()) + "/gone/data";
    EXPECT_EQ(entries(dataHome + "/Trash/files"), QList<QByteArray>{"a.txt"});
    struct stat st;
    ASSERT_EQ(::stat(dataHome.constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}
