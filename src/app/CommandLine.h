// The batch command line: what the arguments and the -c configuration file ask
// for, kept program-wide for the batch job, and the usage text.
#pragma once

#include <string>

#include "engine/Table.h"

struct CommandLineState {
    // Files after -e, in command-line order.
    Array<std::string> experimentFiles;
    // Entries of the -c file; a later entry with the same key replaces the earlier one.
    Table<std::string, std::string> configuration;
    std::string outputPath;   // -o
    std::string pathwayPath;  // -p
};

extern CommandLineState commandLine;

// Fills `commandLine`; true only when -p, -o, -e and -c were all given and the
// configuration file was read. Prints the message of a wrong option letter or of a
// malformed configuration file; the caller prints the usage text on false.
[[nodiscard]] bool parseArguments(int argc, const char* const* argv);
// Reads a configuration file into `table` (cleared first); false, after a message,
// when the file cannot be read or is malformed.
[[nodiscard]] bool readConfigurationFile(const std::string& path,
                                         Table<std::string, std::string>& table);
void printUsage();
// Frees the experiment file list and the experiment store of the batch job.
void batchCleanup();
