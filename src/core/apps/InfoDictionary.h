#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

namespace Sweepora::Core {

// The text values of a bundle's Info dictionary, read with libplist from an XML or a binary
// property list. Values of other types are left out: a name that is a number is no name.
class InfoDictionary
{
public:
    // The dictionary of the bundle at `bundlePath` (Contents/Info.plist, else Info.plist at the
    // top); none when there is no readable property list whose root is a dictionary.
    static std::optional<InfoDictionary> ofBundle(const QString& bundlePath);
    // Parses property-list data in either format.
    static std::optional<InfoDictionary> fromData(const QByteArray& data);

    std::optional<QString> text(const QString& key) const;

private:
    // The parsed document, asked key by key: libplist aborts when it hands out a key that holds
    // a NUL byte, which a binary property list can, so keys are only compared, never read out.
    std::shared_ptr<void> m_root;
};

} // namespace Sweepora::Core
