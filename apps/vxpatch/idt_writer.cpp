#include "apps/vxpatch/idt_writer.h"

namespace vx::cli {

std::u16string EscapeIdtField(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'\t':
            out.push_back(u'\x10');
            break;
        case u'\r':
            out.push_back(u'\x11');
            break;
        case u'\n':
            out.push_back(u'\x19');
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::u16string IdtLine(const std::vector<std::u16string>& fields) {
    std::u16string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            line.push_back(u'\t');
        }
        line += fields[i];
    }
    line += u"\r\n";
    return line;
}

} // namespace vx::cli
