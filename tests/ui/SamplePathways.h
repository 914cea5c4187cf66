// Pathway files for window tests: the sample batch job's output (a built
// network with experiments), made once per test program, and the unbuilt
// sample it starts from; both copied into the test's own folder.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "app/Batch.h"
#include "app/CommandLine.h"

namespace samplepathways {

inline std::filesystem::path sourceFile(const std::string& relative) {
    return std::filesystem::path(CORVIDANE_SOURCE_DIR) / relative;
}

// Copies every file of `from` into `to`; answers the copy of `name` there.
inline std::filesystem::path copyFolder(const std::filesystem::path& from,
                                        const std::filesystem::path& to, const std::string& name) {
    namespace fs = std::filesystem;
    for (const fs::directory_entry& entry : fs::directory_iterator(from)) {
        fs::copy_file(entry.path(), to / entry.path().filename(),
                      fs::copy_options::overwrite_existing);
    }
    return to / name;
}

// The folder holding the batch job's output; empty when the job failed. The
// job reads ./data, so the first call must run in a folder that has it.
inline const std::filesystem::path& builtFolder() {
    namespace fs = std::filesystem;
    struct Built {
        fs::path folder;
        Built() {
            const fs::path out =
                fs::temp_directory_path() / ("corvidane-ui-batch-" + std::to_string(::getpid()));
            fs::remove_all(out);
            fs::create_directories(out);
            BatchInputs inputs;
            inputs.pathwayPath = sourceFile("samples/egfr.pth").string();
            inputs.outputPath = (out / "egfr_updated.pth").string();
            inputs.experimentFiles = {sourceFile("samples/egf_5min.txt").string(),
                                      sourceFile("samples/egf_30min.txt").string()};
            bool ok = readConfigurationFile(sourceFile("samples/batch.cfg").string(),
                                            inputs.configuration);
            testing::internal::CaptureStdout();
            ok = ok && runBatch(inputs) == batchSucceeded;
            testing::internal::GetCapturedStdout();
            batchCleanup();
            if (ok) {
                folder = out;
            } else {
                fs::remove_all(out);
            }
        }
        ~Built() {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    };
    static const Built built;
    return built.folder;
}

// A built pathway with its .cache and picture in `folder`; empty on failure.
inline std::filesystem::path copyBuilt(const std::filesystem::path& folder) {
    const std::filesystem::path& from = builtFolder();
    return from.empty() ? from : copyFolder(from, folder, "egfr_updated.pth");
}

// The unbuilt sample pathway with its picture in `folder`.
inline std::filesystem::path copyUnbuilt(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    fs::copy_file(sourceFile("samples/egfr_background.png"), folder / "egfr_background.png",
                  fs::copy_options::overwrite_existing);
    fs::copy_file(sourceFile("samples/egfr.pth"), folder / "egfr.pth",
                  fs::copy_options::overwrite_existing);
    return folder / "egfr.pth";
}

}  // namespace samplepathways
