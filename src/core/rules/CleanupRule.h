#pragma once

#include "core/rules/Decoded.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace Sweepora::Core {

// A cleanup rule: one application's group of files that can safely go, named by paths.
struct CleanupRule
{
    bool app = true;
    QString name;
    QStringList paths;
    qint64 notice = 0;
    QString packName;
    QString description;

    // The rule's identity: PackName directly followed by Name, no separator.
    QString ruleKey() const { return packName + name; }

    // All six keys are required ("App", "Name", "Paths", "Notice", "PackName", "Description",
    // read in that order; the first problem is reported); other keys are ignored.
    static bool read(JsonReader& reader, const QJsonValue& value, CleanupRule& out);
    static Decoded<CleanupRule> fromJsonObject(const QJsonObject& object);
    static Decoded<CleanupRule> fromJson(const QByteArray& text);

    QJsonObject toJsonObject() const;
    // Pretty-printed, keys in sorted order, UTF-8 (non-ASCII text is not escaped). The same
    // text goes into rule files, the exported text and uploads.
    QByteArray toJson() const;

    friend bool operator==(const CleanupRule&, const CleanupRule&) = default;
};

} // namespace Sweepora::Core
