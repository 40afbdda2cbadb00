#pragma once

#include "core/services/AppVersion.h"

#include <QDialog>

class QPushButton;

namespace Sweepora::Ui {

// The offer of a newer build: title, version and build, release time, release notes, and
// "立即更新" with "跳过此版本" and "稍后" — or, for a forced version, only "立即更新" and a note,
// and no way to dismiss the sheet.
class AppUpdateSheet : public QDialog
{
    Q_OBJECT
public:
    explicit AppUpdateSheet(const Core::AppVersionInfo& version, QWidget* parent = nullptr);

    const Core::AppVersionInfo& version() const { return m_version; }
    QPushButton* updateButton() const { return m_update; }
    // Null for a forced version.
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* laterButton() const { return m_later; }

    // The offer ended (the checker cleared it): the sheet goes.
    void finish();
    // Escape and the window's close button: "稍后" for an ordinary version, nothing for a forced one.
    void reject() override;

signals:
    void updateRequested();
    void laterRequested();
    void skipRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Core::AppVersionInfo m_version;
    QPushButton* m_update = nullptr;
    QPushButton* m_skip = nullptr;
    QPushButton* m_later = nullptr;
    bool m_finishing = false;
};

} // namespace Sweepora::Ui
