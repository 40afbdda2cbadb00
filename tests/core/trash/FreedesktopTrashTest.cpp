// The platform Trash as the freedesktop.org standard lays it out: what it writes, what it refuses,
// other volumes, permissions, and names that are not UTF-8. Helpers take raw bytes.
#include "core/trash/FreedesktopTrash.h"
#include "core/platform/PathBytes.h"
#include "core/platform/PlatformLayout.h"
#include "core/platform/Sandbox.h"
#include "core/trash/TrashContents.h"
#include "support/ChildProcess.h"
#include "support/Tools.h"
#include "support/TrashFakes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace Sweepora::Core;
using namespace Sweepora::Test;
using namespace Qt::StringLiterals;

namespace {

// A home folder open as a scope and a data home for the home trash, in a temporary folder.
// Helpers take raw bytes, since names need not be UTF-8.
class TrashTestTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(m_home) && QDir().mkpath(m_dataHome));
        Sandbox::reset();
        Sandbox::openScope(m_home);
    }

    FreedesktopTrash trash() const { return FreedesktopTrash(m_dataHome); }
    QByteArray homeBytes() const { return QFile::encodeName(m_home); }
    QByteArray trashBytes() const { return QFile::encodeName(m_dataHome) + "/Trash"; }

    static bool writeFile(const QByteArray& path, const QByteArray& content)
    {
        QDir().mkpath(pathFromBytes(path.left(path.lastIndexOf('/')))); // the folders on the way, as needed
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool ok = fd >= 0 && ::write(fd, content.constData(), size_t(content.size())) == content.size();
        return fd >= 0 && ::close(fd) == 0 && ok;
    }

    static QByteArray readFile(const QByteArray& path)
    {
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return "<unreadable>";
        QByteArray content;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            content.append(buffer, n);
        ::close(fd);
        return content;
    }

    // What lstat says of a path (not following a link), if it is there.
    static std::optional<struct stat> info(const QByteArray& path)
    {
        struct stat st;
        return ::lstat(path.constData(), &st) == 0 ? std::optional(st) : std::nullopt;
    }
    static bool exists(const QByteArray& path) { return info(path).has_value(); }
    static qint64 allocated(const QByteArray& path) { return info(path) ? qint64(info(path)->st_blocks) * 512 : -1; }
    static unsigned mode(const QByteArray& path) { return info(path) ? info(path)->st_mode & 07777 : 0; }

    // Every entry of a folder, hidden ones included, sorted; empty when it is missing.
    static QList<QByteArray> entries(const QByteArray& folder)
    {
        QList<QByteArray> names;
        if (DIR* dir = ::opendir(folder.constData())) {
            while (const dirent* entry = ::readdir(dir))
                if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                    names.append(QByteArray(entry->d_name));
            ::closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // The decoded Path= of an info file.
    static QByteArray originalLocation(const QByteArray& infoFile)
    {
        for (const QByteArray& line : readFile(infoFile).split('\n'))
            if (line.startsWith("Path="))
                return QByteArray::fromPercentEncoding(line.mid(5));
        return {};
    }

    QTemporaryDir m_root{QDir::tempPath() + u"/sweepora-trash-XXXXXX"_s};
    QString m_home = m_root.path() + u"/home"_s;
    QString m_dataHome = m_root.path() + u"/data"_s;
};

// Runs a trash-cli tool on our data home, as another implementation of the standard would.
QByteArray runTrashCli(const QString& tool, const QString& dataHome, const QString& workingDirectory,
                       const QByteArray& input = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_DATA_HOME"_s, dataHome);
    environment.insert(u"PYTHONIOENCODING"_s, u"utf-8"_s);
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
using TrashContentsTest = TrashTestTree;

TEST_F(FreedesktopTrashTest, MovesTheFileAndRecordsWhereItCameFromAndWhenEncodedAndBoundedAndMakesAMissingDataHome)
{
    const QByteArray original = homeBytes() + "/a.txt";
    ASSERT_TRUE(writeFile(original, "content"));
    const Trash::Result result = trashPath(trash(), QString::fromUtf8(original));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.trashedPath, m_dataHome + u"/Trash/files/a.txt"_s);
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

    // Info and names are encoded and bounded.
    EXPECT_EQ(
        FreedesktopTrash::trashInfo("/h/a b%\n\xe4\xb8\xad\xff~_-.+;", QDateTime(QDate(2024, 2, 29), QTime(23, 5, 9))),
        "[Trash Info]\nPath=/h/a%20b%25%0A%E4%B8%AD%FF~_-.%2B%3B\nDeletionDate=2024-02-29T23:05:09\n");

    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 0, 245), "a.txt");
    EXPECT_EQ(FreedesktopTrash::candidateName("a.txt", 9, 245), "a.txt.10");
    const QByteArray chinese = u"中"_s.toUtf8().repeated(80);                              // 240 bytes
    EXPECT_EQ(FreedesktopTrash::candidateName(chinese, 1, 240), chinese.left(237) + ".2"); // never half a character
    EXPECT_LE(FreedesktopTrash::candidateName(chinese, FreedesktopTrash::kMaxAttempts - 1, 20).size(), 20);

    // A missing data home is made, private, and nothing lands in the current folder.
    ASSERT_TRUE(writeFile(original, "a"));
    const QString workingDirectory = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_home)); // a careless fallback would trash into here
    const Trash::Result made =
        trashPath(FreedesktopTrash(m_root.path() + u"/gone/data"_s), QString::fromUtf8(original));
    QDir::setCurrent(workingDirectory);
    ASSERT_TRUE(made.ok) << made.error.toStdString();
    EXPECT_TRUE(entries(homeBytes()).isEmpty());
    const QByteArray dataHome = QFile::encodeName(m_root.path()) + "/gone/data";
    EXPECT_EQ(entries(dataHome + "/Trash/files"), QList<QByteArray>{"a.txt"});
    for (const QByteArray& folder : {dataHome, QFile::encodeName(m_root.path()) + "/gone"})
        EXPECT_EQ(mode(folder), 0700u) << folder.constData();
}

