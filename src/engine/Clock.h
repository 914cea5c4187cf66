// Wall-independent time for animations: seconds from a steady clock, which tests
// can replace with a source of their own.
#pragma once

#include <functional>

// Seconds since an arbitrary fixed start; never goes backwards.
double systemTime();

// Makes systemTime() answer `source()`; nullptr restores the steady clock.
void setSystemTimeSourceForTesting(std::function<double()> source);
