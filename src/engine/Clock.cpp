// Steady clock behind systemTime(), replaceable by tests.
#include "engine/Clock.h"

#include <chrono>
#include <mutex>
#include <utility>

namespace {

std::mutex& sourceMutex() {
    static std::mutex m;
    return m;
}

std::function<double()>& source() {
    static std::function<double()> s;
    return s;
}

}  // namespace

double systemTime() {
    std::function<double()> replaced;
    {
        std::lock_guard<std::mutex> lock(sourceMutex());
        replaced = source();
    }
    if (replaced) {
        return replaced();
    }
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void setSystemTimeSourceForTesting(std::function<double()> s) {
    std::lock_guard<std::mutex> lock(sourceMutex());
    source() = std::move(s);
}
