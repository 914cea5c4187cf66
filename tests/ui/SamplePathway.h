// The sample pathway built by the batch job (HPRD sample data, both sample
// experiments) once per test program in a scratch folder, and a window fixture
// that opens a copy of it in its own working folder.
#pragma once

#include <filesystem>
#include <string>

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/App.h"
#include "app/Batch.h"
#include "app/CommandLine.h"
#include "pathway/PathwayLayoutEntity.h"
#include "WindowFixture.h"

namespace sample_pathway {

namespace fs = std::filesystem;

// Removes the build folder when the test program ends.
struct BuildFolder {
    fs::path path;
    ~BuildFolder() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
};

// The folder holding "egfr_built.pth" and its side files; empty on failure.
inline const fs::path& buildFolder() {
    static BuildFolder folder = [] {
        BuildFolder made;
        const fs::path source = CORVIDANE_SOURCE_DIR;
        made.path = fs::temp_directory_path() / ("corvidane-ui-built-" + std::to_string(::getpid()));
        fs::remove_all(made.path);
        fs::create_directories(made.path / "out");
        fs::create_directory_symlink(source / "data", made.path / "data");
        const fs::path previous = fs::current_path();
        fs::current_path(made.path);
        commandLine = CommandLineState{};
        commandLine.pathwayPath = (source / "samples" / "egfr.pth").string();
        commandLine.outputPath = (made.path / "out" / "egfr_built.pth").string();
        commandLine.experimentFiles = {(source / "samples" / "egf_5min.txt").string(),
                                       (source / "samples" / "egf_30min.txt").string()};
        bool ok = readConfigurationFile((source / "samples" / "batch.cfg").string(),
                                        commandLine.configuration);
        testing::internal::CaptureStdout();
        ok = ok && runBatch() == batchSucceeded;
        testing::internal::GetCapturedStdout();
        batchCleanup();
        commandLine = CommandLineState{};
        fs::current_path(previous);
        if (!ok) made.path.clear();
        return made;
    }();
    static const fs::path out = folder.path.empty() ? fs::path() : folder.path / "out";
    return out;
}

}  // namespace sample_pathway

// A window whose App has the built sample pathway open (as the File tab leaves
// it before the Analyze tab assembles its pages).
class SamplePathwayTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const auto& built = sample_pathway::buildFolder();
        ASSERT_FALSE(built.empty()) << "the batch job could not build the sample pathway";
        for (const auto& file : std::filesystem::directory_iterator(built)) {
            std::filesystem::copy(file.path(), folder.path() / file.path().filename());
        }
        testing::internal::CaptureStdout();
        const bool loaded = app().loadPathway("egfr_built.pth");
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded);
        ASSERT_NE(pathway(), nullptr);
    }

    App& app() { return *window->app(); }
    PathwayLayoutEntity* pathway() { return app().pathway.get(); }
};
