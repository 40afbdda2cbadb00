#include "ui/components/EmptyState.h"

#include "core/platform/PlatformWords.h"
namespace Sweepora::Ui {

EmptyState::EmptyState(QWidget* parent) : PlaceholderView(parent)
{
    setObjectName(QStringLiteral("emptyState"));
    setState(Core::ScanState::ready);
}

void EmptyState::setState(Core::ScanState state)
{
    m_state = state;
    if (state == Core::ScanState::ready) {
        setSymbol(QStringLiteral("sparkles"));
        setSubtitle(QStringLiteral("点击右下角按钮，扫描规则中指定的缓存目录"));
    } else {
        setSymbol(QStringLiteral("checkmark.circle"));
        setSubtitle(Core::PlatformWords::cleanComputer());
    }
}

} // namespace Sweepora::Ui
