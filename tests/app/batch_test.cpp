// The batch job's reading of the -c keys, its exit codes and its layout trace.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "BatchFixture.h"
#include "engine/render/Image.h"
#include "support/FileSizeLimit.h"

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

std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

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

// readBatchSettings with what it said on standard error.
BatchSettings settingsOf(const Table<std::string, std::string>& configuration, std::string& said) {
    testing::internal::CaptureStderr();
    BatchSettings settings = readBatchSettings(configuration);
    said = testing::internal::GetCapturedStderr();
    return settings;
}

TEST(BatchSettings, ValuesAreBoundedAndWhatIsNotUnderstoodIsSaid) {
    std::string said;
    EXPECT_EQ(settingsOf(table({{"levels", "2147483647"}}), said).levels,
              std::to_string(maxLevels));
    EXPECT_NE(said.find("levels = '2147483647' is outside 0 to 10; using 10"), std::string::npos)
        << said;
    EXPECT_EQ(settingsOf(table({{"levels", "two"}}), said).levels, "2");
    EXPECT_NE(said.find("levels = 'two' is not a whole number; using 2"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"levels", "-5"}}), said).levels, "0");
    EXPECT_NE(said.find("levels = '-5'"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"levels", "3"}}), said).levels, "3");
    EXPECT_EQ(said, "");

    EXPECT_EQ(settingsOf(table({{"conf", "nan"}}), said).conf, "900");
    EXPECT_NE(said.find("conf = 'nan' is not a number; using 900"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"conf", "1e9"}}), said).conf, "1000.");
    EXPECT_NE(said.find("outside 0 to 1000"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"conf", "0x10"}}), said).conf, "900");
    EXPECT_EQ(settingsOf(table({{"conf", "700"}}), said).conf, "700");
    EXPECT_EQ(said, "");

    EXPECT_EQ(settingsOf(table({{"filterPaths", "0x10"}}), said).filterPaths, -1);
    EXPECT_NE(said.find("filterPaths = '0x10'"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"filterConnectivity", "-5"}}), said).filterConnectivity, -1);
    EXPECT_NE(said.find("filterConnectivity = '-5'"), std::string::npos);
    EXPECT_EQ(settingsOf(table({{"filterPaths", "99999999999999999999"}}), said).filterPaths, -1);

    EXPECT_FALSE(settingsOf(table({{"datasource", "oracle"}}), said).useString);
    EXPECT_NE(said.find("datasource = 'oracle' names no known data source; using the HPRD files"),
              std::string::npos);
    EXPECT_TRUE(settingsOf(table({{"entire", "yes"}}), said).entire);
    EXPECT_NE(said.find("entire = 'yes' is neither true nor false; using true"), std::string::npos);
    settingsOf(table({{"datasource", "HPRD"}, {"entire", "false"}, {"filterPaths", "3"}}), said);
    EXPECT_EQ(said, "");
}

using BatchRun = BatchFixture;

TEST_F(BatchRun, BadInputEndsWithOneAndWritesNothing) {
    sampleJob("out.pth");
    inputs.pathwayPath = (folder / "missing.pth").string();
    EXPECT_EQ(runQuietly(), batchBadInput);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));

    sampleJob("out.pth");
    inputs.experimentFiles.push_back((folder / "missing_experiment.txt").string());
    EXPECT_EQ(runQuietly(), batchBadInput);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

TEST_F(BatchRun, EachJobWorksOnTheInputsItIsHanded) {
    sampleJob("first.pth");
    const BatchInputs first = inputs;
    BatchInputs broken = inputs;
    broken.outputPath = (folder / "broken.pth").string();
    broken.pathwayPath = (folder / "missing.pth").string();
    inputs = BatchInputs{};  // nothing is left behind for a job to find

    testing::internal::CaptureStdout();
    EXPECT_EQ(runBatch(broken), batchBadInput);
    batchCleanup();
    EXPECT_EQ(runBatch(first), batchSucceeded);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::filesystem::exists(folder / "first.pth"));
    EXPECT_FALSE(std::filesystem::exists(folder / "broken.pth"));
}

