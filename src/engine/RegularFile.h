// Reading a file named by a user or a file: only a regular file, only up to a
// bound. A FIFO blocks the reader until someone writes to it, and a device such
// as /dev/zero never ends.
#pragma once

#include <string>

// True when `path` names (through links) a regular file of at most `maxBytes`;
// otherwise false with `why` (when given) set.
[[nodiscard]] bool isRegularFileOfAtMost(const std::string& path, long long maxBytes,
                                         std::string* why = nullptr);

// The whole content of a regular file of at most `maxBytes`. The file is
// opened without blocking and checked once open, so a FIFO put there after a
// check still cannot hold the reader.
[[nodiscard]] bool readRegularFile(const std::string& path, long long maxBytes, std::string& bytes,
                                   std::string* why = nullptr);
