#include "platform/msi/format_record.h"

#include <cstdint>
#include <vector>

namespace vx::msi {
namespace {

// Without an install handle only record fields resolve. The documented behaviour of formatting
// with no install is that "[property]" stays "[property]"; escapes ([\x], [~]) and the file,
// component and environment forms are the same kind of non-record parameter, so they stay as
// written too rather than half of them being interpreted.

// An open bracket or brace whose partner has not been seen yet.
struct Frame {
    char16_t opener;  // '[' or '{'
    size_t start;     // where the opener sits in the output
    bool conditional; // a field reference occurs inside (at any depth)
    bool satisfied;   // every field reference directly inside found a non-empty text
};

class Formatter {
public:
    Formatter(const std::function<std::optional<std::u16string>(unsigned)>& fieldText,
              unsigned fieldCount)
        : m_fieldText(fieldText), m_fieldCount(fieldCount) {}

    std::u16string Run(std::u16string_view templ) {
        // All text goes into one buffer and a frame only remembers where it began. Dropping a
        // group or replacing a reference cuts the buffer's tail, and a shown group's opening
        // brace is only marked deleted, so however deep the nesting, no text is moved twice.
        m_out.reserve(templ.size());
        m_deleted.reserve(templ.size());
        for (const char16_t c : templ) {
            switch (c) {
            case u'[':
            case u'{':
                m_frames.push_back({c, m_out.size(), false, true});
                ++OpenCount(c);
                Append(c);
                break;
            case u']':
                if (OpenCount(u'[') == 0) {
                    Append(c);
                } else {
                    CloseBracket();
                }
                break;
            case u'}':
                if (OpenCount(u'{') == 0) {
                    Append(c);
                } else {
                    CloseBrace();
                }
                break;
            default:
                Append(c);
                break;
            }
        }
        // Openers left without a partner stay as text; their contents are already in place.
        return Compacted();
    }

private:
    size_t& OpenCount(char16_t opener) { return opener == u'[' ? m_openBrackets : m_openBraces; }

    void Append(char16_t c) {
        m_out.push_back(c);
        m_deleted.push_back(false);
    }

    void Append(std::u16string_view text) {
        m_out += text;
        m_deleted.resize(m_out.size(), false);
    }

    void CutTo(size_t size) {
        m_out.resize(size);
        m_deleted.resize(size);
    }

    // Pops frames down to the nearest one opened by `opener`, turning those above it into plain
    // text; the references they held now belong to the frame beneath them.
    Frame PopThrough(char16_t opener) {
        for (;;) {
            const Frame top = m_frames.back();
            m_frames.pop_back();
            --OpenCount(top.opener);
            if (top.opener == opener) {
                return top;
            }
            MergeIntoParent(top);
        }
    }

    void MergeIntoParent(const Frame& child) {
        if (!m_frames.empty()) {
            m_frames.back().conditional |= child.conditional;
            m_frames.back().satisfied &= child.satisfied;
        }
    }

    void CloseBracket() {
        const Frame frame = PopThrough(u'[');
        const auto field = FieldNumber(frame.start + 1);
        if (!field) {
            // Not a record field: the brackets and what resolved inside them stay as text.
            Append(u']');
            MergeIntoParent(frame);
            return;
        }
        std::optional<std::u16string> value;
        if (*field <= m_fieldCount) {
            value = m_fieldText(static_cast<unsigned>(*field));
        }
        CutTo(frame.start);
        const bool found = value && !value->empty();
        if (found) {
            Append(*value);
        }
        if (!m_frames.empty()) {
            m_frames.back().conditional = true;
            m_frames.back().satisfied &= found;
        }
    }

    void CloseBrace() {
        const Frame frame = PopThrough(u'{');
        if (!frame.conditional) {
            Append(u'}'); // no field reference: the group is plain text
            return;
        }
        if (frame.satisfied) {
            m_deleted[frame.start] = true; // shown without its braces
        } else {
            CutTo(frame.start);
        }
        // A nested group is optional on its own terms; it only tells the outer group that it
        // holds references, so that the outer braces are not kept as text.
        if (!m_frames.empty()) {
            m_frames.back().conditional = true;
        }
    }

    // The field number spelled by the output from `from` on (decimal digits only), or nullopt.
    // Numbers too large for any record saturate above the field count, so read as null. The
    // scan stops at the first non-digit, which keeps nested literal brackets linear.
    std::optional<uint64_t> FieldNumber(size_t from) const {
        uint64_t value = 0;
        bool any = false;
        for (size_t i = from; i < m_out.size(); ++i) {
            if (m_deleted[i]) {
                continue;
            }
            const char16_t c = m_out[i];
            if (c < u'0' || c > u'9') {
                return std::nullopt;
            }
            any = true;
            if (value <= m_fieldCount) {
                value = value * 10 + static_cast<uint64_t>(c - u'0');
            }
        }
        return any ? std::optional<uint64_t>(value) : std::nullopt;
    }

    std::u16string Compacted() {
        std::u16string text;
        text.reserve(m_out.size());
        for (size_t i = 0; i < m_out.size(); ++i) {
            if (!m_deleted[i]) {
                text.push_back(m_out[i]);
            }
        }
        return text;
    }

    const std::function<std::optional<std::u16string>(unsigned)>& m_fieldText;
    const unsigned m_fieldCount;
    std::u16string m_out;
    std::vector<bool> m_deleted; // parallel to m_out: opening braces of shown groups
    std::vector<Frame> m_frames;
    size_t m_openBrackets = 0;
    size_t m_openBraces = 0;
};

} // namespace

std::u16string
FormatRecordText(std::u16string_view templ,
                 const std::function<std::optional<std::u16string>(unsigned field)>& fieldText,
                 unsigned fieldCount) {
    return Formatter(fieldText, fieldCount).Run(templ);
}

} // namespace vx::msi
