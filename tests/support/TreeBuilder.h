#pragma once

#include <QString>

#include <optional>
#include <string>

namespace Sweepora::Test {

// Builds fixture trees below a root folder (usually a QTemporaryDir). Relative paths use "/";
// missing parent folders are created. Every function returns the absolute path it made and
// fails the current test (ADD_FAILURE) when the file system refuses.
class TreeBuilder
{
public:
    explicit TreeBuilder(const QString& root);

    QString root() const { return m_root; }
    QString path(const QString& relative) const;

    QString folder(const QString& relative);
    // A file holding `bytes` bytes of data (so its allocated size is at least that).
    QString file(const QString& relative, qint64 bytes = 0);
    // A file of `bytes` copies of `fill` (equal fills, equal contents), last modified at `mtime`
    // (seconds since the epoch) unless that is 0.
    QString filledFile(const QString& relative, qint64 bytes, char fill, qint64 mtime = 0);
    // A file of `logicalSize` bytes with only `dataBytes` of data at the start: a hole follows.
    QString sparseFile(const QString& relative, qint64 logicalSize, qint64 dataBytes = 0);
    QString symlink(const QString& relative, const QString& target);
    // A file at the absolute `path` holding `data`, its folders made as needed.
    static QString write(const QString& path, const QByteArray& data, bool executable = false);
    void chmod(const QString& relative, int mode);

    // Names that QString cannot carry (invalid UTF-8): raw bytes relative to the root.
    std::string fileBytes(const std::string& relative, qint64 bytes = 0);

    // Folders `levels` deep, each named `name`, below `relative`, made through descriptors so
    // the chain may be longer than PATH_MAX, with a file `leafFile` (when not empty) at the
    // bottom. Returns the deepest folder's path as bytes.
    std::string deepChain(const QString& relative, const std::string& name, int levels,
                          const std::string& leafFile = {});
    // Removes a tree (any depth) through descriptors; QDir cannot remove what is longer than PATH_MAX.
    static bool removeTree(const std::string& path);

    static std::string bytes(const QString& path);
    // What the file system gave `path` (st_blocks × 512, not following a link), -1 when it is gone.
    static qint64 allocatedBytes(const QString& path);
    // Whether this file system records birth times (not every one does; tests of ages need them).
    static bool birthTimeRecorded(const QString& path) { return birthMSecs(path).has_value(); }
    // The birth time in milliseconds since the epoch, when the file system records one.
    static std::optional<qint64> birthMSecs(const QString& path);

private:
    QString m_root;
};

} // namespace Sweepora::Test

// Ages need birth times, which not every file system records; without them the test cannot run.
#define SWEEPORA_SKIP_WITHOUT_BIRTH_TIMES(path)                                                                        \
    if (!::Sweepora::Test::TreeBuilder::birthTimeRecorded(path))                                                       \
    GTEST_SKIP() << "this file system records no birth times"
