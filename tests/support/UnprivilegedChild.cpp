#include "support/UnprivilegedChild.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <sys/stat.h>

namespace Sweepora::Test {
namespace {

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

} // namespace

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
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                      QFileDevice::ExeGroup);
    const QString target = folder + QLatin1Char('/') + QFileInfo(self).fileName();
    QFile::remove(target);
    if (!QFile::copy(self, target))
        return self;
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                      QFileDevice::ExeGroup);
    copy = target;
    return copy;
}

} // namespace Sweepora::Test
