// Scratch working folder for batch-job tests: ./data links to the sample HPRD
// files (unless a test wants it missing), each test has job inputs of its own,
// and the experiment store is reset around each test.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "app/Batch.h"
#include "app/CommandLine.h"

class BatchFixture : public testing::Test {
protected:
    static std::filesystem::path source(const std::string& relative) {
        return std::filesystem::path(CORVIDANE_SOURCE_DIR) / relative;
    }
    static std::string sample(const std::string& name) {
        return source("samples/" + name).string();
    }

    void SetUp() override {
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 ("corvidane_batch_" + std::to_string(::getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::create_directory_symlink(source("data"), folder / "data");
        std::filesystem::current_path(folder);
    }

    void TearDown() override {
        batchCleanup();
        std::filesystem::current_path(previous);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // The sample job: egfr.pth, both experiments, batch.cfg, output under the folder.
    void sampleJob(const std::string& output) {
        batchCleanup();
        inputs.pathwayPath = sample("egfr.pth");
        inputs.outputPath = (folder / output).string();
        inputs.experimentFiles = {sample("egf_5min.txt"), sample("egf_30min.txt")};
        ASSERT_TRUE(readConfigurationFile(sample("batch.cfg"), inputs.configuration));
    }

    // runBatch with its trace captured; the captured text goes to `out`.
    int runQuietly(std::string* out = nullptr) {
        testing::internal::CaptureStdout();
        const int code = runBatch(inputs);
        const std::string text = testing::internal::GetCapturedStdout();
        if (out != nullptr) {
            *out = text;
        }
        return code;
    }

    std::filesystem::path previous;
    std::filesystem::path folder;
    BatchInputs inputs;
};
