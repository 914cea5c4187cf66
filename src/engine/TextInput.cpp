// Tokenizer for the configuration files.
#include "engine/TextInput.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <utility>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// Bytes of multi-byte UTF-8 characters stay inside the word they belong to.
bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}
bool isIdentifierChar(char c) {
    return isIdentifierStart(c) || isDigit(c);
}
// Control characters (a DOS end-of-file mark, stray NULs) are treated as blanks.
bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f;
}

constexpr std::array<std::string_view, 16> kOperators = {
    "==", "!=", "<=", ">=", "&&", "||", "->", "::", "++", "--", "+=", "-=", "*=", "/=", "<<", ">>"};

std::string where(int line, int column) {
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

TextInput::TextInput(std::string text) : text_(std::move(text)) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        pos_ = 3;
    }
}

TextInput TextInput::fromString(std::string text) {
    return TextInput(std::move(text));
}

std::optional<TextInput> TextInput::fromFile(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::optional<TextInput> {
        if (error) {
            *error = "Cannot read '" + path + "': " + reason;
        }
        return std::nullopt;
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return fail("it is a folder");
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return fail(errno != 0 ? std::strerror(errno) : "cannot open");
    }
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) {
        return fail("read error");
    }
    return TextInput(std::move(content).str());
}

char TextInput::at(std::size_t offset) const {
    return pos_ + offset < text_.size() ? text_[pos_ + offset] : '\0';
}

char TextInput::advance() {
    char c = text_[pos_++];
    if (c == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    return c;
}

bool TextInput::hasMore() {
    return peek().type != Token::Type::End;
}

Token TextInput::peek() {
    if (!peeked_) {
        peeked_ = scan();
    }
    return *peeked_;
}

Token TextInput::read() {
    Token t = peek();
    peeked_.reset();
    return t;
}

bool TextInput::skipSpaceAndComments(Token* error) {
    while (pos_ < text_.size()) {
        char c = at();
        if (isBlank(c)) {
            advance();
        } else if (c == '/' && at(1) == '/') {
            while (pos_ < text_.size() && at() != '\n') {
                advance();
            }
        } else if (c == '/' && at(1) == '*') {
            int line = line_, column = column_;
            advance();
            advance();
            while (pos_ < text_.size() && !(at() == '*' && at(1) == '/')) {
                advance();
            }
            if (pos_ >= text_.size()) {
                *error = {Token::Type::Error,
                          "Unterminated comment starting at " + where(line, column), line, column};
                return false;
            }
            advance();
            advance();
        } else {
            break;
        }
    }
    return true;
}

bool TextInput::signMayStartNumber() const {
    switch (previousType_) {
        case Token::Type::Number:
        case Token::Type::String:
            return false;
        case Token::Type::Symbol:
            if (!previousText_.empty() && isIdentifierStart(previousText_[0])) {
                return false;
            }
            return previousText_ != ")" && previousText_ != "]" && previousText_ != "}";
        default:
            return true;
    }
}

bool TextInput::numberMayStartHere() const {
    return isDigit(at()) || (at() == '.' && isDigit(at(1)));
}

Token TextInput::scan() {
    if (failed_) {
        return {Token::Type::End, "", line_, column_};
    }
    Token error;
    if (!skipSpaceAndComments(&error)) {
        failed_ = true;
        return error;
    }
    int line = line_, column = column_;
    Token t;
    if (pos_ >= text_.size()) {
        return {Token::Type::End, "", line, column};
    }
    char c = at();
    if (c == '"' || c == '\'') {
        t = scanString(line, column);
    } else if (numberMayStartHere()) {
        t = scanNumber(line, column, false);
    } else if ((c == '-' || c == '+') && signMayStartNumber() &&
               (isDigit(at(1)) || (at(1) == '.' && isDigit(at(2))))) {
        t = scanNumber(line, column, true);
    } else {
        t = scanSymbol(line, column);
    }
    if (t.type == Token::Type::Error) {
        failed_ = true;
    }
    previousType_ = t.type;
    previousText_ = t.text;
    return t;
}

Token TextInput::scanNumber(int line, int column, bool withSign) {
    std::size_t start = pos_;
    if (withSign) {
        advance();
    }
    if (at() == '0' && (at(1) == 'x' || at(1) == 'X') && isHexDigit(at(2))) {
        advance();
        advance();
        while (isHexDigit(at())) {
            advance();
        }
    } else {
        while (isDigit(at())) {
            advance();
        }
        if (at() == '.') {
            advance();
            while (isDigit(at())) {
                advance();
            }
        }
        // An exponent only when digits follow, so "2e" stays a number and a word.
        if (at() == 'e' || at() == 'E') {
            std::size_t digitsAt = (at(1) == '+' || at(1) == '-') ? 2 : 1;
            if (isDigit(at(digitsAt))) {
                for (std::size_t i = 0; i < digitsAt; ++i) {
                    advance();
                }
                while (isDigit(at())) {
                    advance();
                }
            }
        }
    }
    return {Token::Type::Number, text_.substr(start, pos_ - start), line, column};
}

Token TextInput::scanString(int line, int column) {
    char quote = advance();
    std::string value;
    while (pos_ < text_.size()) {
        char c = advance();
        if (c == quote) {
            return {Token::Type::String, std::move(value), line, column};
        }
        if (c != '\\') {
            value += c;
            continue;
        }
        if (pos_ >= text_.size()) {
            break;
        }
        char e = advance();
        switch (e) {
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            case 'r':
                value += '\r';
                break;
            case 'a':
                value += '\a';
                break;
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'v':
                value += '\v';
                break;
            case 'x': {
                int code = 0, digits = 0;
                while (digits < 2 && isHexDigit(at())) {
                    char h = advance();
                    code = code * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
                    ++digits;
                }
                value += digits ? static_cast<char>(code) : 'x';
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int code = e - '0';
                    for (int i = 0; i < 2 && at() >= '0' && at() <= '7'; ++i) {
                        code = code * 8 + (advance() - '0');
                    }
                    value += static_cast<char>(code);
                } else {
                    // \\, \', \", \? and unknown escapes stand for the character itself.
                    value += e;
                }
        }
    }
    return {Token::Type::Error, "Unterminated string starting at " + where(line, column), line,
            column};
}

Token TextInput::scanSymbol(int line, int column) {
    std::size_t start = pos_;
    if (isIdentifierStart(at())) {
        while (isIdentifierChar(at())) {
            advance();
        }
        return {Token::Type::Symbol, text_.substr(start, pos_ - start), line, column};
    }
    if (pos_ + 1 < text_.size()) {
        std::string_view two(text_.data() + pos_, 2);
        for (std::string_view op : kOperators) {
            if (two == op) {
                advance();
                advance();
                return {Token::Type::Symbol, std::string(op), line, column};
            }
        }
    }
    advance();
    return {Token::Type::Symbol, text_.substr(start, 1), line, column};
}
