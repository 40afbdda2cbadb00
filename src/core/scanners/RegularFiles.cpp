#include "scanners/RegularFiles.h"

#include "fs/Walker.h"
#include "platform/PathBytes.h"
#include "trash/ProtectedPlaces.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace Sweepora::Core {
namespace {

struct FoundBytes
{
    std::string path; // file-system bytes until the list is sorted
    qint64 size = 0;
    ItemIdentity identity;
};

class RegularFileCollector final : public WalkVisitor
{
public:
    WalkAction visit(const WalkEntry& entry) override
    {
        if (entry.isRegularFile())
            m_files.push_back({entry.path(), entry.logicalSize().value_or(0), ItemIdentity::of(entry)});
        return WalkAction::Continue;
    }
    std::vector<FoundBytes> m_files;
};

} // namespace

QList<FoundFile> findRegularFiles(const QString& folder, const ProtectedPlaces& protectedPlaces)
{
    WalkOptions options;
    options.skipHidden = true;
    options.skipPackageDescendants = false;
    std::vector<FoundBytes> found;
    for (RegularFileCollector& part : Walker::walkEach(folder, options, RegularFileCollector()))
        std::move(part.m_files.begin(), part.m_files.end(), std::back_inserter(found));
    // Two threads find files in no fixed order; the list reads the same on every scan. Sorted
    // as bytes, which is cheap for the tens of thousands of files a cache can hold.
    std::sort(found.begin(), found.end(), [](const FoundBytes& a, const FoundBytes& b) { return a.path < b.path; });
    const bool check = protectedPlaces.touches(folder);
    QList<FoundFile> files;
    files.reserve(static_cast<qsizetype>(found.size()));
    for (FoundBytes& f : found) {
        FoundFile file{pathFromBytes(QByteArray::fromRawData(f.path.data(), static_cast<qsizetype>(f.path.size()))),
                       f.size, f.identity};
        if (check && protectedPlaces.isProtected(file.path))
            continue;
        files.append(std::move(file));
    }
    return files;
}

} // namespace Sweepora::Core
