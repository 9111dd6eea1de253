#include "platform/msi/sql/parser.h"

#include "platform/msi/sql/lexer.h"
#include "platform/sys/wide_string.h"

#include <array>

namespace vx::msi::sql {
namespace {

constexpr std::array<std::u16string_view, 13> kKeywords = {
    u"SELECT", u"FROM", u"WHERE", u"ORDER", u"BY",     u"AND",   u"OR",
    u"IS",     u"NOT",  u"NULL",  u"DISTINCT", u"INSERT", u"UPDATE"};

bool IsKeyword(const Token& t, std::u16string_view keyword) {
    return t.kind == Token::Kind::Word && EqualsIgnoreAsciiCase(t.text, keyword);
}

bool IsReserved(const Token& t) {
    if (t.kind != Token::Kind::Word) {
        return false;
    }
    for (auto k : kKeywords) {
        if (EqualsIgnoreAsciiCase(t.text, k)) {
            return true;
        }
    }
    return false;
}

class Parser {
public:
    explicit Parser(std::u16string_view query) : m_tokens(Tokenize(query)) {}

    SelectStatement Parse() {
        SelectStatement s;
        Expect(u"SELECT");
        if (IsKeyword(Peek(), u"DISTINCT")) {
            Fail(u"DISTINCT is not supported");
        }
        if (IsSymbol(Peek(), u"*")) {
            Next();
            s.allColumns = true;
        } else {
            s.columns.push_back(ColumnName());
            while (IsSymbol(Peek(), u",")) {
                Next();
                s.columns.push_back(ColumnName());
            }
        }
        Expect(u"FROM");
        s.table = Identifier();
        m_table = s.table;
        if (IsSymbol(Peek(), u",")) {
            Fail(u"a query reads one table");
        }
        if (IsKeyword(Peek(), u"WHERE")) {
            Next();
            s.where = Disjunction();
        }
        if (IsKeyword(Peek(), u"ORDER")) {
            Next();
            Expect(u"BY");
            s.orderBy.push_back(ColumnName());
            while (IsSymbol(Peek(), u",")) {
                Next();
                s.orderBy.push_back(ColumnName());
            }
        }
        if (Peek().kind != Token::Kind::End) {
            Fail(u"unexpected text after the query");
        }
        // Columns named before FROM may carry the qualifier of the table that follows.
        for (auto& c : s.columns) {
            c = Unqualified(c);
        }
        s.parameterCount = m_parameters;
        return s;
    }

private:
    const Token& Peek() const { return m_tokens[m_pos]; }
    const Token& Next() {
        const Token& t = m_tokens[m_pos];
        if (t.kind != Token::Kind::End) {
            ++m_pos;
        }
        return t;
    }
    static bool IsSymbol(const Token& t, std::u16string_view s) {
        return t.kind == Token::Kind::Symbol && t.text == s;
    }
    [[noreturn]] void Fail(std::u16string reason) const {
        throw SyntaxError{Peek().text, std::move(reason)};
    }
    void Expect(std::u16string_view keyword) {
        if (!IsKeyword(Peek(), keyword)) {
            Fail(u"expected " + std::u16string(keyword));
        }
        Next();
    }

    std::u16string Identifier() {
        const Token& t = Peek();
        if (t.kind == Token::Kind::QuotedIdentifier) {
            if (t.text.empty()) {
                Fail(u"empty identifier");
            }
            Next();
            return t.text;
        }
        if (t.kind != Token::Kind::Word || IsReserved(t)) {
            Fail(u"expected a name");
        }
        if (t.text.find(u'.') != std::u16string::npos) {
            Fail(u"unexpected qualified name");
        }
        Next();
        return t.text;
    }

    // A column, possibly written Table.Column (plain or with backquoted parts). Returns the
    // qualified text "Table.Column" for the caller to check, or the bare name.
    std::u16string ColumnName() {
        const Token& t = Peek();
        if (t.kind == Token::Kind::Word && !IsReserved(t)) {
            Next();
            return t.text; // may hold one '.'
        }
        std::u16string first = Identifier();
        if (IsSymbol(Peek(), u".")) {
            Next();
            return first + u"." + Identifier();
        }
        return first;
    }

    std::u16string Unqualified(const std::u16string& name) const {
        const size_t dot = name.find(u'.');
        if (dot == std::u16string::npos) {
            return name;
        }
        const std::u16string table = name.substr(0, dot);
        const std::u16string column = name.substr(dot + 1);
        if (table != m_table || column.empty() || column.find(u'.') != std::u16string::npos) {
            throw SyntaxError{name, u"column qualified by another table"};
        }
        return column;
    }

