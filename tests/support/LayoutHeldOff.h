// Whether an operation waits while a layout pass holds the pathway off.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "pathway/PathwayLayoutEntity.h"

// Runs `write` on another thread while a third one holds the layout mutex, as
// a layout pass does; true when the write waited for the mutex to be released.
inline bool waitsForTheLayoutMutex(PathwayLayoutEntity& p, const std::function<void()>& write) {
    std::atomic<bool> held{false}, released{false}, done{false};
    std::thread pass([&] {
        p.withLayoutLocked([&] {
            held = true;
            held.notify_one();
            released.wait(false);
        });
    });
    held.wait(false);
    std::thread writer([&] {
        write();
        done = true;
    });
    // Not a timing test: the write cannot finish while the mutex is held, so
    // a finished write after this pause is a fault whatever the machine's speed.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const bool finishedEarly = done;
    released = true;
    released.notify_one();
    pass.join();
    writer.join();
    return !finishedEarly && done;
}
