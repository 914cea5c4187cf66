// Process entry: batch mode with arguments, window mode without.
#include <cstdio>

#include <QApplication>
#include <QCoreApplication>

#include "app/Batch.h"
#include "app/CommandLine.h"
#include "model/Trace.h"
#include "ui/MyQTWindow.h"

int main(int argc, char** argv) {
    // Traces go to stdout in large blocks; the trace module writes them out at
    // least once a second and before anything goes to stderr.
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    trace("entering app\n");
    if (argc > 1) {
        BatchInputs inputs;
        if (!parseArguments(argc, argv, inputs)) {
            printUsage();
            return 1;
        }
        int code = 0;
        {
            // No window and no GUI; Qt finds its SQL drivers only with an
            // application object.
            QCoreApplication application(argc, argv);
            code = runBatch(inputs);
        }
        batchCleanup();
        return code;
    }
    QApplication application(argc, argv);
    MyQTWindow window(20, 20, 1000, 800);
    window.showMaximized();
    return application.exec();
}
