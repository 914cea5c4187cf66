// A main window in a scratch working folder, with scripted dialogs.
#pragma once

#include <memory>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "ScriptedDialogs.h"
#include "app/App.h"
#include "ui/MyQTWindow.h"

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        window = std::make_unique<MyQTWindow>(20, 20, 1000, 800, std::move(scripted));
    }
    void TearDown() override {
        window.reset();
        QCoreApplication::processEvents();
    }

    App& app() { return *window->app(); }

    ScratchWorkingFolder folder;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<MyQTWindow> window;
};
