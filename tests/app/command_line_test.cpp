// Batch command line: option walking, the -c file syntax and its error messages.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char* const kUsage =
    "Usage: corvidane [args]\n"
    "where all or none of the following args must be specified:\n"
    "     -p <pathway_file>    the pathway file to be updated\n"
    "     -o <output_file>     the pathway file to be generated\n"
    "     -e <experiment_file1> [<experiment_file2> ...]\n"
    "                          the experiment file or files to be processed and added to the "
    "pathway\n"
    "     -c <config_file>     the configuration file specifying user settings (e.g. protein "
    "network filters, levels, etc.)\n";

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        commandLine = CommandLineState();
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_cmdline_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        config_ = config("conf.txt", "levels = 3;\n");
    }
    void TearDown() override {
        batchCleanup();
        std::filesystem::remove_all(dir_);
    }

    std::string config(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Parses, returning the result; what went to stdout lands in `out_`.
    bool parse(std::vector<std::string> args) {
        args.insert(args.begin(), "corvidane");
        std::vector<const char*> argv;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
        }
        testing::internal::CaptureStdout();
        bool ok = parseArguments(static_cast<int>(argv.size()), argv.data());
        out_ = testing::internal::GetCapturedStdout();
        return ok;
    }

    bool parseConfig(const std::string& text) {
        return parse({"-p", "a.pth", "-o", "b.pth", "-e", "-c", config("c.txt", text)});
    }

    std::filesystem::path dir_;
    std::string config_;
    std::string out_;
};

}  // namespace

TEST_F(CommandLineTest, AcceptsAllFourOptions) {
    ASSERT_TRUE(parse({"-p", "a.pth", "-o", "b.pth", "-e", "e1", "e2", "e3", "-c", config_}));
    EXPECT_EQ(out_, "");
    EXPECT_EQ(commandLine.pathwayPath, "a.pth");
    EXPECT_EQ(commandLine.outputPath, "b.pth");
    EXPECT_EQ(commandLine.experimentFiles, (Array<std::string>{"e1", "e2", "e3"}));
    EXPECT_EQ(commandLine.configuration.at("levels"), "3");

    batchCleanup();
    EXPECT_TRUE(commandLine.experimentFiles.empty());
}

TEST_F(CommandLineTest, ExperimentListMayBeEmptyAndIsReplaced) {
    ASSERT_TRUE(parse({"-p", "a.pth", "-o", "b.pth", "-e", "-c", config_}));
    EXPECT_TRUE(commandLine.experimentFiles.empty());

    ASSERT_TRUE(parse({"-e", "x", "y", "-p", "a", "-o", "b", "-c", config_, "-e", "z", "-o", "c"}));
    EXPECT_EQ(commandLine.experimentFiles, (Array<std::string>{"z"}));
    EXPECT_EQ(commandLine.outputPath, "c");
}

TEST_F(CommandLineTest, OnlyTheOptionLetterCounts) {
    ASSERT_TRUE(parse({"-pathway", "a.pth", "-out", "b.pth", "-exp", "e", "-conf", config_}));
    EXPECT_EQ(commandLine.pathwayPath, "a.pth");
    EXPECT_EQ(commandLine.outputPath, "b.pth");
}

TEST_F(CommandLineTest, RejectsIncompleteOrMalformedCommandLines) {
    EXPECT_FALSE(parse({"-p", "a.pth"}));
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(parse({"-p"}));
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(parse({"-x"}));  // no value follows, so no message either
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(parse({"a.pth", "b.pth"}));
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(parse({"-p", "a.pth", "stray", "-o", "b", "-e", "-c", config_}));
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-c", config_, "-e"}));
    EXPECT_FALSE(parse({"-o", "b", "-e", "e", "-c", config_}));

    EXPECT_FALSE(parse({"-x", "y"}));
    EXPECT_EQ(out_, "Unrecognized argument given: -x");
    EXPECT_FALSE(parse({"-", "y"}));
    EXPECT_EQ(out_, "Unrecognized argument given: -");

    testing::internal::CaptureStdout();
    printUsage();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kUsage);
}

TEST_F(CommandLineTest, ConfigurationEntries) {
    ASSERT_TRUE(
        parseConfig("// batch settings\n"
                    "levels = 3;\n"
                    "datasource = string; /* the database */\n"
                    "species = \"9606\";\n"
                    "conf = -1;\n"
                    "note = 'a;b';\n"
                    "levels = 4;\n"
                    "filterPaths = ;\n"));
    EXPECT_EQ(out_, "");
    const auto& table = commandLine.configuration;
    ASSERT_EQ(table.size(), 6u);
    EXPECT_EQ(table.at("levels"), "4");
    EXPECT_EQ(table.at("datasource"), "string");
    EXPECT_EQ(table.at("species"), "9606");
    EXPECT_EQ(table.at("conf"), "-1");
    EXPECT_EQ(table.at("note"), "a;b");
    EXPECT_EQ(table.at("filterPaths"), "");
    EXPECT_EQ(table.begin()->first, "levels");  // a replaced entry keeps its place
}

TEST_F(CommandLineTest, MissingSemicolonIsReportedButStored) {
    ASSERT_TRUE(parseConfig("levels = 3"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected ';' but given ''");
    EXPECT_EQ(commandLine.configuration.at("levels"), "3");

    ASSERT_TRUE(parseConfig("a = 1 , b = 2;"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected ';' but given ','");
    EXPECT_EQ(commandLine.configuration.at("a"), "1");
    EXPECT_EQ(commandLine.configuration.at("b"), "2");
}

TEST_F(CommandLineTest, MalformedConfigurationStopsTheParse) {
    EXPECT_FALSE(parseConfig("levels : 3;"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected '=' but given ':'");

    // Keys and "=" must be symbols; this stops the run instead of reading on.
    EXPECT_FALSE(parseConfig("5 = 3;"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected a key but given '5'");
    EXPECT_FALSE(parseConfig("\"levels\" = 3;"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected a key but given 'levels'");
    EXPECT_FALSE(parseConfig("levels \"=\" 3;"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected '=' but given '='");
    EXPECT_FALSE(parseConfig("levels"));
    EXPECT_EQ(out_, "Bad configuration file format.\nExpected '=' but given ''");

    EXPECT_FALSE(parseConfig("species = \"9606;\n"));
    EXPECT_EQ(out_.rfind("Bad configuration file format.\n", 0), 0u) << out_;

    // The parse ends at once: the later option is never looked at.
    std::string bad = config("bad.txt", "levels : 3;");
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-e", "-c", bad, "-x", "y"}));
    EXPECT_EQ(out_.find("Unrecognized"), std::string::npos);
}

TEST_F(CommandLineTest, UnreadableConfigurationIsAnError) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(parse({"-p", "a", "-o", "b", "-e", "-c", (dir_ / "absent.txt").string()}));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("absent.txt"), std::string::npos) << err;
}

TEST_F(CommandLineTest, LaterConfigurationReplacesTheEarlier) {
    std::string first = config("first.txt", "a = 1; b = 2;");
    std::string second = config("second.txt", "b = 3;");
    ASSERT_TRUE(parse({"-p", "a", "-o", "b", "-e", "-c", first, "-c", second}));
    EXPECT_EQ(commandLine.configuration.size(), 1u);
    EXPECT_EQ(commandLine.configuration.at("b"), "3");
}