TEST_F(FreedesktopTrashTest, OddAndNonUtf8NamesKeepTheirBytesAndRoundTripThroughTrashCli)
{
    const QByteArray odd = homeBytes() + "/50% off \n\xe6\xb8\x85\xe7\x90\x86 report.txt";
    const QByteArray bad = homeBytes() + "/bad \xff\xfe name %41";
    ASSERT_TRUE(writeFile(odd, "odd") && writeFile(bad, "bytes"));
    ASSERT_TRUE(trashPath(trash(), pathFromBytes(odd)).ok);
    ASSERT_FALSE(exists(odd));
    const Trash::Result result = trashPath(trash(), pathFromBytes(bad));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(bytesFromPath(result.trashedPath), trashBytes() + "/files/bad \xff\xfe name %41");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/bad \xff\xfe name %41.trashinfo"), bad);

    SWEEPORA_REQUIRE_TOOL("trash-list");
    // trash-cli decodes Path= as UTF-8 with replacement characters: it shows and restores the
    // name with U+FFFD for each bad byte. A later version may keep the bytes.
    const QByteArray shown = QString::fromUtf8(bad).toUtf8();
    const QByteArray listed = runTrashCli(u"trash-list"_s, m_dataHome, m_home);
    EXPECT_TRUE(listed.contains(" " + odd + "\n")) << listed.constData();
    EXPECT_TRUE(listed.contains(" " + bad + "\n") || listed.contains(" " + shown + "\n")) << listed.constData();
    for (int restore = 0; restore < 2; ++restore)
        runTrashCli(u"trash-restore"_s, m_dataHome, m_home, "0\n");
    EXPECT_EQ(readFile(odd), "odd");
    EXPECT_FALSE(exists(trashBytes() + "/info/50% off \n\xe6\xb8\x85\xe7\x90\x86 report.txt.trashinfo"));
    EXPECT_TRUE(readFile(bad) == "bytes" || readFile(shown) == "bytes");
}

