// Line reading and writing: blank lines, CR LF files, the end of a file, reported failures.
#include "model/TextFile.h"
#include "support/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <cstdio>

#include <QSaveFile>

using Strings = Array<std::string>;

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_textfile_" + std::to_string(::getpid()) + "_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& bytes) {
        std::string path = (dir_ / ("f" + std::to_string(count_++))).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    Strings allLines(const std::string& path) {
        TextFileReader reader;
        reader.open(path);
        Strings lines;
        reader.readAllLines(lines);
        EXPECT_TRUE(reader.atEnd());
        return lines;
    }

    std::filesystem::path dir_;
    int count_ = 0;
};

}  // namespace

TEST_F(TextFileTest, ReadingLines) {
    TextFileReader reader;
    ASSERT_TRUE(reader.open(write("a\n\n\t\nb\n")));
    EXPECT_EQ(reader.readLine(), "a");
    EXPECT_EQ(reader.readLine(), "b");
    EXPECT_FALSE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), "");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.lastLine(), "b");

    // A final line break yields one last empty line; without it there is none.
    EXPECT_EQ(allLines(write("a\n\n\t\nb\n")), (Strings{"a", "", "\t", "b", ""}));
    EXPECT_EQ(allLines(write("a\n\n\t\nb")), (Strings{"a", "", "\t", "b"}));
    EXPECT_EQ(allLines(write("one\r\ntwo\r\n\r\nthree")), (Strings{"one", "two", "", "three"}));
    ASSERT_TRUE(reader.open(write("\r\n\t\r\nx\r\n")));
    EXPECT_EQ(reader.readLine(), "x");
}

TEST_F(TextFileTest, MissingFileReadsAsEnded) {
    TextFileReader reader;
    EXPECT_FALSE(reader.open((dir_ / "absent").string()));
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), "");
    std::string line;
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_TRUE(allLines((dir_ / "absent").string()).empty());
}

TEST_F(TextFileTest, ReadTableSplitsEveryLine) {
    TextFileReader reader;
    reader.open(write("a\tb\n\nc\t\td\n"));
    Array<Strings> rows;
    testing::internal::CaptureStdout();
    reader.readTable(rows, "\t");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "done tabular\n");
    EXPECT_EQ(rows, (Array<Strings>{{"a", "b"}, {}, {"c", "", "d"}, {}}));
}

TEST_F(TextFileTest, WritingLines) {
    std::string path = (dir_ / "out").string();
    {
        TextFileWriter writer;
        ASSERT_TRUE(writer.open(path));
        EXPECT_TRUE(writer.writeLine("first"));
        EXPECT_TRUE(writer.writeLines({"second", ""}));
    }
    TextFileWriter appender;
    ASSERT_TRUE(appender.open(path, true));
    EXPECT_TRUE(appender.writeLine("third"));
    EXPECT_TRUE(appender.close());
    EXPECT_EQ(contents(path), "first\nsecond\n\nthird\n");

    TextFileWriter unopened;
    EXPECT_FALSE(unopened.writeLine("x"));
    EXPECT_FALSE(unopened.open((dir_ / "no" / "dir").string()));
    EXPECT_FALSE(unopened.writeLines({"x"}));
    if (std::filesystem::exists("/dev/full")) {
        TextFileWriter full;
        ASSERT_TRUE(full.open("/dev/full", true));
        EXPECT_FALSE(full.writeLine("lost"));
        EXPECT_FALSE(full.writeLines({"lost"}));
    }
}

namespace {

// Writes `bytes` over `path` through commitWhole in a child process whose files
// may not grow past `limit` bytes, as on a nearly full disk; answers whether
// commitWhole reported success.
bool commitUnderFileSizeLimit(const std::string& path, const QByteArray& bytes, rlim_t limit) {
    const int status = runUnderFileSizeLimit(limit, [&] {
        QSaveFile file(QString::fromStdString(path));
        const bool whole = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                           commitWhole(file);
        return whole ? 0 : 1;
    });
    EXPECT_NE(status, -1);
    return status == 0;
}

}  // namespace

TEST_F(TextFileTest, CommitWholeKeepsTheOldFileWhenTheLastWriteFails) {
    const std::string path = write("old\n");
    // 5,000 bytes stay inside QSaveFile's buffer until the commit, where only
    // a flush notices that the disk took 100 of them.
    const QByteArray bytes(5000, 'x');
    EXPECT_FALSE(commitUnderFileSizeLimit(path, bytes, 100));
    EXPECT_EQ(contents(path), "old\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_),
                            std::filesystem::directory_iterator()),
              1)
        << "no partial file is left beside the old one";

    EXPECT_TRUE(commitUnderFileSizeLimit(path, bytes, 1 << 20));
    EXPECT_EQ(contents(path), std::string(5000, 'x'));
}
