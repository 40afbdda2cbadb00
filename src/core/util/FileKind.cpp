#include "core/util/FileKind.h"

#include <initializer_list>
#include <unordered_map>

namespace Sweepora::Core {

namespace {

const std::unordered_map<std::string_view, FileKind>& kinds()
{
    static const std::unordered_map<std::string_view, FileKind> table = [] {
        std::unordered_map<std::string_view, FileKind> t;
        const auto add = [&t](FileKind kind, std::initializer_list<std::string_view> extensions) {
            for (std::string_view e : extensions)
                t.emplace(e, kind);
        };
        add(FileKind::archive, {"zip", "rar", "7z", "tar", "gz", "tgz", "bz2", "tbz", "tbz2", "xz", "txz", "zst", "lz",
                                "lzma", "z", "cab", "arj", "lzh"});
        add(FileKind::installer, {"pkg", "dmg", "iso", "img", "deb", "rpm", "appimage", "flatpak", "flatpakref", "snap",
                                  "msi", "exe", "apk", "run"});
        add(FileKind::image,
            {"jpg", "jpeg", "png", "gif", "bmp", "tif", "tiff", "webp", "heic", "heif", "avif", "jxl", "svg",
             "ico", "raw",  "cr2", "cr3", "nef", "arw", "dng",  "orf",  "rw2",  "psd",  "ai",   "xcf", "kra"});
        add(FileKind::video, {"mp4", "m4v", "mov", "mkv", "avi", "wmv", "flv", "webm", "mpg", "mpeg", "3gp", "mts",
                              "m2ts", "vob", "ogv"});
        add(FileKind::audio, {"mp3", "m4a", "aac", "flac", "wav", "ogg", "oga", "opus", "wma", "aiff", "aif", "alac",
                              "mid", "midi", "amr", "ape"});
        // Plain text is left out on purpose: "error_log.txt" is as often a log as a note.
        add(FileKind::document,
            {"pdf",  "doc",  "docx",  "docm",   "dot", "dotx", "odt",  "ott",  "rtf", "md",   "markdown",
             "rst",  "tex",  "pages", "wpd",    "wps", "xps",  "epub", "mobi", "azw", "azw3", "fb2",
             "djvu", "cbz",  "cbr",   "ibooks", "xls", "xlsx", "xlsm", "ods",  "csv", "tsv",  "numbers",
             "ppt",  "pptx", "pps",   "ppsx",   "odp", "key",  "odg",  "vsd",  "vsdx"});
        add(FileKind::code,
            {"c",     "cc",     "cpp",  "cxx",  "h",     "hh",  "hpp",    "hxx",  "m",     "mm",    "py",
             "pyw",   "ipynb",  "js",   "mjs",  "cjs",   "jsx", "ts",     "tsx",  "java",  "kt",    "kts",
             "scala", "groovy", "go",   "rs",   "swift", "rb",  "php",    "pl",   "pm",    "lua",   "r",
             "cs",    "fs",     "vb",   "sh",   "bash",  "zsh", "fish",   "ps1",  "bat",   "sql",   "html",
             "htm",   "css",    "scss", "sass", "less",  "vue", "svelte", "dart", "ex",    "exs",   "erl",
             "hs",    "ml",     "clj",  "el",   "zig",   "nim", "jl",     "asm",  "cmake", "gradle"});
        add(FileKind::database, {"db", "db3", "sqlite", "sqlite3", "sqlitedb", "mdb", "accdb", "odb", "dbf", "kdbx",
                                 "realm", "ibd", "frm", "ldb", "mdf"});
        add(FileKind::log, {"log"});
        return t;
    }();
    return table;
}

} // namespace

FileKind fileKindOfExtension(std::string_view lowerExtension)
{
    const auto it = kinds().find(lowerExtension);
    return it == kinds().end() ? FileKind::other : it->second;
}

FileKind fileKindOf(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || dot == fileName.size() - 1)
        return FileKind::other;
    const QByteArray extension = fileName.mid(dot + 1).toLower().toUtf8();
    return fileKindOfExtension(std::string_view(extension.constData(), size_t(extension.size())));
}

bool isPersonalWork(FileKind kind)
{
    switch (kind) {
    case FileKind::document:
    case FileKind::code:
    case FileKind::image:
    case FileKind::video:
    case FileKind::audio:
    case FileKind::database:
        return true;
    case FileKind::archive:
    case FileKind::installer:
    case FileKind::log:
    case FileKind::other:
        break;
    }
    return false;
}

} // namespace Sweepora::Core
