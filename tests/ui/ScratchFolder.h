// A scratch working folder for one test, with the textures and data the
// scene core reads linked from the source tree.
#pragma once

#include <filesystem>
#include <string>

#include <unistd.h>

class ScratchWorkingFolder {
public:
    ScratchWorkingFolder() {
        namespace fs = std::filesystem;
        previous_ = fs::current_path();
        path_ = fs::temp_directory_path() /
                ("corvidane-ui-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
        fs::remove_all(path_);
        fs::create_directories(path_);
        const fs::path source = CORVIDANE_SOURCE_DIR;
        fs::create_directory_symlink(source / "resources" / "textures", path_ / "textures");
        fs::create_directory_symlink(source / "data", path_ / "data");
        fs::current_path(path_);
    }
    ~ScratchWorkingFolder() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    static int& counter() {
        static int value = 0;
        return value;
    }
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
