#include "KMeans.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <sstream>

#include "engine/RegularFile.h"

namespace kmeans {
namespace {

// Same seed every run, so the same data always gives the same clusters.
constexpr std::uint64_t kSeed = 0x5eed2026u;
constexpr int kRestarts = 10;
constexpr long long kMaxInputBytes = 1LL << 30;
// Coordinates larger than this are refused: squared and summed over every
// point and dimension they would overflow to an infinite distortion.
constexpr double kMaxMagnitude = 1e100;

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string field;
    while (in >> field) {
        out.push_back(field);
    }
    return out;
}

bool parseInt(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// Locale-free; accepts the "100." form the window writes.
bool parseDouble(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

// Reads a whole input file: a FIFO or a device such as /dev/zero would hold
// or swamp the program.
bool readInput(const std::string& path, std::istringstream& in, std::string& error) {
    std::string bytes;
    if (!readRegularFile(path, kMaxInputBytes, bytes, &error)) {
        return false;
    }
    in.str(std::move(bytes));
    return true;
}

std::string lineLabel(int number) {
    return "line " + std::to_string(number) + ": ";
}

double squaredDistance(const double* a, const double* b, int dim) {
    double sum = 0.0;
    for (int d = 0; d < dim; ++d) {
        const double diff = a[d] - b[d];
        sum += diff * diff;
    }
    return sum;
}

// Uniform in [0, 1) from the engine's raw bits: the standard distributions
// differ between libraries, the raw mt19937_64 sequence does not.
double uniform(std::mt19937_64& engine) {
    return static_cast<double>(engine() >> 11) * (1.0 / 9007199254740992.0);
}

// k-means++: each next centre is a point drawn with probability proportional
// to its squared distance from the nearest centre chosen so far.
std::vector<int> seedCentres(const std::vector<double>& points, int dim, int count, int k,
                             std::mt19937_64& engine) {
    std::vector<int> chosen;
    chosen.push_back(static_cast<int>(uniform(engine) * count));
    std::vector<double> nearest(static_cast<std::size_t>(count),
                                std::numeric_limits<double>::infinity());
    while (static_cast<int>(chosen.size()) < k) {
        const double* last = &points[static_cast<std::size_t>(chosen.back()) * dim];
        double total = 0.0;
        for (int i = 0; i < count; ++i) {
            nearest[i] =
                std::min(nearest[i], squaredDistance(&points[std::size_t(i) * dim], last, dim));
            total += nearest[i];
        }
        int next = -1;
        if (total > 0.0) {
            double target = uniform(engine) * total;
            for (int i = 0; i < count; ++i) {
                if (nearest[i] <= 0.0)
                    continue;
                next = i;
                target -= nearest[i];
                if (target < 0.0)
                    break;
            }
        }
        if (next < 0) {
            // Every point sits on a centre already: take the first point not chosen.
            for (int i = 0; i < count && next < 0; ++i) {
                if (std::find(chosen.begin(), chosen.end(), i) == chosen.end())
                    next = i;
            }
        }
        chosen.push_back(next);
    }
    return chosen;
}

void lloyd(const std::vector<double>& points, int dim, int count, int k, int maxIterations,
           Result& r) {
    r.assignment.assign(static_cast<std::size_t>(count), -1);
    r.squaredDistance.assign(static_cast<std::size_t>(count), 0.0);
    std::vector<double> sums(static_cast<std::size_t>(k) * dim);
    std::vector<int> sizes(static_cast<std::size_t>(k));
    // Runs until no point changes its cluster, which is at least as strict as
    // any relative-distortion threshold.
    for (int iteration = 0; iteration < std::max(1, maxIterations); ++iteration) {
        bool changed = false;
        for (int i = 0; i < count; ++i) {
            const double* p = &points[std::size_t(i) * dim];
            int best = 0;
            double bestDistance = squaredDistance(p, &r.centres[0], dim);
            for (int c = 1; c < k; ++c) {
                const double d = squaredDistance(p, &r.centres[std::size_t(c) * dim], dim);
                if (d < bestDistance) {
                    best = c;
                    bestDistance = d;
                }
            }
            changed = changed || r.assignment[i] != best;
            r.assignment[i] = best;
            r.squaredDistance[i] = bestDistance;
        }
        if (!changed)
            break;
        std::fill(sums.begin(), sums.end(), 0.0);
        std::fill(sizes.begin(), sizes.end(), 0);
        for (int i = 0; i < count; ++i) {
            const int c = r.assignment[i];
            ++sizes[c];
            for (int d = 0; d < dim; ++d)
                sums[std::size_t(c) * dim + d] += points[std::size_t(i) * dim + d];
        }
        for (int c = 0; c < k; ++c) {
            if (sizes[c] == 0) {
                // An emptied cluster restarts at the point worst served by its centre.
                int far = 0;
                for (int i = 1; i < count; ++i) {
                    if (r.squaredDistance[i] > r.squaredDistance[far])
                        far = i;
                }
                std::copy_n(&points[std::size_t(far) * dim], dim, &r.centres[std::size_t(c) * dim]);
                r.squaredDistance[far] = 0.0;
                continue;
            }
            for (int d = 0; d < dim; ++d) {
                r.centres[std::size_t(c) * dim + d] = sums[std::size_t(c) * dim + d] / sizes[c];
            }
        }
    }
    r.distortion = 0.0;
    for (double d : r.squaredDistance)
        r.distortion += d;
}

}  // namespace

bool parseConfig(std::istream& in, Config& config, std::string& error) {
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> f = fields(line);
        if (f.empty() || f[0][0] == '#')
            continue;
        const std::string& name = f[0];
        auto oneValue = [&](const char* what) {
            if (f.size() == 2)
                return true;
            error = lineLabel(number) + "\"" + name + "\" expects " + what;
            return false;
        };
        auto positive = [&](int& target) {
            if (!oneValue("one whole number"))
                return false;
            if (!parseInt(f[1], target) || target < 1) {
                error = lineLabel(number) + "\"" + name +
                        "\" expects a whole number of at least 1, not \"" + f[1] + "\"";
                return false;
            }
            return true;
        };
        if (name == "show_assignments" || name == "silent") {
            if (!oneValue("yes or no"))
                return false;
            if (f[1] != "yes" && f[1] != "no") {
                error = lineLabel(number) + "\"" + name + "\" expects yes or no";
                return false;
            }
            if (name == "show_assignments")
                config.showAssignments = f[1] == "yes";
        } else if (name == "dim") {
            if (!positive(config.dim))
                return false;
        } else if (name == "data_size") {
            if (!positive(config.dataSize))
                return false;
        } else if (name == "kcenters") {
            // k is checked against the data once the points are read.
            if (!oneValue("one whole number"))
                return false;
            if (!parseInt(f[1], config.centres)) {
                error =
                    lineLabel(number) + "\"kcenters\" expects a whole number, not \"" + f[1] + "\"";
                return false;
            }
        } else if (name == "read_data_pts") {
            if (!oneValue("a file name"))
                return false;
            config.dataFile = f[1];
        } else if (name == "max_tot_stage") {
            if (f.size() < 2 || !parseInt(f[1], config.maxIterations) || config.maxIterations < 1) {
                error = lineLabel(number) +
                        "\"max_tot_stage\" expects a whole number of at least 1 first";
                return false;
            }
        } else if (name == "min_consec_rdl") {
            if (!oneValue("one number"))
                return false;
            if (!parseDouble(f[1], config.minConsecRdl)) {
                error =
                    lineLabel(number) + "\"min_consec_rdl\" expects a number, not \"" + f[1] + "\"";
                return false;
            }
        } else if (name == "run_kmeans") {
            config.runRequested = true;
        } else {
            error = lineLabel(number) + "unknown directive \"" + name + "\"";
            return false;
        }
    }
    return true;
}

bool readPoints(std::istream& in, int dim, std::vector<double>& points, std::string& error) {
    if (dim < 1) {
        error = "the dimension (\"dim\") must be given and at least 1";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::vector<std::string> f = fields(line);
        if (f.empty())
            continue;
        if (static_cast<int>(f.size()) != dim) {
            error = lineLabel(number) + std::to_string(f.size()) + " numbers where " +
                    std::to_string(dim) + " were expected";
            return false;
        }
        for (const std::string& text : f) {
            double value = 0.0;
            if (!parseDouble(text, value)) {
                error = lineLabel(number) + "\"" + text + "\" is not a finite number";
                return false;
            }
            if (std::abs(value) > kMaxMagnitude) {
                error = lineLabel(number) + "\"" + text + "\" is larger in size than 1e100";
                return false;
            }
            points.push_back(value);
        }
    }
    return true;
}

bool cluster(const std::vector<double>& points, int dim, int k, int maxIterations, Result& result,
             std::string& error) {
    const int count = dim > 0 ? static_cast<int>(points.size() / std::size_t(dim)) : 0;
    if (k < 1 || k > count) {
        error = "kcenters is " + std::to_string(k) + " but must lie between 1 and the " +
                std::to_string(count) + " data points";
        return false;
    }
    std::mt19937_64 engine(kSeed);
    bool first = true;
    for (int restart = 0; restart < kRestarts; ++restart) {
        Result trial;
        trial.centres.resize(std::size_t(k) * dim);
        const std::vector<int> seeds = seedCentres(points, dim, count, k, engine);
        for (int c = 0; c < k; ++c) {
            std::copy_n(&points[std::size_t(seeds[c]) * dim], dim,
                        &trial.centres[std::size_t(c) * dim]);
        }
        lloyd(points, dim, count, k, maxIterations, trial);
        if (first || trial.distortion < result.distortion) {
            result = std::move(trial);
            first = false;
        }
    }
    return true;
}

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const char* program = "corvidane_kmeans";
    if (arguments.size() != 2 || arguments[0] != "-i") {
        err << program << ": usage: " << program << " -i <config file>\n";
        return 2;
    }
    std::istringstream configFile;
    std::string error;
    if (!readInput(arguments[1], configFile, error)) {
        err << program << ": cannot read the config file \"" << arguments[1] << "\": " << error
            << "\n";
        return 1;
    }
    Config config;
    if (!parseConfig(configFile, config, error)) {
        err << program << ": " << arguments[1] << ": " << error << "\n";
        return 1;
    }
    if (!config.runRequested) {
        err << program << ": " << arguments[1] << ": no \"run_kmeans\" directive\n";
        return 1;
    }
    if (config.dataFile.empty()) {
        err << program << ": " << arguments[1] << ": no \"read_data_pts\" directive\n";
        return 1;
    }
    std::istringstream dataFile;
    if (!readInput(config.dataFile, dataFile, error)) {
        err << program << ": cannot read the data file \"" << config.dataFile << "\": " << error
            << "\n";
        return 1;
    }
    std::vector<double> points;
    if (!readPoints(dataFile, config.dim, points, error)) {
        err << program << ": " << config.dataFile << ": " << error << "\n";
        return 1;
    }
    const int count = static_cast<int>(points.size() / std::size_t(config.dim));
    if (config.dataSize >= 0 && config.dataSize != count) {
        err << program << ": " << config.dataFile << ": " << count
            << " points where data_size says " << config.dataSize << "\n";
        return 1;
    }
    Result result;
    if (!cluster(points, config.dim, config.centres, config.maxIterations, result, error)) {
        err << program << ": " << error << "\n";
        return 1;
    }
    if (!std::isfinite(result.distortion)) {
        err << program << ": the distances overflow; the data are too large to cluster\n";
        return 1;
    }

    out << "k-means clustering (k-means++ seeding, best of " << kRestarts << " runs)\n";
    out << "  dim " << config.dim << ", data points " << count << ", centres " << config.centres
        << ", total squared distance " << result.distortion << "\n";
    if (config.showAssignments) {
        out << "  (Cluster assignments:\n";
        out << "    Point  Centre  Squared distance\n";
        out << "    -----  ------  ----------------\n";
        for (int i = 0; i < count; ++i) {
            out << "    " << i << "  " << result.assignment[i] << "  " << result.squaredDistance[i]
                << "\n";
        }
        out << "  )\n";
    }
    // A report cut short (a full disk) must not pass for a finished one.
    errno = 0;
    out.flush();
    if (!out.good()) {
        err << program << ": cannot write the report: "
            << (errno != 0 ? std::strerror(errno) : "the write failed") << "\n";
        return 1;
    }
    return 0;
}

}  // namespace kmeans
