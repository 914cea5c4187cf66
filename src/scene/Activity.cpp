// Activity timing and the manager's stepping pass.
#include "scene/Activity.h"

#include <algorithm>

#include "engine/Clock.h"

Activity::Activity(double duration) : startTime(systemTime()), endTime(startTime + duration) {}

Activity::~Activity() = default;

void Activity::update() {
    if (systemTime() >= endTime) {
        done = true;
    }
}

double Activity::progress() const {
    if (startTime >= endTime) {
        return 1.0;
    }
    // One reading serves both the test and the division, so a clock that
    // passes the end between two readings cannot give a value above 1.
    const double now = systemTime();
    if (now >= endTime) {
        return 1.0;
    }
    return std::clamp((now - startTime) / (endTime - startTime), 0.0, 1.0);
}

ActivityManager::ActivityManager() = default;

ActivityManager::~ActivityManager() = default;

void ActivityManager::add(Activity* activity) {
    if (activity != nullptr) {
        activities.emplace_back(activity);
    }
}

bool ActivityManager::update() {
    if (activities.empty()) {
        return false;
    }
    // By index, re-reading the size: an activity may add others to this
    // manager from its update, and those are stepped in the same pass.
    for (std::size_t i = 0; i < activities.size();) {
        Activity* activity = activities[i].get();
        if (activity == nullptr) {
            activities.erase(activities.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        activity->update();
        if (activity->isDone()) {
            // Take it out of the array before deleting it, so a destructor
            // that reaches this manager never sees a dead entry.
            std::unique_ptr<Activity> finished = std::move(activities[i]);
            activities.erase(activities.begin() + static_cast<std::ptrdiff_t>(i));
            finished.reset();
            continue;
        }
        ++i;
    }
    return true;
}
