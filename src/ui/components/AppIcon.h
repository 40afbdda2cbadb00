#pragma once

#include <QIcon>
#include <QWidget>

namespace Sweepora::Ui {

// An application's icon by bundle identifier: the icon theme's icon of that name when there
// is one, otherwise the "folder.fill" symbol drawn 5 inset from the frame.
class AppIcon : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFallbackInset = 5;

    explicit AppIcon(const QString& bundleID = QString(), int size = 42, QWidget* parent = nullptr);

    QString bundleID() const { return m_bundleID; }
    void setBundleID(const QString& bundleID);
    // True when the icon shows the folder symbol because no application icon was found.
    bool showsFallback() const { return m_fallback; }

    // The installed application's icon, or a null icon when none is known for the identifier.
    static QIcon applicationIcon(const QString& bundleID);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_bundleID;
    QIcon m_icon;
    bool m_fallback = true;
    int m_size;
};

} // namespace Sweepora::Ui
