// Standard output keeps its own buffer (full buffering when it is a file or a
// pipe); this module only decides when it is written out.
#include "model/Trace.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>

namespace {

// Nanoseconds of the coarse monotonic clock: a tick of a few milliseconds is
// plenty for a once-a-second flush, and it is read without the time stamp
// counter, which a virtual machine may make cost as much as the trace line.
std::int64_t now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

constexpr std::int64_t kFlushEvery = 1000000000;

std::atomic<std::int64_t> lastFlush{now()};

// Standard error goes through this stream from the first trace on, so that
// whatever the trace buffered comes out before a message that follows it.
ssize_t writeError(void* /*cookie*/, const char* data, size_t size) {
    std::fflush(stdout);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(STDERR_FILENO, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return done > 0 ? static_cast<ssize_t>(done) : -1;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

void orderStandardError() {
    static std::once_flag once;
    std::call_once(once, [] {
        cookie_io_functions_t functions{};
        functions.write = writeError;
        // The C library lets a program replace its standard streams this way.
        if (FILE* ordered = fopencookie(nullptr, "w", functions)) {
            std::setvbuf(ordered, nullptr, _IONBF, 0);
            std::fflush(stderr);
            stderr = ordered;
        }
    });
}

void afterWrite() {
    const std::int64_t at = now();
    std::int64_t last = lastFlush.load(std::memory_order_relaxed);
    if (at - last >= kFlushEvery &&
        lastFlush.compare_exchange_strong(last, at, std::memory_order_relaxed)) {
        std::fflush(stdout);
    }
}

}  // namespace

void trace(const char* format, ...) {
    orderStandardError();
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    afterWrite();
}

void traceText(std::string_view text) {
    orderStandardError();
    std::fwrite(text.data(), 1, text.size(), stdout);
    afterWrite();
}

void traceLine(std::string_view text) {
    orderStandardError();
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    afterWrite();
}

void traceFlush() {
    std::fflush(stdout);
    lastFlush.store(now(), std::memory_order_relaxed);
}
