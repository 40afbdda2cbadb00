#include "util/FileKind.h"

#include <QHash>

namespace Sweepora::Core {

namespace {

const QHash<QString, FileKind>& kinds()
{
    static const QHash<QString, FileKind> table = [] {
        QHash<QString, FileKind> t;
        const auto add = [&t](FileKind kind, std::initializer_list<const char*> extensions) {
            for (const char* e : extensions)
                t.insert(QString::fromLatin1(e), kind);
        };
        add(FileKind::Archive, {"zip", "rar", "7z", "tar", "gz", "tgz", "bz2", "tbz2", "xz", "txz", "zst", "lz", "lzma",
                                "z", "cab", "arj", "lzh"});
        add(FileKind::Installer,
            {"pkg", "dmg", "iso", "img", "deb", "rpm", "appimage", "flatpakref", "snap", "msi", "exe", "apk", "run"});
        add(FileKind::Image,
            {"jpg", "jpeg", "png", "gif", "bmp", "tif", "tiff", "webp", "heic", "heif", "avif", "svg",
             "ico", "raw",  "cr2", "cr3", "nef", "arw", "dng",  "orf",  "rw2",  "psd",  "xcf",  "kra"});
        add(FileKind::Video, {"mp4", "m4v", "mov", "mkv", "avi", "wmv", "flv", "webm", "mpg", "mpeg", "3gp", "ts",
                              "mts", "m2ts", "vob", "ogv"});
        add(FileKind::Audio,
            {"mp3", "m4a", "aac", "flac", "wav", "ogg", "oga", "opus", "wma", "aiff", "aif", "alac", "mid", "midi"});
        add(FileKind::Document, {"pdf",  "doc",     "docx", "odt",  "rtf",  "txt", "md",  "markdown", "tex", "pages",
                                 "epub", "mobi",    "azw",  "azw3", "djvu", "fb2", "xls", "xlsx",     "ods", "csv",
                                 "tsv",  "numbers", "ppt",  "pptx", "odp",  "key", "odg", "vsd",      "vsdx"});
        add(FileKind::Code,
            {"c",   "cc",   "cpp",  "cxx",  "h",    "hh",  "hpp",    "hxx",   "m",     "mm",    "py",   "js",  "mjs",
             "cjs", "jsx",  "tsx",  "java", "kt",   "kts", "go",     "rs",    "swift", "rb",    "php",  "pl",  "pm",
             "sh",  "bash", "zsh",  "fish", "lua",  "cs",  "fs",     "scala", "dart",  "r",     "jl",   "hs",  "ml",
             "ex",  "exs",  "erl",  "clj",  "el",   "vim", "sql",    "json",  "yaml",  "yml",   "toml", "xml", "html",
             "htm", "css",  "scss", "sass", "less", "vue", "svelte", "ipynb", "cmake", "gradle"});
        add(FileKind::Database, {"db", "sqlite", "sqlite3", "db3", "mdb", "accdb", "realm", "ldb", "kdbx", "mdf"});
        add(FileKind::Log, {"log"});
        return t;
    }();
    return table;
}

} // namespace

FileKind fileKindOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return FileKind::Other;
    return kinds().value(fileName.mid(dot + 1).toLower(), FileKind::Other);
}

QString symbolForKind(FileKind kind)
{
    switch (kind) {
    case FileKind::Archive:
        return QStringLiteral("doc.zipper");
    case FileKind::Installer:
        return QStringLiteral("shippingbox");
    case FileKind::Image:
        return QStringLiteral("photo");
    case FileKind::Video:
        return QStringLiteral("film");
    case FileKind::Audio:
        return QStringLiteral("music.note");
    case FileKind::Document:
    case FileKind::Log:
        return QStringLiteral("doc.text");
    case FileKind::Code:
        return QStringLiteral("chevron.left.forwardslash.chevron.right");
    case FileKind::Database:
    case FileKind::Other:
        break;
    }
    return QStringLiteral("doc");
}

} // namespace Sweepora::Core
