#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;
class QVariantAnimation;

namespace Sweepora::Ui {

// The compact search field of the toolbar: a magnifying-glass button that expands into a text
// field; submitting a non-blank query emits it trimmed and collapses the field. The text stays
// and shows again the next time the field opens.
class TitlebarFileSearch : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFieldWidth = 180;
    static constexpr int kAnimationMs = 160;

    explicit TitlebarFileSearch(QWidget* parent = nullptr);

    QString query() const;
    void setQuery(const QString& query);
    bool isExpanded() const { return m_expanded; }

    // The button: expands when collapsed; when expanded, collapses a blank field or submits.
    void pressButton();
    // Opens the field if needed and puts the cursor in it, the query selected (Ctrl+F).
    void focusField();
    // Return in the field: submits a non-blank query; a blank one keeps the focus and does nothing.
    void submit();

signals:
    void submitted(const QString& trimmedQuery);
    void queryChanged(const QString& query);

private:
    void setExpanded(bool expanded);

    bool m_expanded = false;
    QToolButton* m_button = nullptr;
    QLineEdit* m_field = nullptr;
    QVariantAnimation* m_animation = nullptr;
};

} // namespace Sweepora::Ui
