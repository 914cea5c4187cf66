// The batch job: updates a pathway from the command line, without any window,
// on the calling thread.
#pragma once

#include <string>

#include "engine/Table.h"

// Process exit codes of the batch job.
enum BatchExitCode : int {
    batchSucceeded = 0,
    // Bad arguments: an unreadable -p pathway or -e experiment file.
    batchBadInput = 1,
    // The data source failed, or the output pathway or its .cache file could
    // not be written.
    batchFailed = 2,
};

// What the keys of the -c file ask of the build.
struct BatchSettings {
    bool useString = false;
    std::string levels;
    std::string conf;
    std::string species;
    bool entire = true;
    int filterConnectivity = -1;
    int filterPaths = -1;
};

BatchSettings readBatchSettings(const Table<std::string, std::string>& configuration);
// A filter key as a whole number; absent, or reading as 0 without being exactly
// "0", gives -1 (off).
int readFilterKey(const Table<std::string, std::string>& configuration, const std::string& key);

// Runs the job described by the parsed command line (commandLine) and answers
// its exit code. Data files are read from ./data of the working directory.
int runBatch();
