// The batch command line: the job's inputs made from the arguments and the -c
// configuration file, and the usage text.
#pragma once

#include <string>

#include "app/Batch.h"
#include "app/ConfigurationFile.h"
#include "engine/Table.h"

// Fills `inputs` afresh; true only when -p, -o, -e and -c were all given and the
// configuration file was read. Prints the message of a wrong option letter or of a
// malformed configuration file; the caller prints the usage text on false.
[[nodiscard]] bool parseArguments(int argc, const char* const* argv, BatchInputs& inputs);
void printUsage();
// Frees the experiment store the batch job filled.
void batchCleanup();
