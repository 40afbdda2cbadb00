#include "core/scanners/SharedHomeWalk.h"

#include "core/fs/WalkFanOut.h"
#include "core/fs/Walker.h"
#include "core/platform/Jobs.h"

#include <QPromise>

namespace Sweepora::Core {

// One scan on the shared walk: its visitors, and the promise its report goes to.
class SharedHomeWalk::Scan
{
public:
    virtual ~Scan() = default;
    virtual WalkVisitor* visitor(int thread) = 0;
    virtual void finish() = 0;
};

namespace {

template <class Engine, class Report> class PromisedScan final : public SharedHomeWalk::Scan
{
public:
    explicit PromisedScan(Engine engine) : m_engine(std::move(engine)) { m_promise.start(); }
    QFuture<Report> future() { return m_promise.future(); }
    WalkVisitor* visitor(int thread) override { return m_engine.visitor(thread); }
    void finish() override
    {
        m_promise.addResult(m_engine.report());
        m_promise.finish();
    }

private:
    Engine m_engine;
    QPromise<Report> m_promise;
};

using FileScanPart = PromisedScan<MiscFileEngine::FileScan, MiscFileEngine::Report>;
using FolderScanPart = PromisedScan<EmptyFolderEngine::FolderScan, EmptyFolderEngine::Report>;

void walkAndFinish(const QString& home, int threads, const std::vector<std::unique_ptr<SharedHomeWalk::Scan>>& scans,
                   const std::shared_ptr<WalkProgress>& progress)
{
    // One fan-out per walking thread, over that thread's visitor of every scan.
    std::vector<WalkFanOut> fanOuts;
    fanOuts.reserve(static_cast<size_t>(threads));
    for (int t = 0; t < threads; ++t) {
        std::vector<WalkVisitor*> visitors;
        for (const auto& scan : scans)
            visitors.push_back(scan->visitor(t));
        fanOuts.emplace_back(std::move(visitors));
    }
    std::vector<WalkVisitor*> pointers;
    for (WalkFanOut& f : fanOuts)
        pointers.push_back(&f);
    walkWatched(home, MiscFileEngine::walkOptions(), pointers, progress);
    for (const auto& scan : scans)
        scan->finish();
}

} // namespace

SharedHomeWalk::SharedHomeWalk(QString home, std::shared_ptr<WalkProgress> progress)
    : m_home(std::move(home)), m_threads(Walker::threadCount(MiscFileEngine::walkOptions())),
      m_progress(std::move(progress))
{}

SharedHomeWalk::~SharedHomeWalk()
{
    start();
}

QFuture<MiscFileEngine::Report> SharedHomeWalk::addFileScan(MiscFileCategory category,
                                                            const std::optional<QDateTime>& cutoff)
{
    Q_ASSERT(!m_started);
    auto scan = std::make_unique<FileScanPart>(MiscFileEngine::FileScan(category, cutoff, m_threads));
    QFuture<MiscFileEngine::Report> future = scan->future();
    m_scans.push_back(std::move(scan));
    return future;
}

QFuture<EmptyFolderEngine::Report> SharedHomeWalk::addEmptyFolderScan()
{
    Q_ASSERT(!m_started);
    auto scan = std::make_unique<FolderScanPart>(EmptyFolderEngine::FolderScan(m_threads));
    QFuture<EmptyFolderEngine::Report> future = scan->future();
    m_scans.push_back(std::move(scan));
    return future;
}

void SharedHomeWalk::start()
{
    if (m_started || m_scans.empty())
        return;
    m_started = true;
    // The job owns the scans (and their promises) from here on; this object may go at once.
    auto scans = std::make_shared<std::vector<std::unique_ptr<Scan>>>(std::move(m_scans));
    runJob([home = m_home, threads = m_threads, scans, progress = m_progress] {
        walkAndFinish(home, threads, *scans, progress);
    });
}

void SharedHomeWalk::run()
{
    if (m_started || m_scans.empty())
        return;
    m_started = true;
    walkAndFinish(m_home, m_threads, m_scans, m_progress);
}

} // namespace Sweepora::Core
