// The trace's buffer and standard error: a message on standard error comes
// after every trace line written before it, also when both share one file.
#include "model/Trace.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

TEST(TraceTest, StandardErrorFollowsTheLinesTracedBeforeIt) {
    char path[] = "/tmp/corvidane_trace_XXXXXX";
    const int file = ::mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = ::dup(STDOUT_FILENO);
    const int savedErr = ::dup(STDERR_FILENO);
    ::dup2(file, STDOUT_FILENO);
    ::dup2(file, STDERR_FILENO);

    trace("first %d\n", 1);
    traceText("second\n");
    std::fprintf(stderr, "error\n");
    trace("third\n");
    traceFlush();

    ::dup2(savedOut, STDOUT_FILENO);
    ::dup2(savedErr, STDERR_FILENO);
    ::close(savedOut);
    ::close(savedErr);
    ::close(file);
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    ::unlink(path);
    EXPECT_EQ(text.str(), "first 1\nsecond\nerror\nthird\n");
}
