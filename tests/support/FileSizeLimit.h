// A nearly full disk for tests: files may not grow beyond a few bytes, so a
// write is cut short where only a flush or a close notices it.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>

// Caps the size of every file this process writes while it lives. SIGXFSZ is
// ignored meanwhile, so a write past the cap fails instead of ending the test.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t limit) {
        active_ = ::getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = limit;
        active_ = active_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~ScopedFileSizeLimit() {
        if (active_) {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
        }
        std::signal(SIGXFSZ, handler_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    bool active() const { return active_; }

private:
    rlimit saved_{};
    void (*handler_)(int) = nullptr;
    bool active_ = false;
};

// Runs `work` in a child process whose files may not grow past `limit` bytes
// and answers its exit code, or -1 when it did not exit normally. The child
// never returns into the test runner.
inline int runUnderFileSizeLimit(rlim_t limit, const std::function<int()>& work) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit capped{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &capped);
        ::_exit(work());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
