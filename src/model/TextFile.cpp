// Text file reader and writer.
#include "model/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <QSaveFile>

#include "engine/RegularFile.h"
#include "model/TextConversions.h"
#include "model/Trace.h"

bool isRegularFile(const std::string& path, std::string* why) {
    return isRegularFileOfAtMost(path, maxTextFileBytes, why);
}

TextFileReader::~TextFileReader() {
    close();
}

bool TextFileReader::open(std::string fileName) {
    fileName_ = std::move(fileName);
    lineNumber_ = 0;
    if (!isRegularFile(fileName_)) {
        stream_.reset();
        return false;
    }
    // Binary mode: the CR of a CR LF line end is removed by hand on every platform.
    stream_ = std::make_unique<std::ifstream>(fileName_, std::ios::in | std::ios::binary);
    return stream_->is_open();
}

bool TextFileReader::isOpen() const {
    return stream_ && stream_->is_open();
}

bool TextFileReader::atEnd() const {
    return !isOpen() || !stream_->good();
}

bool TextFileReader::readLine(std::string& out) {
    // The end shows only once a read has found nothing, as with a plain getline loop:
    // that is what gives a file ending in a line break its final empty line.
    if (atEnd()) {
        return false;
    }
    std::getline(*stream_, out);
    ++lineNumber_;
    stripCarriageReturn(out);
    return true;
}

std::string TextFileReader::readLine() {
    std::string line;
    while (readLine(line)) {
        if (!line.empty() && line != "\t") {
            lastLine_ = line;
            return line;
        }
    }
    return "";
}

void TextFileReader::readAllLines(Array<std::string>& out) {
    std::string line;
    while (readLine(line)) {
        out.push_back(line);
    }
}

void TextFileReader::readTable(Array<Array<std::string>>& rows, const std::string& delimiter) {
    std::string line;
    while (readLine(line)) {
        rows.push_back(split(line, delimiter));
    }
    trace("done tabular\n");
}

void TextFileReader::close() {
    if (stream_ && stream_->is_open()) {
        stream_->close();
    }
}

TextFileWriter::~TextFileWriter() {
    close();
}

bool TextFileWriter::open(std::string fileName, bool append) {
    std::ios::openmode mode = std::ios::out | std::ios::binary;
    mode |= append ? std::ios::app : std::ios::trunc;
    stream_ = std::make_unique<std::ofstream>(fileName, mode);
    return stream_->is_open();
}

bool TextFileWriter::isOpen() const {
    return stream_ && stream_->is_open();
}

bool TextFileWriter::writeLine(const std::string& line) {
    if (!isOpen() || !stream_->good()) {
        return false;
    }
    stream_->write(line.data(), static_cast<std::streamsize>(line.size()));
    stream_->put('\n');
    stream_->flush();
    return stream_->good();
}

bool TextFileWriter::writeLines(const Array<std::string>& lines) {
    if (!isOpen()) {
        return false;
    }
    // One flush for the whole batch: flushing per line made large saves slow.
    for (const std::string& line : lines) {
        if (!stream_->good()) {
            return false;
        }
        stream_->write(line.data(), static_cast<std::streamsize>(line.size()));
        stream_->put('\n');
    }
    stream_->flush();
    return stream_->good();
}

void TextFileWriter::addLine(std::string_view line) {
    if (isOpen()) {
        stream_->write(line.data(), static_cast<std::streamsize>(line.size()));
        stream_->put('\n');
    }
}

void TextFileWriter::addLine(std::string_view a, std::string_view b, std::string_view c) {
    if (isOpen()) {
        stream_->write(a.data(), static_cast<std::streamsize>(a.size()));
        stream_->write(b.data(), static_cast<std::streamsize>(b.size()));
        stream_->write(c.data(), static_cast<std::streamsize>(c.size()));
        stream_->put('\n');
    }
}

bool TextFileWriter::close() {
    if (!isOpen()) {
        return true;
    }
    stream_->close();
    return !stream_->fail();
}

bool commitWhole(QSaveFile& file) {
    // QSaveFile's own flush reports the failed last write, so it goes first.
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit()) {
        file.cancelWriting();
        return false;
    }
    return true;
}

std::string writeTargetOf(const std::string& path, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status own = fs::symlink_status(path, error);
    if (own.type() == fs::file_type::not_found) {
        return path;
    }
    if (error) {
        why = error.message();
        return "";
    }
    if (own.type() == fs::file_type::regular) {
        return path;
    }
    if (own.type() == fs::file_type::directory) {
        why = "it is a folder";
        return "";
    }
    if (own.type() == fs::file_type::symlink) {
        const fs::path target = fs::canonical(path, error);
        if (!error && fs::is_regular_file(fs::status(target, error)) && !error) {
            return target.string();
        }
        why = "it is a symbolic link to something that is not a regular file";
        return "";
    }
    why = "it exists and is not a regular file";
    return "";
}

std::string writeFailureOf(const QFileDevice& file, int errnoAfter) {
    // QSaveFile reports a short write as "Unknown error", or not at all.
    const std::string own = file.errorString().toStdString();
    if (file.error() != QFileDevice::NoError && own != "Unknown error") {
        return own;
    }
    return errnoAfter != 0 ? std::strerror(errnoAfter) : "the write failed";
}

bool writeWhole(std::string_view bytes, const std::string& path, std::string* error) {
    std::string why;
    const std::string target = writeTargetOf(path, why);
    if (target.empty()) {
        if (error != nullptr) {
            *error = why;
        }
        return false;
    }
    QSaveFile file(QString::fromStdString(target));
    const auto size = static_cast<qint64>(bytes.size());
    errno = 0;
    if (file.open(QIODevice::WriteOnly) && file.write(bytes.data(), size) == size &&
        commitWhole(file)) {
        return true;
    }
    if (error != nullptr) {
        *error = writeFailureOf(file, errno);
    }
    file.cancelWriting();
    return false;
}
