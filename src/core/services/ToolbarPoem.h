#pragma once

#include <QObject>
#include <QString>

namespace Sweepora::Core {

// The line of poetry in the window's toolbar, fetched once from the poem service. Empty text
// means the toolbar shows nothing in its place (not fetched yet, failed, or a blank reply).
class ToolbarPoem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY textChanged)

public:
    explicit ToolbarPoem(QObject* parent = nullptr);

    QString text() const { return m_text; }

    // Asks for the poem; only the first call does anything, and nothing is retried.
    void fetch();

signals:
    void textChanged(const QString& text);
    // The request ended, with or without a poem.
    void fetchFinished();

private:
    QString m_text;
    bool m_started = false;
};

} // namespace Sweepora::Core
