// Timed animation steps: every effect is recomputed from the wall clock, so a
// late timer tick only makes the step larger. An ActivityManager owns its
// activities and deletes each one in the step in which it finishes.
#pragma once

#include <memory>

#include "engine/Table.h"

class Activity {
public:
    // Starts now; a duration of 0 or less is over at its first step.
    explicit Activity(double duration);
    virtual ~Activity();

    Activity(const Activity&) = delete;
    Activity& operator=(const Activity&) = delete;

    // Sets done once the end time is reached. Every kind calls this first and
    // then applies its effect, so the last effect is applied with progress 1.
    virtual void update();

    // Fraction of the duration elapsed, in [0, 1]; 1 once over or when empty.
    double progress() const;

    bool isDone() const { return done; }
    double getStartTime() const { return startTime; }
    double getEndTime() const { return endTime; }

protected:
    double startTime;
    double endTime;
    bool done = false;
};

class ActivityManager {
public:
    ActivityManager();
    ~ActivityManager();

    ActivityManager(const ActivityManager&) = delete;
    ActivityManager& operator=(const ActivityManager&) = delete;

    // Takes ownership; null is ignored.
    void add(Activity* activity);

    // Steps every activity in order of addition, including those added by
    // another activity during this pass, and deletes the finished ones.
    // False only when there was nothing to step.
    bool update();

    std::size_t activityCount() const { return activities.size(); }

private:
    Array<std::unique_ptr<Activity>> activities;
};
