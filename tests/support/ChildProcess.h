#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace Sweepora::Test {

// Runs the current test case once more in a child process, for what a test cannot do in its
// own: drop root (which ignores permissions), or mount a file system in a private mount
// namespace. Use it as the first line of the test:
//
//     if (!ChildProcess::enter(ChildProcess::Unprivileged))
//         return; // this process only ran the child and reported its outcome
//
// The rest of the body then runs in the child (or right here when no child is needed). When
// the child cannot be started on this machine, the test is skipped with the reason. The child
// gets a fresh fixture; what it must share with the parent travels in `environment`.
class ChildProcess
{
public:
    enum Need {
        Unprivileged,     // as a user that permissions apply to (uid 65534 when we are root)
        OwnMountNamespace // root in a private mount namespace (a user namespace when not root)
    };

    static bool enter(Need need, const QProcessEnvironment& environment = {});
    // In the child: tells the parent that the test is skipped here, and why. Follow with GTEST_SKIP().
    static void reportSkip(const QString& reason);
};

// A tmpfs mounted for the life of the object (inside a private mount namespace).
class TmpfsMount
{
public:
    TmpfsMount(const QString& directory, const QByteArray& options)
        : m_directory(QFile::encodeName(directory)), m_options(options)
    {
        m_mounted = ::mount("tmpfs", m_directory.constData(), "tmpfs", 0, m_options.constData()) == 0;
        if (!m_mounted)
            m_error = QStringLiteral("mount tmpfs: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    // Unmounted before the test's temporary folders are removed; the namespace ends with the process.
    ~TmpfsMount()
    {
        if (m_mounted)
            ::umount2(m_directory.constData(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool isMounted() const { return m_mounted; }
    QString error() const { return m_error; }
    // Makes the mount read-only.
    bool remountReadOnly()
    {
        return ::mount("tmpfs", m_directory.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, m_options.constData()) == 0;
    }

private:
    QByteArray m_directory;
    QByteArray m_options;
    bool m_mounted = false;
    QString m_error;
};

} // namespace Sweepora::Test
