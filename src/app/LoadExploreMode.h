// The pause between the start of exploring and the explore view: the pathway
// tilts away meanwhile, and when the time is up the App's explore mode opens
// the view around the protein. Owned by the App's idle entity, which steps it.
#pragma once

#include <string>

#include "scene/Activity.h"

class ExploreMode;

class LoadExploreMode : public Activity {
public:
    LoadExploreMode(std::string proteinId, ExploreMode* mode, double duration);
    ~LoadExploreMode() override;
    void update() override;

    // The view will not open (the pathway closed or exploring was left first).
    void cancel() { mode = nullptr; }
    const std::string& protein() const { return proteinId; }

private:
    std::string proteinId;
    ExploreMode* mode;
};
