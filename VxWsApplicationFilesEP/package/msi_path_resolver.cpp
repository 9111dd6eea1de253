#include "VxWsApplicationFilesEP/package/msi_path_resolver.h"

#include "VxWsApplicationFilesEP/package/msi_package_itf.h"
#include "VxWsApplicationFilesEP/package/version_compare.h"
#include "platform/sys/format_string.h"
#include "platform/sys/path_strings.h"

#include <deque>
#include <set>

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
    std::deque<std::u16string> names; // nearest the root first
    // A cycle of parents (A under B under A) would never reach a root. The walk remembers the
    // keys it has visited and ends at the row whose parent it has already seen, as if that row
    // were a root. This is the self-parented rule applied to longer cycles: every folder of the
    // cycle is named once, and the answer does not depend on an arbitrary depth limit.
    std::set<std::u16string> visited;
    std::u16string currentKey = key;
    CMsiRecord row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, u"");
    for (;;) {
        visited.insert(currentKey);
        // A missing row reads as a row whose columns are all empty (GetString of the null
        // record is ""), so its empty name is put in front and the walk ends.
        const std::u16string parent = row.GetString(kDirectoryParent);
        const std::u16string name = FolderName(row.GetString(kDefaultDir), sourceMode);
        if (parent == kTargetDir) {
            if (sourceMode) {
                if (name != u".") {
                    names.push_front(name);
                }
            } else {
                const std::u16string ownKey = row.GetString(kDirectoryKey);
                const CMsiRecord property =
                    m_package->FindRecord(kPropertyTable, kPropertyTable, ownKey, u"");
                names.push_front(property.HasRow() ? property.GetString(kPropertyValue)
                                                   : FormatString(u"[%s]", ownKey));
            }
            break;
        }
        if (name != u".") {
            names.push_front(name);
        }
        if (parent.empty() || visited.count(parent) != 0) {
            break;
        }
        currentKey = parent;
        row = m_package->FindRecord(kDirectoryTable, kDirectoryTable, currentKey, u"");
    }

    std::u16string path;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i == 0) {
            path = names[i];
        } else {
            AppendPathSegment(path, names[i], kTargetSeparator);
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
