// Batch command line: option walking, the -c file syntax and its error messages.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_cmdline_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        config_ = config("levels = 3;\n");
    }
    void TearDown() override {
        batchCleanup();
        std::filesystem::remove_all(dir_);
    }

    std::string config(const std::string& text) {
        std::string path = (dir_ / ("c" + std::to_string(count_++))).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // What went to stdout lands in out_.
    bool parse(std::vector<std::string> args) {
        args.insert(args.begin(), "corvidane");
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        testing::internal::CaptureStdout();
        bool ok = parseArguments(static_cast<int>(argv.size()), argv.data(), parsed_);
        out_ = testing::internal::GetCapturedStdout();
        return ok;
    }
    bool parseConfig(const std::string& text) {
        return parse({"-p", "a.pth", "-o", "b.pth", "-e", "e1", "-c", config(text)});
    }

    std::filesystem::path dir_;
    std::string config_, out_;
    BatchInputs parsed_;
    int count_ = 0;
};

}  // namespace

TEST_F(CommandLineTest, AcceptedCommandLines) {
    ASSERT_TRUE(parse({"-p", "a.pth", "-o", "b.pth", "-e", "e1", "e2", "e3", "-c", config_}));
    EXPECT_EQ(out_, "");
    EXPECT_EQ(parsed_.pathwayPath, "a.pth");
    EXPECT_EQ(parsed_.outputPath, "b.pth");
    EXPECT_EQ(parsed_.experimentFiles, (Array<std::string>{"e1", "e2", "e3"}));
    EXPECT_EQ(parsed_.configuration.at("levels"), "3");

    // A repeated -e adds its files to the earlier ones.
    ASSERT_TRUE(
        parse({"-pathway", "x.pth", "-e", "e1", "-o", "b", "-e", "e2", "e3", "-c", config_}));
    EXPECT_EQ(parsed_.pathwayPath, "x.pth");
    EXPECT_EQ(parsed_.experimentFiles, (Array<std::string>{"e1", "e2", "e3"}));

    // -e directly followed by another option: no experiments.
    ASSERT_TRUE(parse({"-p", "a", "-o", "b", "-e", "-c", config_}));
    EXPECT_TRUE(parsed_.experimentFiles.empty());
    ASSERT_TRUE(parse({"-p", "a", "-o", "b", "-e", "e", "-e", "-c", config_}));
    EXPECT_EQ(parsed_.experimentFiles, (Array<std::string>{"e"}));

    // Each parse starts from empty inputs.
    ASSERT_TRUE(parse({"-p", "y.pth", "-o", "b", "-e", "e4", "-c", config_}));
    EXPECT_EQ(parsed_.experimentFiles, (Array<std::string>{"e4"}));

    // A later -c starts from an empty table.
    ASSERT_TRUE(parse({"-p", "a", "-o", "b", "-e", "e", "-c", config("a = 1;"), "-c", config_}));
    EXPECT_EQ(parsed_.configuration.size(), 1u);
}

TEST_F(CommandLineTest, RejectedCommandLines) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"-p", "a.pth"},
                                               {"-p"},
                                               {"-x"},
                                               {"a", "b"},
                                               // An option last on the line has no value.
                                               {"-p", "a", "-o", "b", "-c", config_, "-e"}}) {
        EXPECT_FALSE(parse(args));
        EXPECT_EQ(out_, "");
    }
    EXPECT_FALSE(parse({"-x", "y"}));
    EXPECT_EQ(out_, "Unrecognized argument given: -x");

    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-e", "e", "-c", (dir_ / "absent.txt").string()}));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("absent.txt"), std::string::npos);
}

TEST_F(CommandLineTest, ConfigurationEntries) {
    ASSERT_TRUE(
        parseConfig("// batch settings\n"
                    "levels = 3; datasource = string; /* the database */\n"
                    "species = \"9606\"; conf = -1; note = 'a;b'; levels = 4;\n"
                    "filterPaths = ;\n"));
    EXPECT_EQ(out_, "");
    const auto& table = parsed_.configuration;
    EXPECT_EQ(table, (Table<std::string, std::string>{{"levels", "4"},
                                                      {"datasource", "string"},
                                                      {"species", "9606"},
                                                      {"conf", "-1"},
                                                      {"note", "a;b"},
                                                      {"filterPaths", ""}}));

    // A missing ";" is reported, and the entry is kept.
    ASSERT_TRUE(parseConfig("levels = 3"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected ';' but given ''\n");
    EXPECT_EQ(parsed_.configuration.at("levels"), "3");

    // ... without taking the next key with it.
    ASSERT_TRUE(parseConfig("levels = 3\ndatasource = string;\nconf = 700 species = human;"));
    EXPECT_EQ(out_,
              "Bad configuration file format.\nExpected ';' but given 'datasource'"
              "Bad configuration file format.\nExpected ';' but given 'species'\n");
    EXPECT_EQ(
        parsed_.configuration,
        (Table<std::string, std::string>{
            {"levels", "3"}, {"datasource", "string"}, {"conf", "700"}, {"species", "human"}}));
}

TEST_F(CommandLineTest, OnlyARegularConfigurationFileIsRead) {
    const std::string fifo = (dir_ / "fifo.cfg").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-e", "e", "-c", fifo}));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not a regular file"), std::string::npos);
}

TEST_F(CommandLineTest, MalformedConfigurationStopsTheParse) {
    const std::pair<const char*, const char*> cases[] = {
        {"levels : 3;", "Expected '=' but given ':'"},
        {"levels \"=\" 3;", "Expected '=' but given '='"},
        {"levels", "Expected '=' but given ''"}};
    for (auto [text, message] : cases) {
        EXPECT_FALSE(parseConfig(text)) << text;
        EXPECT_EQ(out_, std::string("Bad configuration file format.\n") + message);
    }
    // Faults beyond the file's own two messages are ours: standard error, with the place.
    for (auto [text, message] :
         {std::pair{"5 = 3;", "line 1, column 1: expected a key but given '5'"},
          std::pair{"\"levels\" = 3;", "expected a key but given 'levels'"},
          std::pair{"a = 1;\nspecies = \"9606;\n", "line 2, column 11"}}) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(parseConfig(text)) << text;
        EXPECT_NE(testing::internal::GetCapturedStderr().find(message), std::string::npos) << text;
        EXPECT_EQ(out_, "") << text;
    }

    // The parse ends at once: the later option is never looked at.
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-e", "e", "-c", config("a : 1;"), "-x", "y"}));
    EXPECT_EQ(out_.find("Unrecognized"), std::string::npos);
}