TEST_F(BatchRun, UnwritableOutputEndsWithTwo) {
    sampleJob("no_such_folder/out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);

    // The output's folder is a file.
    std::filesystem::path blocker = folder / "blocker";
    { std::ofstream(blocker) << "x"; }
    sampleJob("blocker/out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);

    // The output path is a folder: refused before anything is built.
    std::filesystem::create_directory(folder / "taken.pth");
    sampleJob("taken.pth");
    std::string out;
    EXPECT_EQ(runQuietly(&out), batchFailed);
    EXPECT_EQ(out.find("pathwaylayouet"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "taken.pth"));
}

// Every file of the folder, by name, with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().filename().string()] = contents(entry.path());
        }
    }
    return files;
}

TEST_F(BatchRun, OnlyRegularFilesAreReplaced) {
    // A FIFO at the output, or at one of its side files, stays as it is.
    ASSERT_EQ(::mkfifo((folder / "pipe.pth").c_str(), 0600), 0);
    sampleJob("pipe.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_EQ(std::filesystem::status(folder / "pipe.pth").type(),
              std::filesystem::file_type::fifo);

    ASSERT_EQ(::mkfifo((folder / "side.pth.cache").c_str(), 0600), 0);
    sampleJob("side.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "side.pth"));
    EXPECT_EQ(std::filesystem::status(folder / "side.pth.cache").type(),
              std::filesystem::file_type::fifo);

    // A link to a device or to nothing is not written through.
    std::filesystem::create_symlink("/dev/null", folder / "null.pth");
    sampleJob("null.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "null.pth"));
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling.pth");
    sampleJob("dangling.pth");
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));

    // Nothing of the refused jobs is left behind.
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().find(".unfinished"), std::string::npos)
            << entry.path();
    }
}

TEST_F(BatchRun, LinksToRegularFilesAreWrittenThrough) {
    std::filesystem::create_directory(folder / "real");
    for (const char* name : {"out.pth", "out.pth.cache", "out_img.png"}) {
        { std::ofstream(folder / "real" / name) << "old"; }
        std::filesystem::create_symlink(folder / "real" / name, folder / name);
    }
    sampleJob("out.pth");
    ASSERT_EQ(runQuietly(), batchSucceeded);
    for (const char* name : {"out.pth", "out.pth.cache", "out_img.png"}) {
        EXPECT_TRUE(std::filesystem::is_symlink(folder / name)) << name;
        EXPECT_NE(contents(folder / "real" / name), "old") << name;
    }
    EXPECT_EQ(contents(folder / "out.pth").substr(0, 8),
              contents(folder / "real/out.pth").substr(0, 8));
}

TEST_F(BatchRun, LinksToAnotherFileSystemAreWrittenWhole) {
    struct stat here {
    }, there{};
    const std::filesystem::path shm = "/dev/shm";
    if (::stat(folder.c_str(), &here) != 0 || ::stat(shm.c_str(), &there) != 0 ||
        here.st_dev == there.st_dev || ::access(shm.c_str(), W_OK) != 0) {
        GTEST_SKIP() << "no second writable file system at /dev/shm";
    }
    const std::filesystem::path real = shm / ("corvidane_batch_" + std::to_string(::getpid()));
    std::filesystem::create_directories(real);
    for (const char* name : {"out.pth", "out.pth.cache", "out_img.png"}) {
        { std::ofstream(real / name) << "old"; }
        std::filesystem::create_symlink(real / name, folder / name);
    }
    sampleJob("out.pth");
    EXPECT_EQ(runQuietly(), batchSucceeded);
    for (const char* name : {"out.pth", "out.pth.cache", "out_img.png"}) {
        EXPECT_TRUE(std::filesystem::is_symlink(folder / name)) << name;
        EXPECT_NE(contents(real / name), "old") << name;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(real),
                            std::filesystem::directory_iterator()),
              3)
        << "no partial copy is left beside the files";
    std::filesystem::remove_all(real);
}

TEST_F(BatchRun, StaleCacheEntriesAreNotCarriedOver) {
    { std::ofstream(folder / "out.pth.cache") << "exppos0\nSTALE\n(1, 2, 3)\n"; }
    sampleJob("out.pth");
    ASSERT_EQ(runQuietly(), batchSucceeded);
    EXPECT_EQ(contents(folder / "out.pth.cache").find("STALE"), std::string::npos);
}

