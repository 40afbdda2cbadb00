#pragma once

#include "core/fs/WalkProgress.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace Sweepora::Core {

// The progress and cancel of one view model's walking scan. The view model owns it on the GUI
// thread and hands the job the shared counters; the watch reads them on a timer while the scan
// lasts, so the job never reaches into an object that may be gone.
class ScanWatch : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY changed)

public:
    explicit ScanWatch(QObject* parent = nullptr);

    // "已检查 {folders} 个文件夹、{files} 个文件" and, on a second line, the current folder;
    // empty when no scan runs.
    const QString& text() const { return m_text; }
    bool running() const { return m_progress != nullptr; }

    // A scan starts (GUI thread): the counters its walk fills.
    std::shared_ptr<WalkProgress> start();
    // The same for a scan on a walk that others share: its counters, and its cancel.
    void follow(std::shared_ptr<WalkProgress> progress);
    // Asks the walk to stop; what it found so far is still handed back.
    void cancel();
    // The scan handed its result back. True when it had been cancelled.
    bool finish();

signals:
    void changed();

private:
    void poll();

    std::shared_ptr<WalkProgress> m_progress;
    QString m_text;
    QTimer m_poll;
};

} // namespace Sweepora::Core
