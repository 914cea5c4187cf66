// Line-by-line text files: every file of the system is read and written through these.
// Readers strip a trailing CR (files from other platforms end lines with CR LF);
// writers end lines with LF alone.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Table.h"

class QFileDevice;
class QSaveFile;

// Largest file any reader takes: a bound on what one mistaken argument costs.
constexpr long long maxTextFileBytes = 1LL << 30;

// True when the path names a regular file (through links) of at most
// maxTextFileBytes; otherwise false with `why` set. A FIFO or a device would
// block or never end, a folder has no lines.
[[nodiscard]] bool isRegularFile(const std::string& path, std::string* why = nullptr);

// Where a file written whole at `path` lands: `path` itself when nothing or a
// regular file is there, the regular file a symbolic link there names (written
// through, as an editor would). Anything else - a folder, a FIFO, a device, a
// dangling link - gives "" with `why` set: renaming over it would replace a
// node that is not the writer's own.
[[nodiscard]] std::string writeTargetOf(const std::string& path, std::string& why);

// Why a write that `file` took short failed: its own error, or `errnoAfter`
// (errno right after the write, cleared before it) where the device says only
// "Unknown error", as QSaveFile does about a full disk.
std::string writeFailureOf(const QFileDevice& file, int errnoAfter);

// Lets the written file take the target's place, unless any write failed;
// otherwise cancels it, leaving the old file, and answers false. Use it instead
// of QSaveFile::commit, which alone misses a failure of the last buffered
// write (a disk that fills up under a small file).
[[nodiscard]] bool commitWhole(QSaveFile& file);

// Writes `bytes` as the whole file at `path`, all or nothing: a failed write
// leaves the old file, and `error` (when given) says why.
[[nodiscard]] bool writeWhole(std::string_view bytes, const std::string& path,
                              std::string* error = nullptr);

// Drops the CR that a line from a CR LF file keeps at its end.
inline void stripCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}
inline void stripCarriageReturn(std::string_view& line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
}

// Takes a file's lines one at a time, as a writer makes them.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void addLine(std::string_view line) = 0;
    // The line made of the parts, without building it first.
    virtual void addLine(std::string_view a, std::string_view b, std::string_view c = {}) {
        std::string line;
        line.reserve(a.size() + b.size() + c.size());
        line.append(a).append(b).append(c);
        addLine(line);
    }
};

// Keeps the lines in a list.
class LineList final : public LineSink {
public:
    explicit LineList(Array<std::string>& lines) : lines_(lines) {}
    void addLine(std::string_view line) override { lines_.emplace_back(line); }
    using LineSink::addLine;

private:
    Array<std::string>& lines_;
};

class TextFileReader {
public:
    TextFileReader() = default;
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // A file that cannot be opened, or that is not a regular file (isRegularFile),
    // reads as an empty one; the answer says whether it opened.
    bool open(std::string fileName);
    bool isOpen() const;
    // True when there is nothing more to read: no open file, the end was reached or a read
    // failed. Section readers stop on it instead of reading empty lines forever.
    bool atEnd() const;

    // The next line that is neither empty nor a single tab; "" at the end.
    std::string readLine();
    // The next line, blank or not. False at the end; a file ending in a line break
    // yields one last empty line before that.
    bool readLine(std::string& out);
    // Appends every remaining line (blank ones included).
    void readAllLines(Array<std::string>& out);
    // Appends split(line, delimiter) of every remaining line as one row.
    void readTable(Array<Array<std::string>>& rows, const std::string& delimiter);

    const std::string& fileName() const { return fileName_; }
    // The last line readLine() returned.
    const std::string& lastLine() const { return lastLine_; }
    // 1-based number of the line read last; 0 before the first.
    long lineNumber() const { return lineNumber_; }

    void close();

private:
    std::unique_ptr<std::ifstream> stream_;
    std::string fileName_;
    std::string lastLine_;
    long lineNumber_ = 0;
};

class TextFileWriter final : public LineSink {
public:
    TextFileWriter() = default;
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Appends to the file when `append` is true, else truncates it. False when it
    // cannot be opened.
    bool open(std::string fileName, bool append = false);
    bool isOpen() const;

    // Writes the line and a line break and flushes; false when the file is not open or
    // the write failed.
    [[nodiscard]] bool writeLine(const std::string& line);
    // Writes each line with a line break; false when the file is not open or a write failed.
    [[nodiscard]] bool writeLines(const Array<std::string>& lines);
    // Writes the line and a line break, unflushed; a failed write shows in close().
    void addLine(std::string_view line) override;
    void addLine(std::string_view a, std::string_view b, std::string_view c = {}) override;

    // False when buffered output could not be written.
    bool close();

private:
    std::unique_ptr<std::ofstream> stream_;
};
