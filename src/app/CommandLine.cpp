// Argument parsing and the usage text of batch mode.
#include "app/CommandLine.h"

#include <cstdio>
#include <cstring>

#include "model/HeatmapSeries.h"

namespace {

bool beginsWithDash(const char* argument) {
    return argument[0] == '-';
}

}  // namespace

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
                // A repeated -e adds its files; one directly followed by another
                // option asks for no experiments (a job that only refreshes the network).
                int next = i + 1;
                while (next < argc && !beginsWithDash(argv[next])) {
                    inputs.experimentFiles.push_back(argv[next]);
                    ++next;
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
