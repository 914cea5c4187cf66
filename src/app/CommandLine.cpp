// Argument parsing, the -c file syntax and the usage text of batch mode.
#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "engine/TextInput.h"
#include "model/HeatmapSeries.h"
#include "model/TextFile.h"

namespace {

bool beginsWithDash(const char* argument) {
    return argument[0] == '-';
}

// The format messages carry no line end: the usage text follows them directly.
void badFormat(const std::string& detail) {
    std::printf("Bad configuration file format.\n%s", detail.c_str());
    std::fflush(stdout);
}

std::string describeError(const Token& token) {
    return token.text + " (line " + std::to_string(token.line) + ", column " +
           std::to_string(token.column) + ")";
}

bool isSymbol(const Token& token, const char* text) {
    return token.type == Token::Type::Symbol && token.text == text;
}

}  // namespace

bool readConfigurationFile(const std::string& path, Table<std::string, std::string>& table) {
    table.clear();
    std::string error;
    // A FIFO or a device would block the tokenizer or never end.
    std::error_code status;
    if (std::filesystem::exists(path, status) && !isRegularFile(path, &error)) {
        std::fprintf(stderr, "corvidane: cannot read configuration file '%s': %s\n", path.c_str(),
                     error.c_str());
        return false;
    }
    std::optional<TextInput> input = TextInput::fromFile(path, &error);
    if (!input) {
        std::fprintf(stderr, "corvidane: cannot read configuration file '%s': %s\n", path.c_str(),
                     error.c_str());
        return false;
    }
    while (input->hasMore()) {
        Token key = input->read();
        if (key.type == Token::Type::Error) {
            badFormat(describeError(key));
            return false;
        }
        if (key.type != Token::Type::Symbol) {
            badFormat("Expected a key but given '" + key.text + "'");
            return false;
        }
        Token equals = input->read();
        if (equals.type == Token::Type::Error) {
            badFormat(describeError(equals));
            return false;
        }
        if (!isSymbol(equals, "=")) {
            badFormat("Expected '=' but given '" + equals.text + "'");
            return false;
        }
        Token value = input->read();
        if (value.type == Token::Type::Error) {
            badFormat(describeError(value));
            return false;
        }
        std::string text;
        if (!isSymbol(value, ";")) {
            text = value.text;
            Token end = input->peek();
            if (end.type == Token::Type::Error) {
                badFormat(describeError(end));
                return false;
            }
            if (isSymbol(end, ";")) {
                input->read();
            } else {
                // A missing ";" is forgiven: the entry is still stored, and the
                // token is left for the next entry, whose key it likely is.
                badFormat("Expected ';' but given '" + end.text + "'");
            }
        }
        table[key.text] = text;
    }
    return true;
}

bool parseArguments(int argc, const char* const* argv, BatchInputs& inputs) {
    inputs = BatchInputs{};
    if (argc < 2) {
        return false;
    }
    bool seenP = false, seenO = false, seenE = false, seenC = false;
    int i = 1;
    while (i < argc) {
        const char* argument = argv[i];
        if (!beginsWithDash(argument)) {
            return false;
        }
        if (i + 1 >= argc) {
            return false;
        }
        // Only the letter counts: "-pathway" is -p.
        switch (argument[1]) {
            case 'p':
                inputs.pathwayPath = argv[i + 1];
                seenP = true;
                i += 2;
                break;
            case 'o':
                inputs.outputPath = argv[i + 1];
                seenO = true;
                i += 2;
                break;
            case 'e': {
                // A repeated -e adds its files; an -e without any is a mistake,
                // not a request for no experiments.
                int next = i + 1;
                while (next < argc && !beginsWithDash(argv[next])) {
                    inputs.experimentFiles.push_back(argv[next]);
                    ++next;
                }
                if (next == i + 1) {
                    return false;
                }
                seenE = true;
                i = next;
                break;
            }
            case 'c':
                if (!readConfigurationFile(argv[i + 1], inputs.configuration)) {
                    return false;
                }
                seenC = true;
                i += 2;
                break;
            default:
                std::printf("Unrecognized argument given: %s", argument);
                std::fflush(stdout);
                return false;
        }
    }
    return seenP && seenO && seenE && seenC;
}

void printUsage() {
    std::printf(
        "Usage: corvidane [args]\n"
        "where all or none of the following args must be specified:\n"
        "     -p <pathway_file>    the pathway file to be updated\n"
        "     -o <output_file>     the pathway file to be generated\n"
        "     -e <experiment_file1> [<experiment_file2> ...]\n"
        "                          the experiment file or files to be processed and added to "
        "the pathway\n"
        "     -c <config_file>     the configuration file specifying user settings (e.g. protein "
        "network filters, levels, etc.)\n");
    std::fflush(stdout);
}

void batchCleanup() {
    destroyExperimentCache();
}
