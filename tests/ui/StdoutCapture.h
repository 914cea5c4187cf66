// What the traces print: the text written to stdout while some work runs.
#pragma once

#include <string>

#include <gtest/gtest.h>

template <typename Work>
std::string stdoutOf(Work&& work) {
    testing::internal::CaptureStdout();
    work();
    return testing::internal::GetCapturedStdout();
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
