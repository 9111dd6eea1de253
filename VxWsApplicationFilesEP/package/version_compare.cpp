#include "VxWsApplicationFilesEP/package/version_compare.h"

#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"

#include <vector>

namespace vx {
namespace {

// The first three fields are the ones that make a version older or newer.
constexpr size_t kSignificantFields = 3;

// One field as a number when it is one: surrounding spaces, an optional sign and decimal
// digits. The digits are kept as text so that a value of any length compares exactly.
struct FieldValue {
    bool numeric = false;
    bool negative = false;
    std::u16string_view digits; // without leading zeros; empty for zero
    std::u16string_view text;   // the field as written, for fields that are no number
};

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

FieldValue ReadField(std::u16string_view field) {
    FieldValue value;
    value.text = field;
    std::u16string_view rest = field;
    while (!rest.empty() && rest.front() == u' ') {
        rest.remove_prefix(1);
    }
    while (!rest.empty() && rest.back() == u' ') {
        rest.remove_suffix(1);
    }
    if (rest.empty()) {
        // As an empty version reads as "0", so does an empty field.
        value.numeric = true;
        return value;
    }
    bool negative = false;
    if (rest.front() == u'+' || rest.front() == u'-') {
        negative = rest.front() == u'-';
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return value;
    }
    for (char16_t c : rest) {
        if (!IsDigit(c)) {
            return value;
        }
    }
    while (!rest.empty() && rest.front() == u'0') {
        rest.remove_prefix(1);
    }
    value.numeric = true;
    value.digits = rest;
    value.negative = negative && !rest.empty(); // "-0" is zero
    return value;
}

int CompareMagnitudes(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const int order = a.compare(b);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int CompareFields(const FieldValue& a, const FieldValue& b) {
    if (a.numeric != b.numeric) {
        return a.numeric ? 1 : -1;
    }
    if (!a.numeric) {
        const int order = a.text.compare(b.text);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    if (a.negative != b.negative) {
        return a.negative ? -1 : 1;
    }
    const int magnitude = CompareMagnitudes(a.digits, b.digits);
    return a.negative ? -magnitude : magnitude;
}

std::vector<std::u16string> Fields(std::u16string_view version) {
    std::vector<std::u16string> fields;
    SplitString(version.empty() ? std::u16string_view(u"0") : version, u'.', false, fields);
    return fields;
}

} // namespace

VersionRelation CompareVersionStrings(std::u16string_view first, std::u16string_view second) {
    const std::vector<std::u16string> a = Fields(first);
    const std::vector<std::u16string> b = Fields(second);
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int order = CompareFields(ReadField(a[i]), ReadField(b[i]));
        if (order == 0) {
            continue;
        }
        if (i >= kSignificantFields) {
            return VersionRelation::DiffersBeyondThird;
        }
        return order > 0 ? VersionRelation::FirstNewer : VersionRelation::FirstOlder;
    }
    if (a.size() > b.size()) {
        return VersionRelation::FirstNewer;
    }
    if (a.size() < b.size()) {
        return VersionRelation::FirstOlder;
    }
    return VersionRelation::Equal;
}

PackageRelation ComparePackageIdentities(std::u16string_view ownCode,
                                         std::u16string_view ownVersion,
                                         std::u16string_view otherCode,
                                         std::u16string_view otherVersion) {
    if (!EqualsIgnoreAsciiCase(ownCode, otherCode)) {
        return PackageRelation::OtherProduct;
    }
    const VersionRelation versions = CompareVersionStrings(ownVersion, otherVersion);
    const bool same =
        versions == VersionRelation::Equal || versions == VersionRelation::DiffersBeyondThird;
    return same ? PackageRelation::SameVersion : PackageRelation::OtherVersion;
}

std::u16string_view VersionRelationName(VersionRelation relation) {
    switch (relation) {
    case VersionRelation::Equal:
        return u"Equal";
    case VersionRelation::DiffersBeyondThird:
        return u"DiffersBeyondThird";
    case VersionRelation::FirstOlder:
        return u"FirstOlder";
    case VersionRelation::FirstNewer:
        return u"FirstNewer";
    }
    return u"";
}

std::u16string_view PackageRelationName(PackageRelation relation) {
    switch (relation) {
    case PackageRelation::SameVersion:
        return u"SameVersion";
    case PackageRelation::OtherVersion:
        return u"OtherVersion";
    case PackageRelation::OtherProduct:
        return u"OtherProduct";
    }
    return u"";
}

} // namespace vx
