// Readers of config.txt and of the batch job's -c file.
#include "app/ConfigurationFile.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "engine/TextInput.h"
#include "model/TextFile.h"

namespace {

// The tokens of a configuration file, or nothing with `why` set. Only a regular
// file is opened: a FIFO or a device would block the tokenizer or never end.
std::optional<TextInput> openConfiguration(const std::string& path, std::string& why) {
    std::error_code status;
    if (std::filesystem::exists(path, status) && !isRegularFile(path, &why)) {
        return std::nullopt;
    }
    return TextInput::fromFile(path, &why);
}

// The -c file's two format messages of its own syntax go to standard output
// without a line end: the usage text follows them directly.
void badFormat(const std::string& detail) {
    std::printf("Bad configuration file format.\n%s", detail.c_str());
    std::fflush(stdout);
}

// What else is wrong with a -c file is ours to say, on standard error.
void unreadable(const std::string& path, const Token& token, const std::string& detail) {
    std::fprintf(stderr, "corvidane: %s, line %d, column %d: %s\n", path.c_str(), token.line,
                 token.column, detail.c_str());
}

// The next token of a -c file (only looked at when `peek`); false, after a
// message, when the tokenizer could not read one.
bool nextToken(const std::string& path, TextInput& input, Token& token, bool peek = false) {
    token = peek ? input.peek() : input.read();
    if (token.type != Token::Type::Error) {
        return true;
    }
    unreadable(path, token, token.text);
    return false;
}

bool isSymbol(const Token& token, const char* text) {
    return token.type == Token::Type::Symbol && token.text == text;
}

}  // namespace

bool readConfigFile(const std::string& fileName, Table<std::string, std::string>& table) {
    table.clear();
    std::error_code ec;
    if (!std::filesystem::exists(fileName, ec)) {
        return true;
    }
    std::string error;
    std::optional<TextInput> input = openConfiguration(fileName, error);
    if (!input) {
        std::fprintf(stderr, "corvidane: cannot read %s: %s\n", fileName.c_str(), error.c_str());
        return false;
    }
    bool clean = true;
    while (input->hasMore()) {
        const Token token = input->read();
        if (token.type == Token::Type::Error) {
            std::fprintf(stderr, "corvidane: %s, line %d, column %d: %s; the rest is ignored\n",
                         fileName.c_str(), token.line, token.column, token.text.c_str());
            return false;
        }
        if (token.type != Token::Type::String) {
            std::fprintf(stderr,
                         "corvidane: %s, line %d, column %d: '%s' is not a quoted "
                         "key=value entry; skipped\n",
                         fileName.c_str(), token.line, token.column, token.text.c_str());
            clean = false;
            continue;
        }
        const std::size_t equals = token.text.find('=');
        if (equals == std::string::npos) {
            table[token.text] = "";
        } else {
            table[token.text.substr(0, equals)] = token.text.substr(equals + 1);
        }
    }
    return clean;
}

bool readConfigurationFile(const std::string& path, Table<std::string, std::string>& table) {
    table.clear();
    std::string error;
    std::optional<TextInput> input = openConfiguration(path, error);
    if (!input) {
        std::fprintf(stderr, "corvidane: cannot read configuration file '%s': %s\n", path.c_str(),
                     error.c_str());
        return false;
    }
    bool forgiven = false;
    while (input->hasMore()) {
        Token key, equals, value;
        if (!nextToken(path, *input, key)) {
            return false;
        }
        if (key.type != Token::Type::Symbol) {
            unreadable(path, key, "expected a key but given '" + key.text + "'");
            return false;
        }
        if (!nextToken(path, *input, equals)) {
            return false;
        }
        if (!isSymbol(equals, "=")) {
            badFormat("Expected '=' but given '" + equals.text + "'");
            return false;
        }
        if (!nextToken(path, *input, value)) {
            return false;
        }
        std::string text;
        if (!isSymbol(value, ";")) {
            text = value.text;
            Token end;
            if (!nextToken(path, *input, end, true)) {
                return false;
            }
            if (isSymbol(end, ";")) {
                input->read();
            } else {
                // A missing ";" is forgiven: the entry is still stored, and the
                // token is left for the next entry, whose key it likely is.
                badFormat("Expected ';' but given '" + end.text + "'");
                forgiven = true;
            }
        }
        table[key.text] = text;
    }
    if (forgiven) {
        // The job's trace follows on a line of its own.
        std::printf("\n");
        std::fflush(stdout);
    }
    return true;
}
