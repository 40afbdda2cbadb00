#include "core/util/ListArrangement.h"

#include <gtest/gtest.h>

using namespace Sweepora::Core;

namespace {

struct Dated
{
    QString path;
    qint64 size = 0;
    QDateTime creationDate{};
};

QString namesShown(const QList<Dated>& items, ListSortKey key, const char* filter)
{
    QStringList names;
    for (qsizetype i : ListArrangement{key, QString::fromUtf8(filter)}.shown(items))
        names.append(lastPathComponent(items[i].path));
    return names.join(QLatin1Char(','));
}

} // namespace

// The scan order stays the default; names sort ignoring case, sizes largest first, dates newest
// first with undated items last; the filter matches the name only, ignoring case and blanks.
TEST(ListArrangement, OrdersAndFiltersByName)
{
    const QDateTime day = QDateTime::fromMSecsSinceEpoch(1'700'000'000'000);
    const QList<Dated> items = {{QStringLiteral("/h/b.mov"), 5, day},
                                {QStringLiteral("/h/Report/a.txt"), 9, {}},
                                {QStringLiteral("/h/C.iso"), 7, day.addDays(2)},
                                {QStringLiteral("/h/d报告.pdf"), 5, day.addDays(1)}};
    const struct
    {
        ListSortKey key;
        const char* filter;
        const char* names;
    } cases[] = {
        {ListSortKey::original, "", "b.mov,a.txt,C.iso,d报告.pdf"},
        {ListSortKey::name, "", "a.txt,b.mov,C.iso,d报告.pdf"},
        {ListSortKey::size, "", "a.txt,C.iso,b.mov,d报告.pdf"},
        {ListSortKey::date, "", "C.iso,d报告.pdf,b.mov,a.txt"},
        {ListSortKey::original, " I ", "C.iso"},
        {ListSortKey::name, "report", ""}, // the folder's name is not the file's
        {ListSortKey::size, "报告", "d报告.pdf"},
        {ListSortKey::date, ".", "C.iso,d报告.pdf,b.mov,a.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(namesShown(items, c.key, c.filter), QString::fromUtf8(c.names))
            << static_cast<int>(c.key) << c.filter;
}
