#pragma once

#include <QFrame>

class QLabel;
class QProgressBar;

namespace Sweepora::Ui {

// The card shown while rules are scanned: "正在扫描", the percentage, a bar and the rule being
// scanned.
class ScanProgressCard : public QFrame
{
    Q_OBJECT
public:
    explicit ScanProgressCard(QWidget* parent = nullptr);

    void setRuleName(const QString& name);
    // `progress` runs from 0 to 1; values outside are clamped.
    void setProgress(double progress);

    QString percentText() const;
    // The percentage of a progress value: progress × 100 truncated, then "%". Values that are
    // whole percentages in decimal (0.29) are not lost to binary rounding (28.999…).
    static QString percentText(double progress);

private:
    QLabel* m_percent = nullptr;
    QLabel* m_ruleName = nullptr;
    QProgressBar* m_bar = nullptr;
};

} // namespace Sweepora::Ui
