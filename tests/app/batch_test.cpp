// The batch job's reading of the -c keys, its exit codes and its layout trace.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "BatchFixture.h"

namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) {
            previous = old;
            had = true;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had) {
            ::setenv(name, previous.c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

private:
    const char* name;
    std::string previous;
    bool had = false;
};

Table<std::string, std::string> table(
    std::initializer_list<std::pair<std::string, std::string>> entries) {
    Table<std::string, std::string> out;
    for (const auto& [key, value] : entries) {
        out[key] = value;
    }
    return out;
}

TEST(BatchSettings, FilterKeysAreOffUnlessAWholeNumber) {
    EXPECT_EQ(readFilterKey(table({{"filterPaths", "0"}}), "filterPaths"), 0);
    EXPECT_EQ(readFilterKey(table({{"filterPaths", "3"}}), "filterPaths"), 3);
    EXPECT_EQ(readFilterKey(table({{"filterPaths", "abc"}}), "filterPaths"), -1);
    // Reads as 0 but is not exactly "0".
    EXPECT_EQ(readFilterKey(table({{"filterPaths", "00"}}), "filterPaths"), -1);
    EXPECT_EQ(readFilterKey(table({{"filterPaths", ""}}), "filterPaths"), -1);
    EXPECT_EQ(readFilterKey(table({}), "filterPaths"), -1);

    const BatchSettings s =
        readBatchSettings(table({{"filterConnectivity", "0"}, {"filterPaths", "abc"}}));
    EXPECT_EQ(s.filterConnectivity, 0);
    EXPECT_EQ(s.filterPaths, -1);
}

TEST(BatchSettings, SourceEntireAndPassedTexts) {
    EXPECT_TRUE(readBatchSettings(table({{"datasource", "STRING"}})).useString);
    EXPECT_TRUE(readBatchSettings(table({{"datasource", "string"}})).useString);
    EXPECT_FALSE(readBatchSettings(table({{"datasource", "strings"}})).useString);
    EXPECT_FALSE(readBatchSettings(table({{"datasource", "hprd"}})).useString);
    EXPECT_FALSE(readBatchSettings(table({})).useString);

    // Only the exact text "false" switches it off.
    EXPECT_TRUE(readBatchSettings(table({{"entire", "False"}})).entire);
    EXPECT_TRUE(readBatchSettings(table({{"entire", ""}})).entire);
    EXPECT_TRUE(readBatchSettings(table({})).entire);
    EXPECT_FALSE(readBatchSettings(table({{"entire", "false"}})).entire);

    const BatchSettings given =
        readBatchSettings(table({{"levels", "3"}, {"conf", "700.5"}, {"species", "human"}}));
    EXPECT_EQ(given.levels, "3");
    EXPECT_EQ(given.conf, "700.5");
    EXPECT_EQ(given.species, "human");
    const BatchSettings absent = readBatchSettings(table({}));
    EXPECT_EQ(absent.levels, "");
    EXPECT_EQ(absent.conf, "");
    EXPECT_EQ(absent.species, "");
}

using BatchRun = BatchFixture;

TEST_F(BatchRun, BadInputEndsWithOneAndWritesNothing) {
    sampleJob("out.pth");
    commandLine.pathwayPath = (folder / "missing.pth").string();
    EXPECT_EQ(runQuietly(), batchBadInput);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));

    sampleJob("out.pth");
    commandLine.experimentFiles.push_back((folder / "missing_experiment.txt").string());
    EXPECT_EQ(runQuietly(), batchBadInput);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

