#pragma once

#include "core/quick/QuickScan.h"

#include <QFuture>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

class ApplicationCleanupViewModel;
class CleanupViewModel;
class EmptyFolderCleanupViewModel;
class MiscFileCleanupViewModel;
struct Section;

// One card of the quick cleanup: a summary of one scanner's published state.
struct QuickCleanupCard
{
    enum class Status { notScanned, preparing, scanning, done, cleaning };

    QString title;  // also the section it opens
    QString symbol; // a symbol name of the icon table
    QString tint;   // "blue", "purple", "orange", "indigo", "mint", "teal"
    Status status = Status::notScanned;
    qsizetype count = 0;
    qint64 size = 0;
    bool showsSize = true; // the empty folder card has no size: it shows its folder count instead
    int percent = -1;      // while scanning, how far, where the scanner knows it (rules, applications)

    QString statusText() const; // "未扫描", "准备中", "扫描中" (or "扫描中 45%"), "已完成", "清理中"
    QString countText() const;  // "12 项结果"
    QString figureText() const; // the size, or for the empty folder card "3 个文件夹"
    bool isBusy() const { return status == Status::preparing || status == Status::scanning; }
};

// The quick cleanup: runs the six scans as one quick scan and summarises each on a card. It holds
// no results: each scan's result goes to its view model, one of the window's long-lived ones
// shown on their own sections too, so a clean there changes the card here.
class QuickCleanupViewModel : public QObject
{
    Q_OBJECT

public:
    struct Models
    {
        CleanupViewModel* taskModel = nullptr;
        ApplicationCleanupViewModel* applicationModel = nullptr;
        MiscFileCleanupViewModel* miscModel = nullptr;
        MiscFileCleanupViewModel* archiveModel = nullptr;
        MiscFileCleanupViewModel* installerModel = nullptr;
        EmptyFolderCleanupViewModel* emptyFolderModel = nullptr;
    };
    // The number of scans and cards: the sections the quick cleanup covers.
    static int scanCount();

    explicit QuickCleanupViewModel(Models models, QObject* parent = nullptr);

    // The six cards in the order of the sections (the order the scans start), recomputed from
    // the models.
    QList<QuickCleanupCard> cards() const;
    bool isAnyScanRunning() const;
    int completedScanCount() const;
    // A quick scan was started from here (the page keeps it while it lives).
    bool hasStarted() const { return m_hasStarted; }
    // Figures are shown once this page started a scan or any model left its ready state.
    bool hasActivity() const;
    // "正在扫描 2/6" while a scan runs, else "开始扫描".
    QString startButtonText() const;

    // Nothing while a scan runs or the home folder is being asked for. Asks for the home folder
    // when it is not granted; once granted, starts the six scans in card order and returns
    // without waiting for them.
    void startQuickScan();
    // Stops every scan the quick cleanup started; each keeps what it may safely list.
    void cancelScans();

signals:
    // Any of the six models published a change; the cards are to be read again.
    void changed();

private:
    void startScans();
    QuickCleanupCard card(const Section& section) const;

    Models m_models;
    bool m_hasStarted = false;
    bool m_awaitingAuthorization = false;
    QFuture<QuickScan::Report> m_scan; // the last quick scan started here
};

} // namespace Sweepora::Core
