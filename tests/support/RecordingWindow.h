// A main window for code that reaches it through WindowServices: it records
// the progress dialogs, steps, repaint requests and timer starts asked of it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/WindowServices.h"

class RecordingWindow : public WindowServices {
public:
    void createProgressDialog(int minimum, int maximum, const std::string& label) override {
        dialogs.push_back({label, minimum, maximum});
    }
    void stepProgress(int value) override { steps.push_back(value); }
    void requestRepaint() override { ++repaints; }
    void makeBackground(const Image&) override {}
    void startShapeFinderTimer(int) override {}
    void stopShapeFinderTimer() override {}
    void startTimers(double refreshMs, double stopMs) override {
        timers.emplace_back(refreshMs, stopMs);
    }

    struct Dialog {
        std::string label;
        int minimum, maximum;
    };
    std::vector<Dialog> dialogs;
    std::vector<int> steps;
    // Refresh interval and stop delay of every start, in order.
    std::vector<std::pair<double, double>> timers;
    int repaints = 0;
};
