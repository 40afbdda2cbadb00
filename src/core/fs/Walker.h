#pragma once

#include "core/fs/WalkVisitor.h"

#include <QString>

#include <span>
#include <vector>

namespace Sweepora::Core {

struct WalkOptions
{
    // Hidden entries (names starting with ".") are not yielded, and hidden folders not entered.
    bool skipHidden = false;
    // Packages are yielded (flagged) but not entered.
    bool skipPackageDescendants = false;
    // Walking threads; they share a stack of folders, so one deep branch does not leave the
    // other idle. Values below 1 mean 1.
    int threads = 2;
    // Cold, a walk waits on the device, which serves many reads at once where two threads keep
    // only two in flight. Adaptive times the walk's own listings and, when they mostly wait,
    // adds threads up to threadCount(); a cached walk keeps `threads`. Fixed never adds;
    // Widest starts with all of them. SWEEPORA_WALK_GROWTH=fixed|widest overrides (benchmarks).
    enum class Growth { adaptive, fixed, widest };
    Growth growth = Growth::adaptive;
};

// The one directory walker behind every scanner. It lists folders with raw getdents64 into a
// reused buffer, tells the kind of an entry from the listing, stats only what a visitor asks
// for, and works relative to folder descriptors, so it handles any name and paths longer than
// PATH_MAX. It never follows a symbolic link (the root included), never leaves the tree, and
// passes over folders it cannot open or read. It holds a bounded number of descriptors, and
// memory grows with the depth of the tree, not with its size.
//
// Sandbox: a root outside the open scopes and read-only roots yields nothing. Since nothing
// is followed, every entry lies inside the root.
class Walker
{
public:
    // How many visitors a walk can use: `threads`, or more where a cold walk may add threads.
    static int threadCount(const WalkOptions& options);
    // Walks of this process that found the cache cold and added threads (tests, benchmarks).
    static int walksWidened();

    // Walks `root` with one thread per visitor (at most threadCount(options) of them are used;
    // visitors[i] is called from thread i only, and only the first `threads` unless the walk is
    // cold). Returns when the walk is over.
    static void walk(const QString& root, const WalkOptions& options, std::span<WalkVisitor* const> visitors);

    // Walks with threadCount(options) copies of `prototype` and returns them for merging.
    template <class Visitor>
    static std::vector<Visitor> walkEach(const QString& root, const WalkOptions& options, const Visitor& prototype)
    {
        std::vector<Visitor> visitors(static_cast<size_t>(threadCount(options)), prototype);
        std::vector<WalkVisitor*> pointers;
        pointers.reserve(visitors.size());
        for (Visitor& v : visitors)
            pointers.push_back(&v);
        walk(root, options, pointers);
        return visitors;
    }
};

} // namespace Sweepora::Core
