// Line reading and writing: blank-line handling, CR LF files, the end of a file,
// and failures that must be reported.
#include "model/TextFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_textfile_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir_;
};

Array<std::string> allLines(const std::string& path) {
    TextFileReader reader;
    reader.open(path);
    Array<std::string> lines;
    reader.readAllLines(lines);
    return lines;
}

}  // namespace

TEST_F(TextFileTest, ReadLineSkipsBlankAndTabLines) {
    std::string path = write("blank.txt", "a\n\n\t\nb\n");
    TextFileReader reader;
    ASSERT_TRUE(reader.open(path));
    EXPECT_EQ(reader.readLine(), "a");
    EXPECT_EQ(reader.readLine(), "b");
    EXPECT_EQ(reader.lastLine(), "b");
    EXPECT_EQ(reader.readLine(), "");
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), "");
    EXPECT_EQ(reader.lastLine(), "b");
}

TEST_F(TextFileTest, ReadLineWithOutParameterYieldsEveryLine) {
    TextFileReader reader;
    reader.open(write("blank.txt", "a\n\n\t\nb\n"));
    std::string line;
    Array<std::string> seen;
    while (reader.readLine(line)) {
        seen.push_back(line);
    }
    // The final line break gives one last empty line.
    EXPECT_EQ(seen, (Array<std::string>{"a", "", "\t", "b", ""}));
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.readLine(line));

    TextFileReader unterminated;
    unterminated.open(write("open.txt", "a\n\n\t\nb"));
    seen.clear();
    while (unterminated.readLine(line)) {
        seen.push_back(line);
    }
    EXPECT_EQ(seen, (Array<std::string>{"a", "", "\t", "b"}));
}

TEST_F(TextFileTest, CarriageReturnsAreStripped) {
    EXPECT_EQ(allLines(write("crlf.txt", "one\r\ntwo\r\n\r\nthree")),
              (Array<std::string>{"one", "two", "", "three"}));
    TextFileReader reader;
    reader.open(write("crlf2.txt", "\r\n\t\r\nx\r\n"));
    EXPECT_EQ(reader.readLine(), "x");
}

TEST_F(TextFileTest, MissingFileReadsAsEndedEmptyFile) {
    TextFileReader reader;
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.open((dir_ / "absent.txt").string()));
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.readLine(), "");
    std::string line = "unchanged";
    EXPECT_FALSE(reader.readLine(line));
    Array<std::string> lines;
    reader.readAllLines(lines);
    EXPECT_TRUE(lines.empty());
}

TEST_F(TextFileTest, ReadTableSplitsEveryLine) {
    TextFileReader reader;
    reader.open(write("table.txt", "a\tb\n\nc\t\td\n"));
    Array<Array<std::string>> rows;
    testing::internal::CaptureStdout();
    reader.readTable(rows, "\t");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "done tabular\n");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (Array<std::string>{"a", "b"}));
    EXPECT_TRUE(rows[1].empty());
    EXPECT_EQ(rows[2], (Array<std::string>{"c", "", "d"}));
    EXPECT_TRUE(rows[3].empty());
}

TEST_F(TextFileTest, WriterWritesLfAndAppends) {
    std::string path = (dir_ / "out.txt").string();
    {
        TextFileWriter writer;
        ASSERT_TRUE(writer.open(path, false));
        EXPECT_TRUE(writer.writeLine("first"));
        EXPECT_TRUE(writer.writeLines({"second", ""}));
    }
    EXPECT_EQ(contents(path), "first\nsecond\n\n");
    {
        TextFileWriter writer;
        ASSERT_TRUE(writer.open(path, true));
        EXPECT_TRUE(writer.writeLine("third"));
        EXPECT_TRUE(writer.close());
    }
    EXPECT_EQ(contents(path), "first\nsecond\n\nthird\n");
    {
        TextFileWriter writer;
        ASSERT_TRUE(writer.open(path));
        EXPECT_TRUE(writer.writeLine("fresh"));
    }
    EXPECT_EQ(contents(path), "fresh\n");
    EXPECT_EQ(allLines(path), (Array<std::string>{"fresh", ""}));
}

TEST_F(TextFileTest, WriterReportsFailures) {
    TextFileWriter unopened;
    EXPECT_FALSE(unopened.writeLine("x"));
    EXPECT_FALSE(unopened.writeLines({"x"}));

    TextFileWriter badPath;
    EXPECT_FALSE(badPath.open((dir_ / "no" / "such" / "dir.txt").string()));
    EXPECT_FALSE(badPath.writeLine("x"));
    EXPECT_FALSE(badPath.writeLines({"x"}));

    if (std::filesystem::exists("/dev/full")) {
        TextFileWriter full;
        ASSERT_TRUE(full.open("/dev/full", true));
        EXPECT_FALSE(full.writeLine("lost"));
        EXPECT_FALSE(full.writeLines({"lost"}));
    }
}
