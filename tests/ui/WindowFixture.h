// A main window in a scratch working folder (textures, data and config.txt
// linked from the source tree), with scripted dialogs unless a test asks for
// Qt's own.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "ui/MyQTWindow.h"
#include "ScriptedDialogs.h"

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

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        if (realDialogs) {
            scripted.reset();
            dialogs = nullptr;
        }
        window = std::make_unique<MyQTWindow>(20, 20, 1000, 800, std::move(scripted));
    }
    void TearDown() override {
        window.reset();
        QCoreApplication::processEvents();
    }

    ScratchWorkingFolder folder;
    // Set by a test's constructor: the window opens Qt's dialogs.
    bool realDialogs = false;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<MyQTWindow> window;
};
