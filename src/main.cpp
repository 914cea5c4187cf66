// Process entry: batch mode with arguments, window mode without.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    std::printf("entering app\n");
    std::fflush(stdout);
    if (argc > 1) {
        std::fprintf(stderr, "corvidane: batch mode is not built yet\n");
        return 1;
    }
    std::fprintf(stderr, "corvidane: window mode is not built yet\n");
    return 1;
}
