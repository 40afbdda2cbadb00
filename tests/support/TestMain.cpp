// Every test process starts in a private world: its own data, config and runtime folders and
// its own settings file, so no test can touch the real user's Trash, rules or grants.
#include "core/platform/Context.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QThreadPool>

#ifdef SWEEPORA_GUI_TESTS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    QTemporaryDir world(QDir::tempPath() + QStringLiteral("/sweepora-test-XXXXXX"));
    if (!world.isValid())
        return 3;
    const QByteArray root = QFile::encodeName(world.path());
    for (const char* sub : {"data", "config", "cache", "runtime"})
        QDir().mkpath(world.filePath(QString::fromLatin1(sub)));
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QFile::setPermissions(world.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", root);
    qputenv("SWEEPORA_SETTINGS_FILE", root + "/config/settings.ini");
    qunsetenv("SWEEPORA_HOME");
    // No test reaches a real service: unless a test points them at its own server, both
    // services answer from a closed loopback port, so a request fails at once.
    qputenv("SWEEPORA_SERVICE_URL", "http://127.0.0.1:9");
    qputenv("SWEEPORA_POEM_URL", "http://127.0.0.1:9");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    Sweepora::Core::Context context;
    const Sweepora::Core::Context::Scope installed(context);
    const int status = RUN_ALL_TESTS();
    // Let jobs and network replies that a test left behind finish and be deleted, so the leak
    // checker of the sanitizer build reports only real leaks.
    context.jobPool().waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    context.closeHttpSession();
    return status;
}
