// Writes synthetic PROTEIN_NOMENCLATURE.txt and PROTEIN_INTERACTIONS.txt at full
// HPRD scale into a folder, deterministically from a seed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "HprdGenerator.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: corvidane_gen_hprd <folder> [--seed N] [--proteins N] "
                 "[--interactions N] [--hubs N]\n");
    return 2;
}

bool readCount(const char* text, long long minimum, long long maximum, long long& out) {
    char* end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || value < minimum || value > maximum) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        return usage();
    }
    HprdGeneratorOptions options;
    for (int i = 2; i < argc; i += 2) {
        const std::string flag = argv[i];
        long long value = 0;
        if (i + 1 >= argc) {
            return usage();
        }
        if (flag == "--seed" && readCount(argv[i + 1], 0, 0x7fffffffffffffffll, value)) {
            options.seed = static_cast<std::uint64_t>(value);
        } else if (flag == "--proteins" && readCount(argv[i + 1], 2, 99999, value)) {
            options.proteins = static_cast<int>(value);
        } else if (flag == "--interactions" && readCount(argv[i + 1], 0, 10000000, value)) {
            options.usableInteractions = static_cast<int>(value);
        } else if (flag == "--hubs" && readCount(argv[i + 1], 0, 10000, value)) {
            options.hubs = static_cast<int>(value);
        } else {
            return usage();
        }
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::string error;
    if (!writeSyntheticHprd((folder / "PROTEIN_NOMENCLATURE.txt").string(),
                            (folder / "PROTEIN_INTERACTIONS.txt").string(), options, &error)) {
        std::fprintf(stderr, "corvidane_gen_hprd: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
