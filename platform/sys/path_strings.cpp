#include "platform/sys/path_strings.h"

namespace vx {

std::u16string LongName(std::u16string_view name) {
    const size_t bar = name.find(u'|');
    if (bar != std::u16string_view::npos && bar > 0) {
        return std::u16string(name.substr(bar + 1));
    }
    return std::u16string(name);
}

void AppendPathSegment(std::u16string& path, std::u16string_view piece, char16_t separator) {
    const bool pathEndsInSeparator = !path.empty() && path.back() == separator;
    if (!pathEndsInSeparator) {
        if (!piece.empty() && piece.front() != separator) {
            path.push_back(separator);
        }
        path.append(piece);
        return;
    }
    if (!piece.empty() && piece.front() == separator) {
        piece.remove_prefix(1);
    }
    path.append(piece);
}

void SplitString(std::u16string_view text, char16_t delimiter, bool skipEmpty,
                 std::vector<std::u16string>& out) {
    if (text.empty()) {
        if (!skipEmpty) {
            out.emplace_back();
        }
        return;
    }
    size_t start = 0;
    for (size_t pos = text.find(delimiter); pos != std::u16string_view::npos;
         pos = text.find(delimiter, start)) {
        if (pos > start || !skipEmpty) {
            out.emplace_back(text.substr(start, pos - start));
        }
        start = pos + 1;
    }
    if (start < text.size()) {
        out.emplace_back(text.substr(start));
    }
}

} // namespace vx
