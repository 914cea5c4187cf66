// The two key-value files of the program, both read with the engine's tokenizer:
// config.txt of the window, whose entries are quoted "key=value" strings, and
// the batch job's -c file, whose entries are key = value; statements.
#pragma once

#include <string>

#include "engine/Table.h"

// Reads "key=value" quoted strings into `table` (emptied first); a later key
// replaces an earlier one and an entry without "=" has an empty value. A
// missing file reads as empty and answers true. False, after a message on
// stderr, when the file cannot be read, an entry is not a quoted string or the
// text cannot be tokenised; the entries before the fault are kept.
bool readConfigFile(const std::string& fileName, Table<std::string, std::string>& table);

// Reads a -c file into `table` (emptied first); false, after a message, when
// the file cannot be read or is malformed.
[[nodiscard]] bool readConfigurationFile(const std::string& path,
                                         Table<std::string, std::string>& table);
