// Tokenizer for the configuration files: symbols, numbers kept as written,
// quoted strings with escapes resolved, comments skipped. Malformed input gives
// an Error token; nothing here throws.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct Token {
    enum class Type { Symbol, Number, String, End, Error };
    Type type = Type::End;
    std::string text;
    int line = 1;
    int column = 1;
};

class TextInput {
public:
    static TextInput fromString(std::string text);
    // nullopt, with the reason in *error (when given), when the file cannot be read.
    static std::optional<TextInput> fromFile(const std::string& path, std::string* error);

    // A token other than End remains; an Error token counts as remaining.
    bool hasMore();
    // End once the input is used up; after an Error only End follows.
    Token read();
    Token peek();

private:
    explicit TextInput(std::string text);

    Token scan();
    bool skipSpaceAndComments(Token* error);
    Token scanNumber(int line, int column, bool withSign);
    Token scanString(int line, int column);
    Token scanSymbol(int line, int column);

    char at(std::size_t offset = 0) const;
    char advance();
    bool numberMayStartHere() const;
    bool signMayStartNumber() const;

    std::string text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    bool failed_ = false;
    std::optional<Token> peeked_;
    // What came before decides whether "-1" is a signed number or minus one.
    Token::Type previousType_ = Token::Type::End;
    std::string previousText_;
};
