#pragma once
// Splits an installer SQL query into tokens.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx::msi::sql {

struct Token {
    enum class Kind { Word, QuotedIdentifier, Text, Integer, Symbol, Parameter, End };
    Kind kind = Kind::End;
    std::u16string text; // as written (without quotes for Text and QuotedIdentifier)
    int64_t integer = 0;
    size_t offset = 0;
};

// Throws SyntaxError (parser.h) for an unterminated literal or a character outside the language.
std::vector<Token> Tokenize(std::u16string_view query);

} // namespace vx::msi::sql
