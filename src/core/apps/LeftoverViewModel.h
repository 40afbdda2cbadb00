#pragma once

#include "core/apps/LeftoverEngine.h"
#include "core/trash/CleanRun.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>

namespace Sweepora::Core {

// The 残留文件 list of 卸载应用: data of applications that are gone, found and moved to the
// Trash as one job each. Published state changes on the GUI thread only.
class LeftoverViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)

public:
    explicit LeftoverViewModel(QObject* parent = nullptr);
    ~LeftoverViewModel() override;

    const QList<LeftoverItem>& items() const { return m_items; }
    ScanState state() const { return m_state; }
    const QString& message() const { return m_message; }
    CleanRun& cleanRun() { return m_run; }
    qint64 selectedSize() const;

    void startScan();
    void clean();
    void toggleSelection(const QString& path);
    void toggleAllSelection();

signals:
    void itemsChanged();
    void stateChanged();
    void messageChanged();
    void scanFinished();
    void cleanFinished();

private:
    void setState(ScanState state);
    void setMessage(const QString& message);

    QList<LeftoverItem> m_items;
    ScanState m_state = ScanState::ready;
    QString m_message = QStringLiteral("查找已卸载应用留下的文件");

    QFutureWatcher<QList<LeftoverItem>> m_scanWatcher;
    QFutureWatcher<LeftoverEngine::CleanOutcome> m_cleanWatcher;
    CleanRun m_run;
};

} // namespace Sweepora::Core
