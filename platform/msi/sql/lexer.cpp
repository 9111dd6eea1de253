#include "platform/msi/sql/lexer.h"

#include "platform/msi/sql/parser.h"

namespace vx::msi::sql {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsWordStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c > 0x7F;
}
bool IsWordPart(char16_t c) { return IsWordStart(c) || IsDigit(c) || c == u'.'; }

} // namespace

std::vector<Token> Tokenize(std::u16string_view q) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < q.size()) {
        const char16_t c = q[i];
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        Token t;
        t.offset = i;
        if (c == u'\'' || c == u'`') {
            const size_t close = q.find(c, i + 1);
            if (close == std::u16string_view::npos) {
                throw SyntaxError{std::u16string(q.substr(i)), u"unterminated quote"};
            }
            t.kind = c == u'\'' ? Token::Kind::Text : Token::Kind::QuotedIdentifier;
            t.text = q.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (IsDigit(c) || (c == u'-' && i + 1 < q.size() && IsDigit(q[i + 1]))) {
            const size_t start = i;
            const bool negative = c == u'-';
            if (negative) {
                ++i;
            }
            int64_t value = 0;
            while (i < q.size() && IsDigit(q[i])) {
                value = value * 10 + (q[i] - u'0');
                if (value > int64_t{1} << 32) {
                    throw SyntaxError{std::u16string(q.substr(start, i - start + 1)),
                                      u"integer out of range"};
                }
                ++i;
            }
            t.kind = Token::Kind::Integer;
            t.integer = negative ? -value : value;
            t.text = q.substr(start, i - start);
        } else if (IsWordStart(c)) {
            const size_t start = i;
            while (i < q.size() && IsWordPart(q[i])) {
                ++i;
            }
            t.kind = Token::Kind::Word;
            t.text = q.substr(start, i - start);
        } else if (c == u'?') {
            t.kind = Token::Kind::Parameter;
            t.text = u"?";
            ++i;
        } else if (c == u'<' || c == u'>') {
            t.kind = Token::Kind::Symbol;
            const bool twoChars =
                i + 1 < q.size() && (q[i + 1] == u'=' || (c == u'<' && q[i + 1] == u'>'));
            t.text = q.substr(i, twoChars ? 2 : 1);
            i += t.text.size();
        } else if (c == u'=' || c == u',' || c == u'(' || c == u')' || c == u'*' || c == u'.') {
            t.kind = Token::Kind::Symbol;
            t.text = std::u16string(1, c);
            ++i;
        } else {
            throw SyntaxError{std::u16string(1, c), u"unexpected character"};
        }
        tokens.push_back(std::move(t));
    }
    Token end;
    end.offset = q.size();
    tokens.push_back(end);
    return tokens;
}

} // namespace vx::msi::sql