// Runs the job in a child process whose files may not grow past `limit`
// bytes, as on a full disk; answers its exit code.
int runWithFileSizeLimit(const BatchInputs& inputs, rlim_t limit) {
    return runUnderFileSizeLimit(limit, [&] {
        std::freopen("/dev/null", "w", stdout);
        return runBatch(inputs);
    });
}

// Runs the job in a child process and kills it once it traces its tenth
// layout pass; true when it got that far.
// Ends a job by `signal` during its layout; true when the layout was reached
// and the job ended by that signal.
bool killedDuringLayout(const BatchInputs& inputs, int signal = SIGKILL) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ::dup2(fds[1], STDOUT_FILENO);
        ::_exit(runBatch(inputs));
    }
    ::close(fds[1]);
    std::string seen;
    char buffer[4096];
    bool reached = false;
    ssize_t n = 0;
    while (!reached && (n = ::read(fds[0], buffer, sizeof buffer)) > 0) {
        seen.append(buffer, static_cast<std::size_t>(n));
        reached = seen.find("pathwaylayouet 10\n") != std::string::npos;
    }
    ::kill(child, signal);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return reached && WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

TEST_F(BatchRun, AFailedJobKeepsThePreviousOutputByteForByte) {
    sampleJob("out.pth");
    ASSERT_EQ(runQuietly(), batchSucceeded);
    const auto before = snapshot(folder);
    ASSERT_EQ(before.count("out_img.png"), 1u);
    ASSERT_GT(before.at("out_img.png").size(), 4096u);

    // The picture no longer fits: the job fails and every file stays.
    sampleJob("out.pth");
    EXPECT_EQ(runWithFileSizeLimit(inputs, 4096), batchFailed);
    EXPECT_EQ(snapshot(folder), before);

    // Updating a pathway in place, killed during the layout: the input stays whole.
    std::filesystem::copy_file(sample("egfr.pth"), folder / "in.pth");
    std::filesystem::copy_file(sample("egfr_background.png"), folder / "egfr_background.png");
    const auto input = snapshot(folder);
    sampleJob("in.pth");
    inputs.pathwayPath = (folder / "in.pth").string();
    EXPECT_TRUE(killedDuringLayout(inputs));
    EXPECT_EQ(snapshot(folder), input);
}

TEST_F(BatchRun, InterruptedJobLeavesNoUnfinishedFolder) {
    for (const int signal : {SIGINT, SIGTERM}) {
        sampleJob("out.pth");
        EXPECT_TRUE(killedDuringLayout(inputs, signal)) << signal;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            EXPECT_EQ(entry.path().filename().string().find(".unfinished-"), std::string::npos)
                << signal;
        }
    }
}

TEST_F(BatchRun, WhatIsNoExperimentFileEndsWithOneAndIsNamed) {
    const std::filesystem::path pipe = folder / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& bad :
         {folder.string(), pipe.string(), std::string("/dev/null"), std::string("/dev/zero"),
          sample("egfr_background.png"), sample("egfr.pth")}) {
        sampleJob("out.pth");
        inputs.experimentFiles.push_back(bad);
        testing::internal::CaptureStderr();
        EXPECT_EQ(runQuietly(), batchBadInput) << bad;
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("experiment file " + bad), std::string::npos) << said;
        EXPECT_FALSE(std::filesystem::exists(folder / "out.pth")) << bad;
    }
}

