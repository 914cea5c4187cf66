// The pause between the start of exploring and the explore view: the pathway
// tilts away meanwhile, and when the time is up the App opens the view around
// the protein. Owned by the App's idle entity, which steps it.
#pragma once

#include <string>

#include "scene/Activity.h"

class App;

class LoadExploreMode : public Activity {
public:
    LoadExploreMode(std::string proteinId, App* app, double duration);
    ~LoadExploreMode() override;
    void update() override;

    // The view will not open (the pathway closed or exploring was left first).
    void cancel() { app = nullptr; }
    const std::string& protein() const { return proteinId; }

private:
    std::string proteinId;
    App* app;
};
