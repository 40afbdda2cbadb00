#pragma once

#include <QWidget>

class QLabel;
class QVariantAnimation;

namespace Sweepora::Ui {

// The title and subtitle above the page. Collapsed, the title shrinks from 28 to 18 and the
// subtitle goes; the change is animated while the header is on screen.
class PageHeader : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kTitleSize = 28;
    static constexpr int kCollapsedTitleSize = 18;
    static constexpr int kAnimationMs = 220;

    explicit PageHeader(QWidget* parent = nullptr);

    // Shows the section's id as title and its subtitle.
    void setSection(const QString& id);
    // Replaces the section's own subtitle until the next setSection().
    void setSubtitle(const QString& text);
    QString title() const;
    QString subtitle() const;

    bool isCollapsed() const { return m_collapsed; }
    // Does nothing when the header already is in that form.
    void setCollapsed(bool collapsed);

signals:
    void collapsedChanged(bool collapsed);

private:
    void applyProgress(double progress); // 0 expanded … 1 collapsed

    bool m_collapsed = false;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QVariantAnimation* m_animation = nullptr;
};

} // namespace Sweepora::Ui
