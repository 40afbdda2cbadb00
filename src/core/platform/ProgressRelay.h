#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace Sweepora::Core {

// Carries a job's progress to its view model as queued signals, every step of it: QPromise's
// progress is throttled to 25 updates a second and drops the steps in between, so a fast rule's
// name, or the first application's, would never show. The job and the view model share it; the
// last owner to let go has it deleted on its own thread.
class ProgressRelay : public QObject
{
    Q_OBJECT
public:
    static std::shared_ptr<ProgressRelay> create();

    // From any thread: step `done` of `total` is under way, working on `text`.
    void report(int done, int total, const QString& text) { emit progressed(done, total, text); }

signals:
    void progressed(int done, int total, const QString& text);

private:
    ProgressRelay() = default;
};

} // namespace Sweepora::Core
