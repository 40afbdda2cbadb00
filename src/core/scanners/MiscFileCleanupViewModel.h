#pragma once

#include "core/scanners/FileListViewModel.h"
#include "core/scanners/MiscFileEngine.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

namespace Sweepora::Core {

namespace QuickScan {
struct Options;
}

// One of the three cleaners of files found by name: 闲杂文件, old 压缩包 or old 安装包, told
// apart by the category fixed at construction. The window keeps one model per category for
// the whole process, so the quick cleanup and the category's page share its list.
class MiscFileCleanupViewModel : public FileListViewModel
{
    Q_OBJECT

public:
    explicit MiscFileCleanupViewModel(MiscFileCategory category, QObject* parent = nullptr);
    ~MiscFileCleanupViewModel() override;

    MiscFileCategory category() const { return m_category; }
    const QList<MiscFileItem>& files() const { return m_files; }
    qint64 selectedSize() const;
    // The indexes into files() of the rows shown, in their order.
    QList<qsizetype> shownRows() const { return arrangement().shown(m_files); }
    qint64 totalSize() const;

    // Ignored while scanning or cleaning; needs the home grant. The age rule counts from
    // Clock::now() at the moment the scan starts.
    void startScan();
    // Joins the quick cleanup's scan, on its shared walk of the home folder, instead of walking
    // alone; the age rule counts from its cutoff. Nothing while busy.
    void joinQuickScan(QuickScan::Options& options);
    void toggleSelection(const QString& path);
    // Selects all rows shown, or deselects them when all of them are selected.
    void toggleAllSelection();
    void clean();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    bool beginScan();

    const MiscFileCategory m_category;
    QList<MiscFileItem> m_files;

    // Owned by the view model: when it goes, a scan still running publishes nothing.
    QFutureWatcher<MiscFileEngine::Report> m_scanWatcher;
};

} // namespace Sweepora::Core
