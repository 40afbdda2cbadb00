#pragma once

#include "core/rules/CleanupResult.h"
#include "ui/components/PlaceholderView.h"

namespace Sweepora::Ui {

// The rule page's placeholder: before the first scan a sparkle and the hint to press the
// button; in every other state a check mark and "your Mac is clean for now". The message sits
// in the middle.
class EmptyState : public PlaceholderView
{
    Q_OBJECT
public:
    explicit EmptyState(QWidget* parent = nullptr);

    void setState(Core::ScanState state);
    Core::ScanState state() const { return m_state; }
    void setMessage(const QString& message) { setTitle(message); }
    QString message() const { return title(); }
    QString hint() const { return subtitle(); }

private:
    Core::ScanState m_state = Core::ScanState::ready;
};

} // namespace Sweepora::Ui
