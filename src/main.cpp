// Process entry: batch mode with arguments, window mode without.
#include <cstdio>

#include <QCoreApplication>

#include "app/Batch.h"
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    // Traces go to stdout; line buffering keeps them when the process ends abruptly.
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
    std::printf("entering app\n");
    std::fflush(stdout);
    if (argc > 1) {
        if (!parseArguments(argc, argv)) {
            printUsage();
            return 1;
        }
        int code = 0;
        {
            // No window and no GUI; Qt finds its SQL drivers only with an
            // application object.
            QCoreApplication application(argc, argv);
            code = runBatch();
        }
        batchCleanup();
        return code;
    }
    std::fprintf(stderr, "corvidane: window mode is not built yet\n");
    return 1;
}
