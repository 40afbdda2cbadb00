#pragma once

#include "platform/PathBytes.h"
#include "platform/Sandbox.h"
#include "support/TrashFakes.h"
#include "trash/FreedesktopTrash.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sweepora::Test {

// A home folder open as a scope and a data home for the home trash, in a temporary folder.
// Helpers take raw bytes, since names need not be UTF-8.
class TrashTestTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(QDir().mkpath(m_home) && QDir().mkpath(m_dataHome));
        Core::Sandbox::reset();
        Core::Sandbox::openScope(m_home);
    }

    Core::FreedesktopTrash trash() const { return Core::FreedesktopTrash(m_dataHome); }
    QByteArray homeBytes() const { return QFile::encodeName(m_home); }
    QByteArray trashBytes() const { return QFile::encodeName(m_dataHome) + "/Trash"; }

    static bool writeFile(const QByteArray& path, const QByteArray& content)
    {
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

    static bool exists(const QByteArray& path)
    {
        struct stat st;
        return ::lstat(path.constData(), &st) == 0;
    }

    static unsigned mode(const QByteArray& path)
    {
        struct stat st;
        return ::lstat(path.constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

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

    QTemporaryDir m_root{QDir::tempPath() + QStringLiteral("/sweepora-trash-XXXXXX")};
    QString m_home = m_root.path() + QStringLiteral("/home");
    QString m_dataHome = m_root.path() + QStringLiteral("/data");
};

} // namespace Sweepora::Test
