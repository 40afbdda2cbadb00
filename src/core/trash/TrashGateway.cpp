#include "core/trash/TrashGateway.h"

#include "core/platform/Context.h"
#include "core/platform/Log.h"
#include "core/platform/PathBytes.h"
#include "core/platform/Sandbox.h"
#include "core/trash/CleanupJournal.h"
#include "core/trash/ProtectedPlaces.h"
#include "core/trash/Trash.h"

#include <QDateTime>

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

namespace Sweepora::Core::TrashGateway {
namespace {

bool isKind(mode_t mode, EntryKind kind)
{
    switch (kind) {
    case EntryKind::regular:
        return S_ISREG(mode);
    case EntryKind::directory:
        return S_ISDIR(mode);
    case EntryKind::symlink:
        return S_ISLNK(mode);
    case EntryKind::other:
        return !S_ISREG(mode) && !S_ISDIR(mode) && !S_ISLNK(mode);
    }
    return false;
}

QString openFailure(int error)
{
    switch (error) {
    case EPERM:
        return kOutsideScope;
    case ELOOP:
    case ENOTDIR:
    case EXDEV:
        return kLinkOnTheWay;
    case ENOENT:
        return kGone;
    case ENAMETOOLONG: // deeper than PATH_MAX from its scope: the scan found it, no move can reach it
        return kPathTooLong;
    default:
        return qt_error_string(error);
    }
}

// The errno worth reporting with a refusal: none where the refusal is a check's own answer
// (outside the scope, a link on the way, gone).
int systemError(int error)
{
    switch (error) {
    case EPERM:
    case ELOOP:
    case ENOTDIR:
    case EXDEV:
    case ENOENT:
        return 0;
    default:
        return error;
    }
}

// The item's folder opened from its scope, and the entry in it checked against the scan.
struct Resolved
{
    Sandbox::Parent parent;
    QString refusal;
    int error = 0; // the errno behind a refusal that a system call gave, 0 for a failed check
};

Resolved resolve(const TrashItem& item, const TrashRequest& request, const ProtectedPlaces& protectedPlaces)
{
    Resolved r;
    const ItemIdentity& scanned = item.identity;
    if (protectedPlaces.isProtected(item.path)) {
        r.refusal = kProtected;
        return r;
    }
    if (!scanned.known) {
        // An item found by its path is unknown when that path is too long to look up: say so.
        const Sandbox::Parent parent = Sandbox::openParent(item.path, Sandbox::Access::read);
        r.refusal = parent.error == ENAMETOOLONG ? kPathTooLong : kUnknown;
        r.error = parent.error == ENAMETOOLONG ? ENAMETOOLONG : 0;
        return r;
    }
    r.parent = Sandbox::openParent(item.path, Sandbox::Access::modify);
    if (!r.parent.parent.valid()) {
        r.refusal = openFailure(r.parent.error);
        r.error = systemError(r.parent.error);
        return r;
    }
    const int folder = r.parent.parent.get();
    struct stat st;
    // The folder must be the one the scan walked through: a folder put in its place holds a
    // file that only looks the same (inode numbers are reused).
    if (::fstat(folder, &st) != 0 || static_cast<quint64>(st.st_dev) != scanned.parentDevice ||
        static_cast<quint64>(st.st_ino) != scanned.parentInode) {
        r.refusal = kFolderReplaced;
        return r;
    }
    if (::fstatat(folder, r.parent.name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        r.error = systemError(errno);
        r.refusal = errno == ENOENT ? kGone : openFailure(errno);
        return r;
    }
    if (!isKind(st.st_mode, scanned.kind)) {
        r.refusal = S_ISLNK(st.st_mode) ? kBecameLink : kReplaced;
        return r;
    }
    if (static_cast<quint64>(st.st_dev) != scanned.device || static_cast<quint64>(st.st_ino) != scanned.inode) {
        r.refusal = kReplaced;
        return r;
    }
    if (request.sizeIsIdentity && S_ISREG(st.st_mode) && static_cast<qint64>(st.st_size) != scanned.logicalSize) {
        r.refusal = kResized;
        return r;
    }
    if (request.mustStay)
        r.refusal = request.mustStay(folder, r.parent.name);
    return r;
}

} // namespace

QString check(const TrashItem& item, const TrashRequest& request)
{
    return resolve(item, request, ProtectedPlaces::current()).refusal;
}

struct Batch::State
{
    QString section;
    std::shared_ptr<CleanupJournal> journal;
    qint64 id = 0;
    qsizetype done = 0;
    qsizetype total = 0;
    std::function<void(qsizetype, qsizetype)> progress;
    std::function<bool()> cancelled;
    std::function<void(const TrashFailure&)> failed;
};

Batch::Batch(QString section) : m_context(&Context::current()), m_outer(m_context->openBatch())
{
    if (m_outer) {
        m_state = m_outer->m_state; // joins the clean already under way
    } else {
        m_state = std::make_shared<State>();
        m_state->section = std::move(section);
    }
    m_context->setOpenBatch(this);
}

Batch::~Batch()
{
    m_context->setOpenBatch(m_outer);
    if (!m_outer && m_state->id > 0)
        m_state->journal->dropIfEmpty(m_state->id);
}

qint64 Batch::id() const
{
    return m_state->id;
}

void Batch::setTotal(qsizetype total)
{
    m_state->total = total;
}

void Batch::setProgress(std::function<void(qsizetype, qsizetype)> progress)
{
    m_state->progress = std::move(progress);
}

void Batch::setCancelled(std::function<bool()> cancelled)
{
    m_state->cancelled = std::move(cancelled);
}

void Batch::setFailed(std::function<void(const TrashFailure&)> failed)
{
    m_state->failed = std::move(failed);
}

Batch* Batch::current()
{
    return Context::current().openBatch();
}

namespace {

// Journaled in chunks: one transaction writes a chunk's rows before any of its moves, one
// completes them after, so the journal costs little per item and still covers every move.
constexpr qsizetype kChunk = 256;

qint64 journalSize(const TrashItem& item)
{
    if (item.size >= 0)
        return item.size;
    return item.identity.kind == EntryKind::regular ? item.identity.logicalSize : 0;
}

} // namespace

TrashBatchResult moveToTrash(const QList<TrashItem>& items, const TrashRequest& request)
{
    std::optional<Batch> own;
    if (!Batch::current())
        own.emplace(request.section);
    Batch::State& batch = *Batch::current()->m_state;
    if (batch.total < batch.done + items.size())
        batch.total = batch.done + items.size();

    TrashBatchResult result;
    const ProtectedPlaces protectedPlaces = ProtectedPlaces::current();
    Trash& trash = Trash::current();
    const auto fail = [&](const QString& path, const QString& error, int errorCode = 0) {
        result.failed.append({path, error, errorCode});
        if (batch.failed)
            batch.failed(result.failed.constLast());
        Log::line(request.texts.logTag + QStringLiteral(" 移到废纸篓失败：") + path + QStringLiteral("，") + error);
    };
    for (qsizetype start = 0; start < items.size(); start += kChunk) {
        const qsizetype end = qMin(items.size(), start + kChunk);
        if (batch.cancelled && batch.cancelled()) {
            result.cancelled = true;
            for (qsizetype i = start; i < items.size(); ++i)
                fail(items[i].path, kCancelled);
            break;
        }
        if (!batch.journal)
            batch.journal = CleanupJournal::current();
        if (batch.id == 0)
            batch.id = batch.journal->beginBatch(batch.section, QDateTime::currentDateTime());
        QList<CleanupJournal::Pending> pending;
        pending.reserve(end - start);
        for (qsizetype i = start; i < end; ++i)
            pending.append({bytesFromPath(items[i].path), journalSize(items[i]), items[i].identity.device,
                            items[i].identity.inode});
        const QList<qint64> rows = batch.journal->addPending(batch.id, pending);
        QList<CleanupJournal::Completion> completed;
        completed.reserve(end - start);
        for (qsizetype i = start; i < end; ++i) {
            const TrashItem& item = items[i];
            const qint64 row = rows.value(i - start);
            if (result.cancelled || (batch.cancelled && batch.cancelled())) {
                result.cancelled = true;
                fail(item.path, kCancelled);
                completed.append({row, CleanupJournal::State::stayed, {}, kCancelled});
                continue;
            }
            const Resolved r = resolve(item, request, protectedPlaces);
            if (!r.refusal.isEmpty()) {
                fail(item.path, r.refusal, r.error);
                completed.append({row, CleanupJournal::State::stayed, {}, r.refusal});
            } else {
                // Moved relative to the folder just checked: a link put on the path meanwhile changes nothing.
                const Trash::Result moved =
                    trash.trashItem({r.parent.parent.get(), r.parent.name, item.path, r.parent.realPath});
                if (moved.ok) {
                    result.moved.append(item.path);
                    completed.append({row, CleanupJournal::State::inTrash, bytesFromPath(moved.trashedPath), {}});
                } else {
                    fail(item.path, moved.error, moved.errorCode);
                    completed.append({row, CleanupJournal::State::stayed, {}, moved.error});
                }
            }
            ++batch.done;
            if (batch.progress)
                batch.progress(batch.done, batch.total);
        }
        trash.settle();
        batch.journal->complete(completed);
    }
    result.batchId = batch.id;
    const QString& shape = result.moved.size() == items.size() ? request.texts.allMoved : request.texts.partial;
    result.message = QString(shape)
                         .replace(QLatin1String("{n}"), QString::number(result.moved.size()))
                         .replace(QLatin1String("{failed}"), QString::number(result.failed.size()));
    return result;
}

} // namespace Sweepora::Core::TrashGateway
