#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"

#include "VxWsApplicationFilesEP/package/msi_package_itf.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace vx {
namespace {

constexpr char16_t kTargetDir[] = u"TARGETDIR";
constexpr char16_t kDirectoryTable[] = u"Directory";
constexpr char16_t kPropertyTable[] = u"Property";

// Directory columns by position.
constexpr UINT kDirectoryKey = 1;
constexpr UINT kDirectoryParent = 2;
constexpr UINT kDefaultDir = 3;
constexpr UINT kPropertyValue = 2;

// DefaultDir is "target[:source]", each part possibly "short|long". A ':' at position 0 does
// not split.
std::u16string FolderName(const std::u16string& defaultDir, bool sourceMode) {
    std::u16string_view name = defaultDir;
    const size_t colon = name.find(u':');
    if (colon != std::u16string_view::npos && colon > 0) {
        name = sourceMode ? name.substr(colon + 1) : name.substr(0, colon);
    }
    return LongName(name);
}

} // namespace

std::u16string CMsiPathResolver::ResolveDirectory(const std::u16string& key,
                                                  bool sourceMode) const {
    if (key == kTargetDir) {
        return key;
    }
    std::vector<std::u16string> names; // nearest the key first; reversed at the end
    // A cycle of parents (A under B under A) would never reach a root. The walk remembers the
    // keys it has visited and ends at the row whose parent it has already seen, as if that row
    // were a root. This is the self-parented rule applied to longer cycles: every folder of the
    // cycle is named once, and the answer does not depend on an arbitrary depth limit.
    // Walks are a few levels deep: a list checked in order is cheaper than a set until the
    // walk grows long, when a set takes over.
    constexpr size_t kListedVisits = 32;
    std::vector<std::u16string> visitedList;
    std::unordered_set<std::u16string> visitedSet;
    auto visit = [&](std::u16string k) {
        if (visitedList.size() < kListedVisits) {
            visitedList.push_back(std::move(k));
        } else {
            if (visitedSet.empty()) {
                visitedSet.insert(visitedList.begin(), visitedList.end());
            }
            visitedSet.insert(std::move(k));
        }
    };
    auto visited = [&](const std::u16string& k) {
        return visitedSet.empty()
                   ? std::find(visitedList.begin(), visitedList.end(), k) != visitedList.end()
                   : visitedSet.count(k) != 0;
    };
    std::u16string currentKey = key;
    CMsiRecord row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, u"");
    for (;;) {
        // A missing row reads as a row whose columns are all empty (GetString of the null
        // record is ""), so its empty name is put in front and the walk ends.
        std::u16string parent = row.GetString(kDirectoryParent);
        std::u16string name = FolderName(row.GetString(kDefaultDir), sourceMode);
        if (parent == kTargetDir) {
            if (sourceMode) {
                if (name != u".") {
                    names.push_back(std::move(name));
                }
            } else {
                const std::u16string ownKey = row.GetString(kDirectoryKey);
                const CMsiRecord property =
                    m_package->FindRecord(kPropertyTable, kPropertyTable, ownKey, u"");
                names.push_back(property.HasRow() ? property.GetString(kPropertyValue)
                                                  : FormatString(u"[%s]", ownKey));
            }
            break;
        }
        if (name != u".") {
            names.push_back(std::move(name));
        }
        visit(std::move(currentKey));
        if (parent.empty() || visited(parent)) {
            break;
        }
        currentKey = std::move(parent);
        row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, u"");
    }

    std::u16string path;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (it == names.rbegin()) {
            path = std::move(*it);
        } else {
            AppendPathSegment(path, *it, kTargetSeparator);
        }
    }
    return path;
}

int CMsiPathResolver::CompareVersions(std::u16string first, std::u16string second) const {
    return CompareVersionStrings(first, second);
}

int CMsiPathResolver::CompareWithPackage(CVxMsiPackageItf* other) const {
    const std::u16string ownCode = m_package->GetProductCode();
    const std::u16string ownVersion = m_package->GetProductVersion();
    const std::u16string otherCode = other->GetProductCode();
    const std::u16string otherVersion = other->GetProductVersion();
    return ComparePackageIdentities(ownCode, ownVersion, otherCode, otherVersion);
}

} // namespace vx
