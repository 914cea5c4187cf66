// The batch job: updates a pathway from the command line, without any window,
// on the calling thread.
#pragma once

#include <csignal>
#include <string>
#include <utility>

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

// What one job works on: the files of the command line and the entries of its
// -c file. The job reads nothing else of the command line.
struct BatchInputs {
    // Files after -e, in command-line order.
    Array<std::string> experimentFiles;
    // Entries of the -c file; a later entry with the same key replaces the earlier one.
    Table<std::string, std::string> configuration;
    std::string outputPath;   // -o
    std::string pathwayPath;  // -p
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

// Most interaction levels a build may ask for: each level multiplies the network.
constexpr int maxLevels = 10;
// Largest filter value taken; larger ones would only empty the network.
constexpr int maxFilterValue = 1000000;

// What the keys ask for, each bounded to its sane range; a value that is not
// understood or out of range is said on standard error with what is used instead.
BatchSettings readBatchSettings(const Table<std::string, std::string>& configuration);
// A filter key as a whole number of 0 to maxFilterValue; absent or empty gives
// -1 (off), as does any other text, which is reported.
int readFilterKey(const Table<std::string, std::string>& configuration, const std::string& key);

// A private folder beside the output where every file of the job is made; the
// outputs are replaced only once all of them are complete, and the folder goes
// with whatever it still holds when the job ends, also on SIGINT, SIGTERM or
// SIGHUP, whose handlers it holds while it lives.
class StagingFolder {
public:
    StagingFolder() = default;
    ~StagingFolder();
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;

    // Makes ".NAME.unfinished-XXXXXX" beside `outputPath`; false when it cannot.
    bool create(const std::string& outputPath);
    // The staged twin of an output file name.
    std::string at(const std::string& fileName) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    Array<std::pair<int, struct sigaction>> previousHandlers_;
};

// Runs the job `inputs` describe and answers its exit code. Data files are read
// from ./data of the working directory; the experiments go to the experiment store.
int runBatch(const BatchInputs& inputs);
