#pragma once

#include <QObject>
#include <QStringList>

namespace Sweepora::Core {

// "保护名单": the user's own protected places, added with the folder picker and removed one by
// one. The built-in places are listed by the command line; the page shows the user's.
class ProtectedPlacesViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList paths READ paths NOTIFY pathsChanged)
public:
    explicit ProtectedPlacesViewModel(QObject* parent = nullptr);

    QStringList paths() const { return m_paths; }

    // Asks for a folder; the chosen one joins the list.
    void add();
    void remove(const QString& path);

signals:
    void pathsChanged();

private:
    void reload();

    QStringList m_paths;
};

} // namespace Sweepora::Core
