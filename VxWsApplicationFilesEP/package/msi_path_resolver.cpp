#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"

#include "VxWsApplicationFilesEP/package/msi_package_itf.h"
#include "VxWsApplicationFilesEP/package/safe_paths.h"
#include "VxWsApplicationFilesEP/package/table_columns.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace vx {
namespace {

constexpr std::u16string_view kTargetDir = u"TARGETDIR";
constexpr std::u16string_view kCurrentFolder = u".";
constexpr std::u16string_view kDirectoryTable = u"Directory";
constexpr std::u16string_view kPropertyTable = u"Property";
constexpr std::u16string_view kNoClause = u"";

// DefaultDir is "target[:source]", each part possibly "short|long". A ':' at position 0 does
// not split.
// The name is cut out of the text in place: folder walks read one per level.
std::u16string FolderName(std::u16string defaultDir, bool sourceMode) {
    const size_t colon = defaultDir.find(u':');
    if (colon != std::u16string::npos && colon > 0) {
        if (sourceMode) {
            defaultDir.erase(0, colon + 1);
        } else {
            defaultDir.resize(colon);
        }
    }
    const size_t bar = defaultDir.find(u'|');
    if (bar != std::u16string::npos && bar > 0) {
        defaultDir.erase(0, bar + 1); // the long name, as LongName gives it
    }
    return defaultDir;
}

} // namespace

std::u16string CMsiPathResolver::ResolveDirectory(std::u16string_view key, bool sourceMode) const {
    std::vector<std::u16string> names = DirectoryNames(key, sourceMode);
    std::u16string path;
    if (names.empty()) {
        return path;
    }
    size_t length = names.size();
    for (const auto& name : names) {
        length += name.size();
    }
    path = std::move(names.front());
    path.reserve(length);
    for (auto it = names.begin() + 1; it != names.end(); ++it) {
        AppendPathSegment(path, *it, kTargetSeparator);
    }
    return path;
}

std::optional<std::vector<std::u16string>>
CMsiPathResolver::SourceSegments(std::u16string_view key) const {
    std::vector<std::u16string> segments;
    for (std::u16string& name : DirectoryNames(key, true)) {
        if (name.empty()) {
            continue;
        }
        if (!IsPlainFileName(name)) {
            return std::nullopt;
        }
        segments.push_back(std::move(name));
    }
    return segments;
}

std::vector<std::u16string> CMsiPathResolver::DirectoryNames(std::u16string_view key,
                                                             bool sourceMode) const {
    std::vector<std::u16string> names; // nearest the key first; reversed at the end
    if (key == kTargetDir) {
        names.emplace_back(key);
        return names;
    }
    names.reserve(8);
    // A cycle of parents (A under B under A) would never reach a root. The walk remembers the
    // keys it has visited and ends at the row whose parent it has already seen, as if that row
    // were a root. This is the self-parented rule applied to longer cycles: every folder of the
    // cycle is named once, and the answer does not depend on an arbitrary depth limit.
    std::unordered_set<std::u16string> visited;
    std::u16string currentKey(key);
    CMsiRecord row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, kNoClause);
    for (;;) {
        // A missing row reads as a row whose columns are all empty (GetString of the null
        // record is ""), so its empty name is put in front and the walk ends.
        std::u16string parent = row.GetString(kDirectoryParent);
        if (parent == kTargetDir && !sourceMode) {
            // A symbolic root: its own name is not used. Its key is the key it was found by,
            // since the lookup matches the key exactly.
            const CMsiRecord property =
                m_package->FindRecord(kPropertyTable, kPropertyTable, currentKey, kNoClause);
            names.push_back(property.HasRow() ? property.GetString(kPropertyValue)
                                              : FormatString(u"[%s]", currentKey));
            break;
        }
        std::u16string name = FolderName(row.GetString(kDefaultDir), sourceMode);
        if (parent == kTargetDir) {
            if (name != kCurrentFolder) {
                names.push_back(std::move(name));
            }
            break;
        }
        if (name != kCurrentFolder) {
            names.push_back(std::move(name));
        }
        visited.insert(std::move(currentKey));
        if (parent.empty() || visited.count(parent) != 0) {
            break;
        }
        currentKey = std::move(parent);
        row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, kNoClause);
    }

    std::reverse(names.begin(), names.end());
    return names;
}

VersionRelation CMsiPathResolver::CompareVersions(std::u16string_view first,
                                                  std::u16string_view second) const {
    return CompareVersionStrings(first, second);
}

PackageRelation CMsiPathResolver::CompareWithPackage(const CVxMsiPackageItf* other) const {
    const std::u16string ownCode = m_package->GetProductCode();
    const std::u16string ownVersion = m_package->GetProductVersion();
    const std::u16string otherCode = other->GetProductCode();
    const std::u16string otherVersion = other->GetProductVersion();
    return ComparePackageIdentities(ownCode, ownVersion, otherCode, otherVersion);
}

} // namespace vx
