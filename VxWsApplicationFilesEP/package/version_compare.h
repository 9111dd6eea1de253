#pragma once
// How two dotted versions, and two packages, relate.

#include <string>
#include <string_view>

namespace vx {

enum class VersionRelation : int {
    Equal = 0,              // same fields, same count
    DiffersBeyondThird = 1, // the first difference is in the fourth field or later
    FirstOlder = 2,
    FirstNewer = 3,
};

enum class PackageRelation : int {
    SameVersion = 0,  // same ProductCode; versions Equal or DiffersBeyondThird
    OtherVersion = 1, // same ProductCode; versions FirstOlder or FirstNewer
    OtherProduct = 2, // ProductCodes differ (letter case ignored)
};

// An empty version reads as "0". Fields compare as decimal numbers of any size; an empty field
// reads as 0; a field that is no number is below every number, and two such fields compare by
// their UTF-16 code units.
VersionRelation CompareVersionStrings(std::u16string_view first, std::u16string_view second);

// How two packages relate, from their product codes and product versions.
PackageRelation ComparePackageIdentities(std::u16string_view ownCode,
                                         std::u16string_view ownVersion,
                                         std::u16string_view otherCode,
                                         std::u16string_view otherVersion);

// "Equal", "FirstOlder", ... ; "" for a value outside the enumeration.
std::u16string_view VersionRelationName(VersionRelation relation);
std::u16string_view PackageRelationName(PackageRelation relation);

} // namespace vx
