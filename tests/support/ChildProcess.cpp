#include "support/ChildProcess.h"
#include "support/Tools.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QProcess>
#include <QProcessEnvironment>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Test {
namespace {

constexpr char kChildVariable[] = "SWEEPORA_TEST_CHILD";
constexpr char kStarted[] = "[test-child] started";
constexpr char kSkipped[] = "[test-child] skipped: ";

// Every folder above the file lets others pass, and the file lets others read and run it.
bool othersCanRun(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 ||
        (st.st_mode & (S_IROTH | S_IXOTH)) != (S_IROTH | S_IXOTH))
        return false;
    for (QString dir = QFileInfo(path).absolutePath(); dir != QLatin1String("/"); dir = QFileInfo(dir).absolutePath())
        if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || (st.st_mode & S_IXOTH) == 0)
            return false;
    return true;
}

// This test binary as another user can run it. When the build folder is not reachable by others
// (a checkout below /root, say), the binary is copied once into a world-readable temporary
// folder, so that the unprivileged runs still happen instead of skipping.
QString executableForOtherUsers()
{
    static QMutex mutex;
    static QString copy;
    QMutexLocker lock(&mutex);
    const QString self = QCoreApplication::applicationFilePath();
    if (othersCanRun(self))
        return self;
    if (!copy.isEmpty())
        return copy;
    const QString folder =
        QDir::tempPath() + QStringLiteral("/sweepora-child-") + QString::number(QCoreApplication::applicationPid());
    QDir().mkpath(folder);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    const QString target = folder + QLatin1Char('/') + QFileInfo(self).fileName();
    QFile::remove(target);
    if (!QFile::copy(self, target))
        return self;
    ::chmod(QFile::encodeName(target).constData(), 0755);
    copy = target;
    return copy;
}

void skipTest(const std::string& reason)
{
    GTEST_SKIP() << reason;
}

QStringList wrapperFor(ChildProcess::Need need)
{
    if (need == ChildProcess::Unprivileged)
        return {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                QStringLiteral("--clear-groups"), QStringLiteral("--")};
    QStringList wrapper{QStringLiteral("unshare")};
    if (::geteuid() != 0)
        wrapper << QStringLiteral("--user") << QStringLiteral("--map-root-user");
    wrapper << QStringLiteral("--mount") << QStringLiteral("--propagation") << QStringLiteral("private")
            << QStringLiteral("--");
    return wrapper;
}

} // namespace

bool ChildProcess::enter(Need need, const QProcessEnvironment& extra)
{
    if (qEnvironmentVariable(kChildVariable) == QLatin1String("1")) {
        std::printf("%s\n", kStarted);
        std::fflush(stdout);
        return true;
    }
    if (need == Unprivileged && ::geteuid() != 0)
        return true;

    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2")
                               .arg(QString::fromUtf8(info->test_suite_name()), QString::fromUtf8(info->name()));
    QStringList arguments = wrapperFor(need);
    const QString program = arguments.takeFirst();
    arguments << executableForOtherUsers() << filter;

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(extra);
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(program, arguments);
    if (!child.waitForStarted()) {
        // A missing tool; CI installs it (scripts/setup), so there it is a failure.
        if (onCi()) {
            ADD_FAILURE() << "cannot start " << program.toStdString() << " under CI=true";
            return false;
        }
        skipTest("cannot start " + program.toStdString() + ": " + child.errorString().toStdString());
        return false;
    }
    child.closeWriteChannel();
    child.waitForFinished(-1);
    const QString output = QString::fromUtf8(child.readAll());

    if (!output.contains(QLatin1String(kStarted))) {
        skipTest("this machine cannot run the case through " + program.toStdString() + ": " + output.toStdString());
        return false;
    }
    if (const qsizetype at = output.indexOf(QLatin1String(kSkipped)); at >= 0) {
        const qsizetype start = at + qsizetype(std::strlen(kSkipped));
        skipTest(output.mid(start, output.indexOf(QLatin1Char('\n'), start) - start).toStdString());
        return false;
    }
    EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0) << "the child run failed:\n"
                                                                                     << output.toStdString();
    return false;
}

void ChildProcess::reportSkip(const QString& reason)
{
    std::printf("%s%s\n", kSkipped, reason.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace Sweepora::Test
