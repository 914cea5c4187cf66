// Scratch files and small loaders shared by the HPRD source tests.
#pragma once

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "datasources/HPRDDataSource.h"
#include "model/WindowServices.h"

namespace hprdtest {

class ScratchDir {
public:
    ScratchDir() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("hprd_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() { std::filesystem::remove_all(path_); }
    std::string write(const std::string& name, const std::string& text) const {
        const std::string file = (path_ / name).string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// One interaction row in the eight-field layout.
inline std::string row(const std::string& a, const std::string& b,
                       const std::string& type = "in vivo",
                       const std::string& pubmeds = "1000001") {
    return "x\t" + a + "\tA\tRA\t" + b + "\tRB\t" + type + "\t" + pubmeds + "\n";
}

inline std::unique_ptr<HPRDDataSource> load(const ScratchDir& dir, const std::string& nomenclature,
                                            const std::string& interactions,
                                            WindowServices* progress = nullptr) {
    const std::string n = dir.write("nomenclature.txt", nomenclature);
    const std::string i = dir.write("interactions.txt", interactions);
    testing::internal::CaptureStdout();
    auto source = std::make_unique<HPRDDataSource>(n, i, "", progress);
    testing::internal::GetCapturedStdout();
    return source;
}

}  // namespace hprdtest
