#include "app/LoadExploreMode.h"

#include "app/ExploreMode.h"

LoadExploreMode::LoadExploreMode(std::string id, ExploreMode* owner, double duration)
    : Activity(duration), proteinId(std::move(id)), mode(owner) {}

LoadExploreMode::~LoadExploreMode() {
    if (mode != nullptr && mode->pending_ == this) {
        mode->pending_ = nullptr;
    }
}

void LoadExploreMode::update() {
    Activity::update();
    if (!done || mode == nullptr) {
        return;
    }
    ExploreMode* owner = mode;
    mode = nullptr;
    if (owner->pending_ == this) {
        owner->pending_ = nullptr;
    }
    owner->openView(proteinId);
}
