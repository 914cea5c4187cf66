// A small k-means program for the experiments panel: it reads a directive file
// naming a data file of points, clusters the points and prints the cluster of
// every point in a block the panel reads back:
//
//     "  (Cluster assignments:", two header lines, then one line per point in
//     data order whose second blank-separated field is its cluster (0..k-1).
//
// Results are deterministic: k-means++ seeding from a fixed seed, the best of
// a fixed number of restarts. On any fault the program prints a message on
// standard error, nothing on standard output, and exits non-zero.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kmeans {

// The directives of the config file ("name value..." per line).
struct Config {
    bool showAssignments = false;
    int dim = 0;
    int dataSize = -1;  // -1: not given
    std::string dataFile;
    int centres = 0;
    // First number of "max_tot_stage": the most Lloyd iterations of one run.
    int maxIterations = 2000;
    double minConsecRdl = 0.0;
    bool runRequested = false;
};

// False, with the line and what was expected in `error`, for an unknown
// directive or a malformed value.
bool parseConfig(std::istream& in, Config& config, std::string& error);

// Points of `dim` numbers each, one per non-blank line, appended flat to
// `points`. False for a row with another number of fields, a field that is
// not a finite decimal number, or dim < 1.
bool readPoints(std::istream& in, int dim, std::vector<double>& points, std::string& error);

struct Result {
    std::vector<int> assignment;          // cluster of each point
    std::vector<double> squaredDistance;  // to its centre
    std::vector<double> centres;          // k x dim, flat
    double distortion = 0.0;              // sum of the squared distances
};

// False for k < 1 or k larger than the number of points.
bool cluster(const std::vector<double>& points, int dim, int k, int maxIterations, Result& result,
             std::string& error);

// The whole program: argument "-i <config>"; the report goes to `out`,
// messages to `err`. Answers the exit status.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace kmeans
