#include "ide/framework/path_util.h"

#include "ide/framework/path_variables.h"
#include "platform/sys/path_strings.h"

namespace vx {
namespace {

// Deep enough for variables built on each other, shallow enough that a cycle ends at once.
constexpr int kMaxExpansionDepth = 8;

bool IsNameStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool IsNameChar(char16_t c) {
    return IsNameStart(c) || (c >= u'0' && c <= u'9');
}

// The length of a variable name at the start of `text` that is closed by "}", or 0.
size_t ClosedNameLength(std::u16string_view text) {
    if (text.empty() || !IsNameStart(text[0])) {
        return 0;
    }
    size_t n = 1;
    while (n < text.size() && IsNameChar(text[n])) {
        ++n;
    }
    return n < text.size() && text[n] == u'}' ? n : 0;
}

bool LookUp(IPathVariables* variables, std::u16string_view name, std::u16string& value) {
    const std::u16string key(name);
    BStr text;
    if (variables->GetPathVariable(key.c_str(), text.Out()) != S_OK) {
        return false;
    }
    value = text.ToString();
    return true;
}

std::u16string Expand(std::u16string_view path, IPathVariables* variables, int depth) {
    std::u16string out;
    out.reserve(path.size());
    size_t i = 0;
    while (i < path.size()) {
        const std::u16string_view rest = path.substr(i);
        if (rest.starts_with(u"$${")) {
            out += u"${";
            i += 3;
            continue;
        }
        if (rest.starts_with(u"${")) {
            const size_t nameLength = ClosedNameLength(rest.substr(2));
            std::u16string value;
            if (nameLength > 0 && depth < kMaxExpansionDepth &&
                LookUp(variables, rest.substr(2, nameLength), value)) {
                out += Expand(value, variables, depth + 1);
                i += 2 + nameLength + 1;
                continue;
            }
        }
        out += path[i];
        ++i;
    }
    return out;
}

} // namespace

std::u16string UtilRemoveShortName(std::u16string_view name) {
    return LongName(name);
}

std::u16string UtilGetAbsolutePathFromPathVar(std::u16string_view path, IPathVariables* variables) {
    if (!variables) {
        return std::u16string(path);
    }
    std::u16string expanded = Expand(path, variables, 0);
    if (expanded.empty() || expanded.front() == kNativeSeparator) {
        return expanded;
    }
    BStr base;
    if (FAILED(variables->GetBaseFolder(base.Out())) || base.ToString().empty()) {
        return expanded;
    }
    std::u16string_view relative = expanded;
    while (relative.starts_with(u"./")) {
        relative.remove_prefix(2);
    }
    std::u16string absolute = base.ToString();
    AppendPathSegment(absolute, relative, kNativeSeparator);
    return absolute;
}

} // namespace vx
