#pragma once

#include "core/trash/CleanupJournal.h"

#include <QDateTime>

// Fills the current journal with `batches` cleans of ten items each, all said to be in the Trash.
inline void fillJournal(int batches)
{
    using Sweepora::Core::CleanupJournal;
    const auto journal = CleanupJournal::current();
    for (int b = 0; b < batches; ++b) {
        const qint64 id = journal->beginBatch(QStringLiteral("large"), QDateTime::currentDateTime());
        QList<CleanupJournal::Pending> items;
        for (int i = 0; i < 10; ++i)
            items.append({QByteArray("/nowhere/") + QByteArray::number(i), 100, 1, quint64(b * 10 + i)});
        QList<CleanupJournal::Completion> done;
        for (const qint64 row : journal->addPending(id, items))
            done.append(
                {row, CleanupJournal::State::inTrash, QByteArray("/nowhere/trash/") + QByteArray::number(row), {}});
        journal->complete(done);
    }
}
