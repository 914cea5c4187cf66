#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "KMeans.h"
#include "support/RunWithin.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder holding the two files the window writes.
class KMeansProgram : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("corvidane-kmeans-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(folder / name) << text;
    }
    // The window's nine directives for `rows` in the data file.
    void writeJob(const std::string& rows, int dim, int size, int k) {
        write("clustering_data.in", rows);
        write("clustering_config.in",
              "show_assignments yes\ndim " + std::to_string(dim) + "\ndata_size " +
                  std::to_string(size) + "\nread_data_pts " +
                  (folder / "clustering_data.in").string() + "\nsilent yes\nkcenters " +
                  std::to_string(k) +
                  "\nmax_tot_stage 2000 0 0 0\nmin_consec_rdl 0.01\nrun_kmeans EZ-hybrid\n");
    }
    int runJob(std::string& out, std::string& err) {
        std::ostringstream o, e;
        const int code = kmeans::run({"-i", (folder / "clustering_config.in").string()}, o, e);
        out = o.str();
        err = e.str();
        return code;
    }
    // Cluster numbers read as the window reads them: the second field of the
    // N lines that start three lines below the marker.
    static std::vector<int> assignments(const std::string& out, int n) {
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::vector<int> result;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] != "  (Cluster assignments:")
                continue;
            for (int p = 0; p < n && i + 3 + p < lines.size(); ++p) {
                std::istringstream fields(lines[i + 3 + p]);
                std::string point, centre;
                fields >> point >> centre;
                result.push_back(std::stoi(centre));
            }
            break;
        }
        return result;
    }

    fs::path folder;
};

TEST_F(KMeansProgram, FindsTwoObviousClustersTheSameWayEveryTime) {
    // The window's number forms: "100." and "0." included.
    writeJob("0. 0.1 \n0.05 0. \n100. 99.5 \n0.1 0.02 \n99. 100. \n", 2, 5, 2);
    std::string out, err;
    ASSERT_EQ(runJob(out, err), 0) << err;
    EXPECT_TRUE(err.empty());
    const std::vector<int> c = assignments(out, 5);
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0], c[1]);
    EXPECT_EQ(c[0], c[3]);
    EXPECT_EQ(c[2], c[4]);
    EXPECT_NE(c[0], c[2]);
    for (int v : c)
        EXPECT_TRUE(v == 0 || v == 1);

    std::string again, err2;
    ASSERT_EQ(runJob(again, err2), 0);
    EXPECT_EQ(out, again);
}

TEST_F(KMeansProgram, ThreeClustersInThreeDimensionsAndEveryPointOnALine) {
    std::string rows;
    const double centres[3][3] = {{0, 0, 0}, {1, 1, 1}, {0, 1, 0}};
    for (int i = 0; i < 12; ++i) {
        const double* c = centres[i % 3];
        const double jitter = 0.01 * (i % 4);
        rows += std::to_string(c[0] + jitter) + " " + std::to_string(c[1] - jitter) + " " +
                std::to_string(c[2] + jitter) + "\n";
    }
    writeJob(rows, 3, 12, 3);
    std::string out, err;
    ASSERT_EQ(runJob(out, err), 0) << err;
    const std::vector<int> c = assignments(out, 12);
    ASSERT_EQ(c.size(), 12u);
    for (int i = 3; i < 12; ++i)
        EXPECT_EQ(c[i], c[i % 3]) << "point " << i;
    EXPECT_NE(c[0], c[1]);
    EXPECT_NE(c[1], c[2]);
    EXPECT_NE(c[0], c[2]);
    // k equal to the number of points, all of them the same: still k clusters named.
    writeJob("1 1\n1 1\n1 1\n", 2, 3, 3);
    ASSERT_EQ(runJob(out, err), 0) << err;
    EXPECT_EQ(assignments(out, 3).size(), 3u);
}