TEST_F(BatchRun, InputsThatAreNoRegularFilesDoNotHang) {
    const std::filesystem::path pipe = folder / "pipe.pth";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    sampleJob("out.pth");
    inputs.pathwayPath = pipe.string();
    EXPECT_EQ(runQuietly(), batchBadInput);

    // A data file that is a FIFO, or of random bytes, is unreadable.
    std::filesystem::remove(folder / "data");
    std::filesystem::create_directory(folder / "data");
    std::filesystem::copy_file(source("data/PROTEIN_INTERACTIONS.txt"),
                               folder / "data/PROTEIN_INTERACTIONS.txt");
    ASSERT_EQ(::mkfifo((folder / "data/PROTEIN_NOMENCLATURE.txt").c_str(), 0600), 0);
    sampleJob("out.pth");
    EXPECT_EQ(runQuietly(), batchFailed);

    std::filesystem::remove(folder / "data/PROTEIN_NOMENCLATURE.txt");
    {
        std::ofstream noise(folder / "data/PROTEIN_NOMENCLATURE.txt", std::ios::binary);
        std::uint32_t x = 12345;
        for (int i = 0; i < 200000; ++i) {
            x = x * 1664525u + 1013904223u;
            noise.put(static_cast<char>(x >> 24));
        }
    }
    sampleJob("out.pth");
    testing::internal::CaptureStderr();
    EXPECT_EQ(runQuietly(), batchFailed);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("PROTEIN_NOMENCLATURE.txt"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

TEST_F(BatchRun, SeedsWithoutAUsableIdentifierAreReportedAndLeftOut) {
    std::string text = contents(sample("egfr.pth"));
    const std::string from = "NODE_TO_ID\n";
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(text.find("00005#GRB2\n"), 11, "");
    text.replace(text.find("00006#SOS1\n"), 11, "");
    text.insert(at + from.size(), "#GRB2\n00005|00006#SOS1\n");
    { std::ofstream(folder / "seeds.pth", std::ios::binary) << text; }

    sampleJob("out.pth");
    inputs.pathwayPath = (folder / "seeds.pth").string();
    testing::internal::CaptureStderr();
    ASSERT_EQ(runQuietly(), batchSucceeded);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("seed line '#GRB2' has no protein identifier"), std::string::npos) << said;
    EXPECT_NE(said.find("seed line '00005|00006#SOS1' holds '|'"), std::string::npos) << said;
    EXPECT_NE(said.find("the protein GRB2 has no identifier"), std::string::npos) << said;
    const std::string out = contents(folder / "out.pth");
    EXPECT_EQ(out.find("\n_0\n"), std::string::npos);
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
    inputs.experimentFiles.clear();
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

// A pathway painted on the sample picture with two protein regions and one
// seed entry, written to `path`.
void writePaintedPathway(const std::filesystem::path& path, const std::string& picture,
                         const std::string& base) {
    std::ifstream in(base);
    std::string line;
    Array<std::string> header;
    while (header.size() < 33 && std::getline(in, line)) {
        header.push_back(line);
    }
    ASSERT_EQ(header.size(), 33u);
    header[0] = "painted";
    header[2] = "1";  // created on an image
    header[30] = picture;
    const std::string mask(2 * 16 * 16, 'p');
    std::ofstream out(path);
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
}

// The second region would need the protein finder, and there is no window.
TEST_F(BatchRun, PaintedRegionWithoutSeedCountsAsCancelled) {
    writePaintedPathway(folder / "painted.pth", sample("egfr_background.png"), sample("egfr.pth"));
    sampleJob("out.pth");
    inputs.pathwayPath = (folder / "painted.pth").string();
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

// The read-back of the built pathway takes over the picture decoded from the
// base, whether the regions or the background asked for it first.
TEST_F(BatchRun, ThePictureIsDecodedOncePerJob) {
    const std::string original = contents(sample("egfr_background.png"));
    writePaintedPathway(folder / "painted.pth", sample("egfr_background.png"), sample("egfr.pth"));
    for (const std::string& base : {sample("egfr.pth"), (folder / "painted.pth").string()}) {
        SCOPED_TRACE(base);
        sampleJob("out.pth");
        inputs.pathwayPath = base;
        const long long before = Image::filesDecoded();
        ASSERT_EQ(runQuietly(), batchSucceeded);
        EXPECT_EQ(Image::filesDecoded() - before, 1);
        EXPECT_EQ(contents(folder / "out_img.png"), original);
    }
}

TEST_F(BatchRun, StringSourceIsAskedAndItsFailureEndsWithTwo) {
    // An ODBC set-up without the data source "postgre", whatever the machine has.
    { std::ofstream(folder / "odbc.ini") << ""; }
    { std::ofstream(folder / "odbcinst.ini") << ""; }
    ScopedEnv ini("ODBCINI", (folder / "odbc.ini").string());
    ScopedEnv sysIni("ODBCSYSINI", folder.string());
    sampleJob("out.pth");
    inputs.configuration["datasource"] = "STRING";
    testing::internal::CaptureStderr();
    EXPECT_EQ(runQuietly(), batchFailed);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("STRING"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(folder / "out.pth"));
}

}  // namespace
