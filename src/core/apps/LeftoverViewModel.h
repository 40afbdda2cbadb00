#pragma once

#include "core/apps/LeftoverEngine.h"
#include "core/scanners/FileListViewModel.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

namespace Sweepora::Core {

// The 残留文件 list of 卸载应用: data of applications that are gone, found and moved to the
// Trash as one job each. A scan asks for the home grant first. Published state changes on the GUI
// thread only.
class LeftoverViewModel : public FileListViewModel
{
    Q_OBJECT

public:
    explicit LeftoverViewModel(QObject* parent = nullptr);
    ~LeftoverViewModel() override;

    const QList<LeftoverItem>& items() const { return m_items; }
    qint64 selectedSize() const;

    void startScan();
    void clean();
    void toggleSelection(const QString& path);
    void toggleAllSelection();

signals:
    // filesChanged under the name the page knows.
    void itemsChanged();

protected:
    void removeCleaned(const QSet<QString>& done) override;

private:
    QList<LeftoverItem> m_items;

    // Owned here: when the model goes, a scan still running publishes nothing.
    QFutureWatcher<QList<LeftoverItem>> m_scanWatcher;
};

} // namespace Sweepora::Core
