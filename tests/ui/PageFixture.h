// What a page is built with, without the main window: a scene core in a
// scratch working folder, scripted dialogs and a window that records what
// the page asks of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "ScriptedDialogs.h"
#include "app/App.h"
#include "model/WindowServices.h"
#include "ui/PageContext.h"

class RecordingWindow : public WindowServices {
public:
    int repaints = 0;
    // Refresh interval and stop delay of every start, in order.
    std::vector<std::pair<double, double>> timerStarts;

    void createProgressDialog(int, int, const std::string&) override {}
    void stepProgress(int) override {}
    void requestRepaint() override { ++repaints; }
    void makeBackground(const Image&) override {}
    void startShapeFinderTimer(int) override {}
    void stopShapeFinderTimer() override {}
    void startTimers(double refreshMs, double stopMs) override {
        timerStarts.emplace_back(refreshMs, stopMs);
    }
};

class PageTest : public testing::Test {
protected:
    PageTest() {
        core.mainWindow = &services;
        core.init();
    }
    void TearDown() override { QCoreApplication::processEvents(); }

    App& app() { return core; }

    ScratchWorkingFolder folder;
    ScriptedDialogs scripted;
    ScriptedDialogs* dialogs = &scripted;
    RecordingWindow services;
    App core;
    PageContext context{core, scripted, services};
};
