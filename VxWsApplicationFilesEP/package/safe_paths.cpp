#include "VxWsApplicationFilesEP/package/safe_paths.h"

#include "platform/com/com_exception.h"
#include "platform/sys/file_system.h"
#include "platform/sys/letter_case.h"
#include "platform/sys/path_strings.h"
#include "platform/sys/wide_string.h"
#include "platform/sys/win32_errors.h"

#include <dirent.h>
#include <memory>

namespace vx {
namespace {

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// The single entry of `folder` whose name equals `name` without regard to letter case; empty
// when there is none or more than one (then the choice would be a guess).
std::u16string MatchIgnoringCase(const std::u16string& folder, const std::u16string& name) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Utf16ToUtf8(folder).c_str()), ::closedir);
    if (!dir) {
        return {};
    }
    std::u16string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::u16string candidate = Utf8ToUtf16(entry->d_name);
        if (EqualsIgnoringCase(candidate, name)) {
            found = candidate;
            ++matches;
        }
    }
    return matches == 1 ? found : std::u16string();
}

} // namespace

bool IsPlainFileName(std::u16string_view name) {
    if (name.empty() || name == u"." || name == u"..") {
        return false;
    }
    for (const char16_t c : name) {
        if (IsSeparator(c) || c == u'\0') {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<std::u16string>> RelativeSegments(std::u16string_view path) {
    if (!path.empty() && IsSeparator(path.front())) {
        return std::nullopt;
    }
    if (path.size() >= 2 && path[1] == u':') {
        return std::nullopt; // "C:..." names a drive, not a place below the base
    }
    std::vector<std::u16string> segments;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const std::u16string_view segment = path.substr(start, end - start);
        if (segment == u"..") {
            return std::nullopt;
        }
        if (segment.find(u'\0') != std::u16string_view::npos) {
            return std::nullopt;
        }
        if (!segment.empty() && segment != u".") {
            segments.emplace_back(segment);
        }
        start = end + 1;
    }
    return segments;
}

std::u16string JoinMatchingCase(std::u16string base, const std::vector<std::u16string>& segments) {
    for (const auto& segment : segments) {
        std::u16string exact = base;
        AppendPathSegment(exact, segment, kNativeSeparator);
        if (!PathExists(exact)) {
            const std::u16string onDisk = MatchIgnoringCase(base.empty() ? u"." : base, segment);
            if (!onDisk.empty()) {
                exact = base;
                AppendPathSegment(exact, onDisk, kNativeSeparator);
            }
        }
        base = std::move(exact);
    }
    return base;
}

void ThrowUnsafePath(const std::u16string& description) {
    throw CComException(com_exception(HRESULT_FROM_WIN32(ERROR_INVALID_NAME), description));
}

} // namespace vx