TEST_F(FreedesktopTrashTest, NeverOverwritesAnythingAndNamesNearTheLimitFitWithTheirInfoFile)
{
    const QByteArray first = homeBytes() + "/report.txt";
    const QByteArray second = homeBytes() + "/b/report.txt";
    ASSERT_TRUE(writeFile(first, "first") && writeFile(second, "second"));
    ASSERT_TRUE(trashPath(trash(), QString::fromUtf8(first)).ok && trashPath(trash(), QString::fromUtf8(second)).ok);
    // The same path once more, and names taken by an entry without info or info without entry.
    ASSERT_TRUE(writeFile(first, "again") && writeFile(trashBytes() + "/files/report.txt.3", "stray") &&
                writeFile(trashBytes() + "/info/report.txt.4.trashinfo", "orphan"));
    const Trash::Result third = trashPath(trash(), QString::fromUtf8(first));
    ASSERT_TRUE(third.ok);

    EXPECT_EQ(third.trashedPath, m_dataHome + u"/Trash/files/report.txt.5"_s);
    EXPECT_EQ(readFile(trashBytes() + "/files/report.txt") + readFile(trashBytes() + "/files/report.txt.2") +
                  readFile(trashBytes() + "/files/report.txt.3") + readFile(trashBytes() + "/files/report.txt.5"),
              "firstsecondstrayagain");
    EXPECT_EQ(readFile(trashBytes() + "/info/report.txt.4.trashinfo"), "orphan");
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.2.trashinfo"), second);
    EXPECT_EQ(originalLocation(trashBytes() + "/info/report.txt.5.trashinfo"), first);
    EXPECT_FALSE(exists(trashBytes() + "/info/report.txt.3.trashinfo")); // taken back when the move found the stray

    // Names near the limit fit with their info file.
    const QByteArray longName = homeBytes() + '/' + u"缓"_s.toUtf8().repeated(83); // 249 bytes
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(writeFile(longName, "x"));
        const Trash::Result result = trashPath(trash(), pathFromBytes(longName));
        ASSERT_TRUE(result.ok) << result.error.toStdString();
    }
    QList<QByteArray> infos = entries(trashBytes() + "/info");
    infos.removeIf([](const QByteArray& e) { return e.startsWith("report"); });
    ASSERT_EQ(infos.size(), 2);
    for (const QByteArray& info : infos) {
        EXPECT_LE(info.size(), 255);
        EXPECT_FALSE(QString::fromUtf8(info).contains(QChar::ReplacementCharacter)) << info.constData();
        EXPECT_EQ(originalLocation(trashBytes() + "/info/" + info), longName);
    }
}

