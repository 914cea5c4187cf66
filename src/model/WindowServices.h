// The few services of the main window that lower code may call: progress
// dialogs, repaint requests, the pathway background, the shape-finder timer
// and the animation timers.
// Code below the user interface holds a WindowServices* that is null in batch
// mode; every caller checks it and skips the call when there is no window.
#pragma once

#include <string>

class Image;

class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Opens a modal progress dialog without a cancel button over [minimum, maximum].
    virtual void createProgressDialog(int minimum, int maximum, const std::string& label) = 0;
    // Sets the dialog's value, closing it at or above its maximum; processes pending events.
    virtual void stepProgress(int value) = 0;
    virtual void requestRepaint() = 0;
    // Shows the image as the current pathway's background texture "background".
    virtual void makeBackground(const Image& image) = 0;
    // Steps the image shape finder every intervalMs milliseconds until stopped.
    virtual void startShapeFinderTimer(int intervalMs) = 0;
    virtual void stopShapeFinderTimer() = 0;
    // Runs the animation timer every refreshMs and stops it after stopMs
    // (both truncated to whole milliseconds); a new start restarts both.
    virtual void startTimers(double refreshMs, double stopMs) = 0;
};
