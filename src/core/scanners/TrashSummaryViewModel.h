#pragma once

#include "core/scanners/TrashSummaryEngine.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <functional>

namespace Sweepora::Core {

// Behind the Trash card: how many items the Trash holds and how much space they take. It counts
// again after every clean that moved something and after a new home grant; when the Trash could
// not be read it asks, once per model, for the access that is missing.
class TrashSummaryViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int itemCount READ itemCount NOTIFY summaryChanged)
    Q_PROPERTY(qint64 totalSize READ totalSize NOTIFY summaryChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isAvailable READ isAvailable NOTIFY summaryChanged)
    Q_PROPERTY(bool showFullDiskAccessPrompt READ showFullDiskAccessPrompt NOTIFY showFullDiskAccessPromptChanged)

public:
    using Counter = std::function<TrashSummaryEngine::Count(const QString& trashFolder)>;

    // Counts the platform layout's Trash folder; tests may count another way.
    explicit TrashSummaryViewModel(QObject* parent = nullptr);
    TrashSummaryViewModel(Counter counter, QObject* parent);
    ~TrashSummaryViewModel() override;

    int itemCount() const { return m_itemCount; }
    qint64 totalSize() const { return m_totalSize; }
    bool isLoading() const { return m_isLoading; }
    bool isAvailable() const { return m_isAvailable; }
    bool showFullDiskAccessPrompt() const { return m_showPrompt; }
    bool hasPromptedForFullDiskAccess() const { return m_hasPrompted; }
    QString trashPath() const;

    // "正在统计…", "暂时无法读取" or "{n} 项 · {size}".
    QString statusText() const;

    // Counts again, unless a count is running.
    void refreshTrashSummary();
    // The application became active again: worth a new try only when the Trash was unreadable.
    void applicationDidBecomeActive();
    // Either button of the alert closes it.
    void dismissFullDiskAccessPrompt();

signals:
    void summaryChanged();
    void isLoadingChanged();
    void showFullDiskAccessPromptChanged();
    void countFinished();

private:
    void onCountFinished();
    void setSummary(int itemCount, qint64 totalSize, bool available);
    void setLoading(bool loading);
    void setShowPrompt(bool show);

    Counter m_counter;
    int m_itemCount = 0;
    qint64 m_totalSize = 0;
    bool m_isLoading = false;
    bool m_isAvailable = true;
    bool m_showPrompt = false;
    bool m_hasPrompted = false;
    QString m_countingFolder;
    QFutureWatcher<TrashSummaryEngine::Count> m_watcher;
};

} // namespace Sweepora::Core