TEST_F(KMeansProgram, RefusesBadJobsWithAMessageAndNoAssignments) {
    struct Case {
        const char* what;
        std::string rows;
        int dim, size, k;
    };
    const std::vector<Case> cases = {
        {"k of 0", "1 2\n3 4\n", 2, 2, 0},
        {"k above the point count", "1 2\n3 4\n", 2, 2, 3},
        {"ragged row", "1 2\n3\n", 2, 2, 1},
        {"malformed number", "1 2\n3 x4\n", 2, 2, 1},
        {"non-finite number", "1 nan\n3 4\n", 2, 2, 1},
        // Squared, such values overflow the distortion to infinity.
        {"number near the double limit", "1e308 1\n-1e308 2\n", 2, 2, 1},
        {"data size mismatch", "1 2\n3 4\n", 2, 3, 1},
    };
    for (const Case& c : cases) {
        writeJob(c.rows, c.dim, c.size, c.k);
        std::string out, err;
        EXPECT_NE(runJob(out, err), 0) << c.what;
        EXPECT_EQ(out.find("(Cluster assignments:"), std::string::npos) << c.what;
        EXPECT_FALSE(err.empty()) << c.what;
    }

    // A missing data file and a missing config file.
    writeJob("1 2\n", 2, 1, 1);
    fs::remove(folder / "clustering_data.in");
    std::string out, err;
    EXPECT_NE(runJob(out, err), 0);
    EXPECT_NE(err.find("clustering_data.in"), std::string::npos) << err;
    std::ostringstream o, e;
    EXPECT_NE(kmeans::run({"-i", (folder / "absent.in").string()}, o, e), 0);
    EXPECT_TRUE(o.str().empty());
    EXPECT_NE(kmeans::run({}, o, e), 0);
    // An unknown directive names its line.
    write("clustering_config.in", "dim 2\nfrobnicate 3\n");
    EXPECT_NE(runJob(out, err), 0);
    EXPECT_NE(err.find("line 2"), std::string::npos) << err;
}

// A FIFO would block the program and /dev/zero never end; in a child, so a
// hang fails the test.
TEST_F(KMeansProgram, ReadsOnlyRegularFiles) {
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    for (const std::string& data : {(folder / "fifo").string(), std::string("/dev/zero")}) {
        writeJob("", 2, 1, 1);
        write("clustering_config.in",
              "dim 2\nkcenters 1\nread_data_pts " + data + "\nrun_kmeans\n");
        const int code = runWithin(10, [&] {
            std::string out, err;
            return runJob(out, err) != 0 && err.find("not a regular file") != std::string::npos ? 0
                                                                                                : 1;
        });
        EXPECT_EQ(code, 0) << data;
    }
}

TEST_F(KMeansProgram, BuiltProgramSpeaksTheSameOnItsStreams) {
    writeJob("0 0\n10 10\n0 0.5\n", 2, 3, 2);
    const std::string command = std::string("cd '") + folder.string() + "' && '" +
                                CORVIDANE_KMEANS_PROGRAM +
                                "' -i clustering_config.in > clustering.out 2> clustering.err";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(folder / "clustering.out");
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<int> c = assignments(text.str(), 3);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], c[2]);
    EXPECT_NE(c[0], c[1]);
    EXPECT_EQ(text.str().find('\r'), std::string::npos);

    writeJob("0 0\n", 2, 1, 2);
    EXPECT_NE(std::system(command.c_str()), 0);

    // A report that cannot be written is a failure, said on standard error.
    writeJob("0 0\n10 10\n0 0.5\n", 2, 3, 2);
    const std::string full = std::string("cd '") + folder.string() + "' && '" +
                             CORVIDANE_KMEANS_PROGRAM +
                             "' -i clustering_config.in > /dev/full 2> clustering.err";
    EXPECT_NE(std::system(full.c_str()), 0);
    std::ifstream err(folder / "clustering.err");
    std::stringstream said;
    said << err.rdbuf();
    EXPECT_NE(said.str().find("No space left on device"), std::string::npos) << said.str();
}

}  // namespace