TEST_F(FreedesktopTrashTest, AnInfoFileIsCompleteOrAbsentEvenWhenTheMoveIsKilledAndNeverReplacesOne)
{
    const QByteArray original = homeBytes() + "/a.txt";
    const QByteArray infoFolder = trashBytes() + "/info";
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

TEST_F(FreedesktopTrashTest, RefusalsTouchNothingFoldersMoveWholeAndLinksMoveThemselves)
{
    const QByteArray outside = QFile::encodeName(m_root.path()) + "/outside.txt";
    ASSERT_TRUE(writeFile(outside, "o"));
    for (const QString& path : {QString::fromUtf8(outside), m_home + u"/../outside.txt"_s})
        EXPECT_EQ(trashPath(trash(), path).errorCode, EPERM);
    EXPECT_TRUE(exists(outside));
    EXPECT_FALSE(exists(trashBytes()));
    const Trash::Result missing = trashPath(trash(), m_home + u"/nothing"_s);
    EXPECT_EQ(missing.errorCode, ENOENT);
    EXPECT_TRUE(missing.error.startsWith(u"项目不存在（"_s)) << missing.error.toStdString();

    ASSERT_TRUE(writeFile(homeBytes() + "/Cache/deep/.f", "f") && writeFile(homeBytes() + "/target/keep", "keep"));
    ASSERT_EQ(::symlink("target", (homeBytes() + "/link").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", (homeBytes() + "/dangling").constData()), 0);
    for (const char* name : {"/Cache", "/link", "/dangling"}) {
        EXPECT_TRUE(trashPath(trash(), m_home + QString::fromLatin1(name)).ok) << name;
        EXPECT_FALSE(exists(homeBytes() + name)) << name;
    }
    EXPECT_EQ(readFile(trashBytes() + "/files/Cache/deep/.f"), "f");
    EXPECT_EQ(readFile(homeBytes() + "/target/keep"), "keep");
    EXPECT_EQ(QFile::symLinkTarget(m_dataHome + u"/Trash/files/link"_s), m_dataHome + u"/Trash/files/target"_s);

    // The trash's own folders, or what lies directly in them, would break its index.
    Sandbox::openScope(m_dataHome);
    const QList<QByteArray> infos = entries(trashBytes() + "/info");
    const QList<QByteArray> files = entries(trashBytes() + "/files");
    for (const char* inside : {"/Trash/info", "/Trash/info/link.trashinfo", "/Trash/files/link", "/Trash"})
        EXPECT_FALSE(trashPath(trash(), m_dataHome + QString::fromLatin1(inside)).ok) << inside;
    EXPECT_EQ(entries(trashBytes() + "/info"), infos);
    EXPECT_EQ(entries(trashBytes() + "/files"), files);
}

TEST_F(TrashContentsTest, CountsTopLevelEntriesAndTheFilesInsideThemAndListsWhatThePlatformTrashReceived)
{
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(writeFile(files + "/.DS_Store", QByteArray(3000, 'h')));
    qint64 inFolder = 0;
    for (int i = 0; i < 20; ++i) {
        const QByteArray file = files + (i % 2 ? "/big/f" : "/big/sub/f") + QByteArray::number(i);
        ASSERT_TRUE(writeFile(file, QByteArray(5000, 'f')));
        inFolder += allocated(file);
    }
    // Links are not followed.
    ASSERT_TRUE(writeFile(homeBytes() + "/outside", QByteArray(200000, 'o')));
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/big/link").constData()), 0);
    ASSERT_EQ(::symlink((homeBytes() + "/outside").constData(), (files + "/toplink").constData()), 0);

    const TrashContents contents = TrashContents::list(QString::fromUtf8(files));
    ASSERT_TRUE(contents.readable);
    ASSERT_EQ(contents.itemCount(), 3);
    EXPECT_EQ(contents.items[0].path, QString::fromUtf8(files + "/.DS_Store"));
    EXPECT_EQ(contents.items[1].allocatedSize, inFolder);
    EXPECT_EQ(contents.totalSize, inFolder + allocated(files + "/.DS_Store"));

    // What the platform Trash received is listed; a missing Trash is no permission error.
    const int before = TrashContents::list().itemCount();
    ASSERT_TRUE(writeFile(homeBytes() + "/a-listed", "a"));
    ASSERT_TRUE(trashPath(Trash::current(), m_home + u"/a-listed"_s).ok);
    const TrashContents platform = TrashContents::list();
    EXPECT_EQ(platform.itemCount(), before + 1);
    EXPECT_TRUE(std::any_of(platform.items.begin(), platform.items.end(), [](const TrashContents::Item& item) {
        return item.path == PlatformLayout::current().trashFolder + u"/a-listed"_s;
    }));

    const TrashContents missing = TrashContents::list(m_home + u"/no-trash"_s);
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.errorCode, ENOENT);
}

// Root ignores permissions: this runs as an unprivileged user (in a child when we are root).
TEST_F(TrashContentsTest, RefusedWritesMoveNothingAndRefusedListingsArePermissionErrors)
{
    if (!ChildProcess::enter(ChildProcess::Unprivileged))
        return;
    ASSERT_TRUE(QDir().mkpath(m_dataHome + u"/Trash/files"_s) && QDir().mkpath(m_dataHome + u"/Trash/info"_s));
    const QByteArray original = homeBytes() + "/locked/a.txt";
    ASSERT_TRUE(writeFile(original, "a"));

    // First the info file cannot be written, then the item cannot leave its folder.
    ASSERT_EQ(::chmod((trashBytes() + "/info").constData(), 0500), 0);
    Trash::Result result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, EACCES);
    EXPECT_TRUE(result.error.startsWith(u"没有权限写入废纸篓（"_s)) << result.error.toStdString();
    ASSERT_EQ(::chmod((trashBytes() + "/info").constData(), 0700), 0);
    ASSERT_EQ(::chmod((homeBytes() + "/locked").constData(), 0500), 0);
    result = trashPath(trash(), QString::fromUtf8(original));
    EXPECT_EQ(result.errorCode, EACCES);
    EXPECT_TRUE(result.error.startsWith(u"没有权限移动此项目（"_s)) << result.error.toStdString();
    ::chmod((homeBytes() + "/locked").constData(), 0700);
    EXPECT_EQ(readFile(original), "a");
    EXPECT_TRUE(entries(trashBytes() + "/files").isEmpty());
    EXPECT_TRUE(entries(trashBytes() + "/info").isEmpty());

    // A folder inside that cannot be read counts as nothing; a Trash that cannot be listed is
    // a permission error.
    const QByteArray files = homeBytes() + "/files";
    ASSERT_TRUE(writeFile(files + "/closed/f", QByteArray(9000, 'c')) &&
                writeFile(files + "/open", QByteArray(9000, 'o')));
    ASSERT_EQ(::chmod((files + "/closed").constData(), 0), 0);
    const TrashContents partly = TrashContents::list(QString::fromUtf8(files));
    EXPECT_EQ(partly.itemCount(), 2);
    EXPECT_EQ(partly.totalSize, allocated(files + "/open"));
    ASSERT_EQ(::chmod(files.constData(), 0), 0);
    const TrashContents refused = TrashContents::list(QString::fromUtf8(files));
    EXPECT_TRUE(refused.isPermissionError() && !refused.readable);
    EXPECT_TRUE(refused.error.startsWith(u"没有权限读取废纸篓"_s)) << refused.error.toStdString();
    ::chmod(files.constData(), 0700);
    ::chmod((files + "/closed").constData(), 0700);
}

// Items on other mounts than the home trash: tmpfs volumes mounted in the private mount
// namespace of a child process, so nothing is mounted where anyone else can see it. One child
// for every case, since each costs a process.
TEST_F(TrashContentsTest, OnAnotherVolumeOnlyASafeVolumeTrashIsUsedAndAFullDiskMovesNothing)
{
    if (!ChildProcess::enter(ChildProcess::OwnMountNamespace))
        return;
    std::vector<std::unique_ptr<TmpfsMount>> mounts;
    const auto mountVolume = [&](const QString& name, const QByteArray& options) {
        const QString path = m_root.path() + u'/' + name;
        QDir().mkpath(path);
        mounts.push_back(std::make_unique<TmpfsMount>(path, options));
        if (!mounts.back()->isMounted())
            ChildProcess::reportSkip(mounts.back()->error());
        Sandbox::openScope(path);
        return mounts.back()->isMounted() && QDir().mkpath(path + u"/sub"_s) ? QFile::encodeName(path) : QByteArray();
    };
    const QByteArray uid = QByteArray::number(::getuid());

    // The own .Trash-$uid, unless the shared .Trash is sticky; paths relative to the volume.
    const QByteArray volume = mountVolume(u"volume"_s, "size=4m,mode=0755");
    if (volume.isEmpty())
        GTEST_SKIP() << "cannot mount a tmpfs here";
    ASSERT_TRUE(QDir().mkpath(pathFromBytes(volume + "/.Trash")));
    ASSERT_EQ(::chmod((volume + "/.Trash").constData(), 0777), 0);
    ASSERT_TRUE(writeFile(volume + "/sub/folder/inner/f", "f") && writeFile(volume + "/sub/a b", "shared"));
    ASSERT_TRUE(trashPath(trash(), pathFromBytes(volume + "/sub/folder")).ok);
    const QByteArray own = volume + "/.Trash-" + uid;
    EXPECT_EQ(readFile(own + "/files/folder/inner/f"), "f");
    EXPECT_EQ(originalLocation(own + "/info/folder.trashinfo"), "sub/folder");
    EXPECT_EQ(mode(own), 0700u);
    EXPECT_TRUE(entries(volume + "/.Trash").isEmpty());
    ASSERT_EQ(::chmod((volume + "/.Trash").constData(), 01777), 0);
    const Trash::Result shared = trashPath(trash(), pathFromBytes(volume + "/sub/a b"));
    ASSERT_TRUE(shared.ok) << shared.error.toStdString();
    EXPECT_EQ(shared.trashedPath, pathFromBytes(volume + "/.Trash/" + uid + "/files/a b"));
    EXPECT_EQ(originalLocation(volume + "/.Trash/" + uid + "/info/a b.trashinfo"), "sub/a b");
    EXPECT_EQ(mode(volume + "/.Trash/" + uid), 0700u);
    if (hasTool("trash-list") || onCi()) { // another reader of the standard finds it under its full path
        EXPECT_TRUE(runTrashCli(u"trash-list"_s, m_dataHome, m_home).contains(" " + volume + "/sub/a b\n"));
    }

    // No usable trash: a sticky .Trash reached through a link and a .Trash-$uid that is a link
    // do not count, nor one that another user owns, nor one on a read-only volume.
    const QByteArray bare = mountVolume(u"bare"_s, "size=4m,mode=0755");
    const QByteArray item = bare + "/sub/x";
    ASSERT_TRUE(writeFile(item, "x"));
    ASSERT_TRUE(QDir().mkpath(pathFromBytes(bare + "/shared")) && QDir().mkpath(pathFromBytes(bare + "/own")));
    ASSERT_EQ(::chmod((bare + "/shared").constData(), 01777), 0);
    ASSERT_EQ(::symlink("shared", (bare + "/.Trash").constData()), 0);
    ASSERT_EQ(::symlink("own", (bare + "/.Trash-" + uid).constData()), 0);
    Trash::Result result = trashPath(trash(), pathFromBytes(item));
    EXPECT_TRUE(result.error.startsWith(u"项目所在的卷没有可用的废纸篓"_s)) << result.error.toStdString();
    EXPECT_TRUE(entries(bare + "/shared").isEmpty() && entries(bare + "/own").isEmpty());
    EXPECT_FALSE(exists(trashBytes())); // never the home trash across devices
    ASSERT_EQ(::unlink((bare + "/.Trash-" + uid).constData()), 0);
    ASSERT_EQ(::mkdir((bare + "/.Trash-" + uid).constData(), 0700), 0);
    if (::chown((bare + "/.Trash-" + uid).constData(), 4242, 4242) == 0) { // only root can
        EXPECT_FALSE(trashPath(trash(), pathFromBytes(item)).ok);
    }
    ASSERT_EQ(::rmdir((bare + "/.Trash-" + uid).constData()), 0);
    ASSERT_TRUE(mounts.back()->remountReadOnly());
    result = trashPath(trash(), pathFromBytes(item));
    EXPECT_EQ(result.errorCode, EROFS);
    EXPECT_EQ(readFile(item), "x");

    // A full disk fails before anything moves (the home trash on the full volume).
    const QByteArray full = mountVolume(u"full"_s, "size=256k,mode=0755");
    ASSERT_TRUE(QDir().mkpath(pathFromBytes(full + "/data/Trash/files")) &&
                QDir().mkpath(pathFromBytes(full + "/data/Trash/info")));
    ASSERT_TRUE(writeFile(full + "/sub/x", "x"));
    const int filler = ::open((full + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const QByteArray block(4096, 'f');
    while (::write(filler, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(filler);
    result = trashPath(FreedesktopTrash(pathFromBytes(full + "/data")), pathFromBytes(full + "/sub/x"));
    EXPECT_EQ(result.errorCode, ENOSPC);
    EXPECT_TRUE(result.error.startsWith(u"磁盘空间不足"_s)) << result.error.toStdString();
    EXPECT_EQ(readFile(full + "/sub/x"), "x");
    EXPECT_TRUE(entries(full + "/data/Trash/info").isEmpty());
    mounts.clear(); // unmounted before the temporary folders are removed
}

TEST(PathBytes, EveryByteStringRoundTripsAndValidUtf8DecodesAsQtDoes)
{
    QList<QByteArray> samples = {
        "/h/a %25 b\nc",
        "/h/\xe4\xb8\xad\xe6\x96\x87",
        "/h/\xff\xfe",
        "/h/\xc0\x80",     // overlong NUL
        "/h/\xed\xa0\x80", // an encoded surrogate
        "/h/\xf4\x90\x80\x80",
        "/h/\xe4\xb8",
        "/h/\xf0\x9f\x98\x80\x80",
        "/h/\xed\xb2\x80", // the UTF-8 form of an escape's own surrogate
    };
    QRandomGenerator random(42);
    for (int i = 0; i < 500; ++i) {
        QByteArray bytes;
        for (int k = int(random.bounded(1, 24)); k > 0; --k)
            bytes.append(char(random.bounded(1, 256)));
        samples.append(bytes);
    }
    for (const QByteArray& bytes : samples)
        EXPECT_EQ(bytesFromPath(pathFromBytes(bytes)), bytes) << bytes.toHex().constData();

    const QByteArray valid = "/h/\xe4\xb8\xad \xf0\x9f\x98\x80.txt";
    EXPECT_EQ(pathFromBytes(valid), QFile::decodeName(valid));
    EXPECT_EQ(pathFromBytes("a\xff").at(1).unicode(), 0xDCFF);
    // A lone surrogate that no decoding produced names no byte; it becomes U+FFFD.
    EXPECT_EQ(bytesFromPath(QString(QChar(0xD800))), QByteArray("\xef\xbf\xbd"));
}
