#include "core/scanners/ScanWatch.h"

#include <QLocale>

namespace Sweepora::Core {

namespace {
constexpr int kPollMs = 150;
constexpr qsizetype kFolderChars = 64;

// The line keeps its length: a deep folder loses its middle.
QString shortened(const QString& folder)
{
    if (folder.size() <= kFolderChars)
        return folder;
    return folder.left(kFolderChars / 3) + QStringLiteral("…") + folder.right(kFolderChars * 2 / 3 - 1);
}
} // namespace

ScanWatch::ScanWatch(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ScanWatch::poll);
}

std::shared_ptr<WalkProgress> ScanWatch::start()
{
    if (m_progress)
        m_progress->cancel(); // a scan still running for nothing
    follow(std::make_shared<WalkProgress>());
    return m_progress;
}

void ScanWatch::follow(std::shared_ptr<WalkProgress> progress)
{
    m_progress = std::move(progress);
    m_poll.start();
    poll();
}

void ScanWatch::cancel()
{
    if (m_progress)
        m_progress->cancel();
}

bool ScanWatch::finish()
{
    m_poll.stop();
    const bool cancelled = m_progress && m_progress->isCancelled();
    m_progress.reset();
    if (!m_text.isEmpty()) {
        m_text.clear();
        emit changed();
    }
    return cancelled;
}

void ScanWatch::poll()
{
    if (!m_progress)
        return;
    const QLocale locale;
    QString text = QStringLiteral("已检查 %1 个文件夹、%2 个文件")
                       .arg(locale.toString(m_progress->folders()), locale.toString(m_progress->files()));
    if (m_progress->isCancelled())
        text = QStringLiteral("正在取消…");
    else if (const QString folder = m_progress->currentFolder(); !folder.isEmpty())
        text += QStringLiteral("\n当前：") + shortened(folder);
    if (text == m_text)
        return;
    m_text = std::move(text);
    emit changed();
}

} // namespace Sweepora::Core