TEST_F(BatchRun, UnwritableOutputEndsWithTwo) {
    sampleJob("no_such_folder/out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);

    // The output's folder is a file.
    std::filesystem::path blocker = folder / "blocker";
    { std::ofstream(blocker) << "x"; }
    sampleJob("blocker/out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);

    // The output path is a folder: the build cannot write it.
    std::filesystem::create_directory(folder / "taken.pth");
    sampleJob("taken.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.pth"));
}

TEST_F(BatchRun, MissingHprdFilesEndWithTwo) {
    std::filesystem::remove(folder / "data");
    sampleJob("out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));

    // Present but empty files load nothing: the build refuses them too.
    std::filesystem::create_directory(folder / "data");
    { std::ofstream(folder / "data" / "PROTEIN_NOMENCLATURE.txt"); }
    { std::ofstream(folder / "data" / "PROTEIN_INTERACTIONS.txt"); }
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

TEST_F(BatchRun, TracesOneHundredPassesAndBuildsWithoutExperiments) {
    sampleJob("out.pth");
    commandLine.experimentFiles.clear();
    std::string out;
    ASSERT_EQ(runQuietly(&out), batchSucceeded);

    std::istringstream lines(out);
    std::string line;
    int next = 0;
    while (std::getline(lines, line)) {
        if (line.rfind("pathwaylayouet ", 0) == 0) {
            EXPECT_EQ(line, "pathwaylayouet " + std::to_string(next));
            ++next;
        }
    }
    EXPECT_EQ(next, 100);
    EXPECT_TRUE(std::filesystem::exists(folder / "out.pth"));
    EXPECT_TRUE(std::filesystem::exists(folder / "out.pth.cache"));
}

// A pathway painted on its picture with two protein regions and one seed entry:
// the second region would need the protein finder, and there is no window.
TEST_F(BatchRun, PaintedRegionWithoutSeedCountsAsCancelled) {
    std::ifstream in(sample("egfr.pth"));
    std::string line;
    Array<std::string> header;
    while (header.size() < 33 && std::getline(in, line)) {
        header.push_back(line);
    }
    ASSERT_EQ(header.size(), 33u);
    header[0] = "painted";
    header[2] = "1";  // created on an image
    header[30] = sample("egfr_background.png");
    const std::string mask(2 * 16 * 16, 'p');
    std::ofstream out(folder / "painted.pth");
    for (const std::string& h : header) {
        out << h << "\n";
    }
    out << "NODES\nENDNODES\nCONTROLPOINTS\nENDCONTROLPOINTS\nEDGES\nENDEDGES\nnone\n"
        << "NODE_TO_ID\n00001#EGFR\nEND_NODE_TO_ID\n"
        << "IMPROC\n512\n512\nIMPROCSEL\n"
        << "0 240 100 255 115 " << mask << "\n"
        << "0 240 300 255 315 " << mask << "\n"
        << "ENDIMPROC\nNODESTOSELECTIONS\nENDNODESTOSELECTIONS\n"
        << "EDGESTOSELECTIONS\nENDEDGESTOSELECTIONS\n";
    out.close();

    sampleJob("out.pth");
    commandLine.pathwayPath = (folder / "painted.pth").string();
    ASSERT_EQ(runQuietly(), batchSucceeded);

    std::ifstream written(folder / "out.pth");
    const std::string text((std::istreambuf_iterator<char>(written)),
                           std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("just_some_label"), std::string::npos);
    // The seed entry stays the only one: the cancelled region added none.
    const std::size_t from = text.find("NODE_TO_ID\n");
    const std::size_t to = text.find("END_NODE_TO_ID");
    ASSERT_NE(from, std::string::npos);
    EXPECT_EQ(text.substr(from, to - from), "NODE_TO_ID\n00001#EGFR\n");
    EXPECT_NE(text.find("\n00001\n"), std::string::npos);
}

TEST_F(BatchRun, StringSourceIsAskedAndItsFailureEndsWithTwo) {
    // An ODBC set-up without the data source "postgre", whatever the machine has.
    { std::ofstream(folder / "odbc.ini") << ""; }
    { std::ofstream(folder / "odbcinst.ini") << ""; }
    ScopedEnv ini("ODBCINI", (folder / "odbc.ini").string());
    ScopedEnv sysIni("ODBCSYSINI", folder.string());
    sampleJob("out.pth");
    commandLine.configuration["datasource"] = "STRING";
    testing::internal::CaptureStderr();
    EXPECT_EQ(runQuietly(), batchFailed);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("STRING"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

}  // namespace