    std::unique_ptr<Condition> Disjunction() {
        auto left = Conjunction();
        while (IsKeyword(Peek(), u"OR")) {
            Next();
            auto node = std::make_unique<Condition>();
            node->kind = Condition::Kind::Or;
            node->first = std::move(left);
            node->second = Conjunction();
            left = std::move(node);
        }
        return left;
    }

    std::unique_ptr<Condition> Conjunction() {
        auto left = Primary();
        while (IsKeyword(Peek(), u"AND")) {
            Next();
            auto node = std::make_unique<Condition>();
            node->kind = Condition::Kind::And;
            node->first = std::move(left);
            node->second = Primary();
            left = std::move(node);
        }
        return left;
    }

    std::unique_ptr<Condition> Primary() {
        if (IsSymbol(Peek(), u"(")) {
            if (++m_depth > kMaximumComparisons) {
                Fail(u"too deeply nested");
            }
            Next();
            auto inner = Disjunction();
            if (!IsSymbol(Peek(), u")")) {
                Fail(u"expected )");
            }
            Next();
            --m_depth;
            return inner;
        }
        if (++m_comparisons > kMaximumComparisons) {
            Fail(u"more than 32 comparisons");
        }
        auto node = std::make_unique<Condition>();
        node->left = Value();
        if (IsKeyword(Peek(), u"IS")) {
            Next();
            node->op = CompareOp::IsNull;
            if (IsKeyword(Peek(), u"NOT")) {
                Next();
                node->op = CompareOp::IsNotNull;
            }
            Expect(u"NULL");
            if (node->left.kind != Operand::Kind::Column) {
                Fail(u"IS NULL tests a column");
            }
            return node;
        }
        node->op = Operator();
        node->right = Value();
        if (node->left.kind != Operand::Kind::Column) {
            if (node->right.kind != Operand::Kind::Column) {
                Fail(u"a comparison needs a column");
            }
            std::swap(node->left, node->right);
            node->op = Mirrored(node->op);
        }
        return node;
    }

    CompareOp Operator() {
        const Token& t = Peek();
        if (t.kind == Token::Kind::Symbol) {
            static constexpr std::pair<std::u16string_view, CompareOp> kOps[] = {
                {u"=", CompareOp::Equal},       {u"<>", CompareOp::NotEqual},
                {u"<", CompareOp::Less},        {u">", CompareOp::Greater},
                {u"<=", CompareOp::LessEqual},  {u">=", CompareOp::GreaterEqual}};
            for (const auto& [text, op] : kOps) {
                if (t.text == text) {
                    Next();
                    return op;
                }
            }
        }
        Fail(u"expected a comparison operator");
    }

    static CompareOp Mirrored(CompareOp op) {
        switch (op) {
        case CompareOp::Less:
            return CompareOp::Greater;
        case CompareOp::Greater:
            return CompareOp::Less;
        case CompareOp::LessEqual:
            return CompareOp::GreaterEqual;
        case CompareOp::GreaterEqual:
            return CompareOp::LessEqual;
        default:
            return op;
        }
    }

    Operand Value() {
        const Token& t = Peek();
        Operand o;
        switch (t.kind) {
        case Token::Kind::Text:
            o.kind = Operand::Kind::Text;
            o.text = t.text;
            Next();
            return o;
        case Token::Kind::Integer:
            if (t.integer < INT32_MIN || t.integer > INT32_MAX) {
                Fail(u"integer out of range");
            }
            o.kind = Operand::Kind::Integer;
            o.integer = static_cast<int32_t>(t.integer);
            Next();
            return o;
        case Token::Kind::Parameter:
            o.kind = Operand::Kind::Parameter;
            o.parameter = ++m_parameters;
            Next();
            return o;
        default:
            o.kind = Operand::Kind::Column;
            o.text = Unqualified(ColumnName());
            return o;
        }
    }

    std::vector<Token> m_tokens;
    size_t m_pos = 0;
    std::u16string m_table;
    uint32_t m_parameters = 0;
    uint32_t m_comparisons = 0;
    uint32_t m_depth = 0;
};

} // namespace

SelectStatement ParseSelect(std::u16string_view query) { return Parser(query).Parse(); }

} // namespace vx::msi::sql
