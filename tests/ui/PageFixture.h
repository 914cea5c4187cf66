// What a page is built with, without the main window: a scene core in a
// scratch working folder, scripted dialogs (or Qt's own, for a test that
// answers them with keys) and a window that records what the page asks of it.
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
#include "ui/QtDialogs.h"

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
    explicit PageTest(bool realDialogs = false)
        : dialogs(realDialogs ? nullptr : &scripted),
          context{core, realDialogs ? static_cast<Dialogs&>(qtDialogs) : scripted, services} {
        core.setMainWindow(&services);
        core.init();
    }
    void TearDown() override { QCoreApplication::processEvents(); }

    App& app() { return core; }

    ScratchWorkingFolder folder;
    ScriptedDialogs scripted;
    QtDialogs qtDialogs;
    // Null when the page opens Qt's dialogs.
    ScriptedDialogs* dialogs;
    RecordingWindow services;
    App core;
    PageContext context;
};
