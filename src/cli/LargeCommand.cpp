#include "cli/Commands.h"

#include "cli/Arguments.h"
#include "core/scanners/LargeFileEngine.h"
#include "core/sections/SectionTexts.h"
#include "core/util/ByteCount.h"

#include <QLocale>

#include <cmath>

namespace Sweepora::Cli {
namespace {

using namespace Sweepora::Core;

class LargeCommand final : public CommandRunner
{
public:
    QString parse(const QStringList& arguments) override
    {
        for (qsizetype i = 0; i < arguments.size(); ++i) {
            const QString& a = arguments[i];
            QString value;
            const OptionValue min = takeOption(arguments, i, QLatin1String("--min"), value);
            if (min == OptionValue::missing)
                return QStringLiteral("--min needs a number of gigabytes");
            if (min == OptionValue::absent)
                return QStringLiteral("large does not take \"%1\"").arg(a);
            const std::optional<double> gb = parseGigabytes(value);
            if (!gb)
                return QStringLiteral("--min needs a number of gigabytes above 0, such as 0.5 or 2; got \"%1\"")
                    .arg(value);
            m_gigabytes = *gb;
        }
        return {};
    }

    Listing scan(const CommandContext& context) override
    {
        const LargeFileEngine::Report report = LargeFileEngine::findLargeFiles(context.home, m_gigabytes);
        m_items = report.items;
        Listing listing;
        listing.message = SectionTexts::largeFilesFound(report.items.size());
        listing.columns = {{QStringLiteral("大小"), true}, {QStringLiteral("路径"), false}};
        for (const LargeFileItem& item : report.items) {
            listing.items.append(QJsonObject{{QStringLiteral("path"), item.path}, {QStringLiteral("size"), item.size}});
            listing.rows.append({formattedByteCount(item.size), item.path});
            listing.trashPaths.append(item.path);
        }
        return listing;
    }

    bool canMoveToTrash() const override { return true; }
    // Every listed file, each checked against what the scan saw of it.
    TrashBatchResult moveToTrash(const QStringList&) override { return LargeFileEngine::moveToTrash(m_items); }

private:
    double m_gigabytes = LargeFileEngine::kDefaultGigabytes;
    QList<LargeFileItem> m_items;
};

} // namespace

std::optional<double> parseGigabytes(const QString& text)
{
    bool ok = false;
    const double gb = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(gb) || gb <= 0)
        return std::nullopt;
    // 2^33 GB is 2^63 bytes, one past the largest count.
    if (gb >= 8589934592.0 || LargeFileEngine::thresholdBytes(gb) < 1)
        return std::nullopt;
    return gb;
}

Command largeCommand()
{
    return {QStringLiteral("large"), [] { return std::make_unique<LargeCommand>(); }};
}

} // namespace Sweepora::Cli
