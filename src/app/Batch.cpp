// The batch job: experiment files, a network build into the -p pathway, 100
// layout passes and the -o pathway with its .cache file.
#include "app/Batch.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>

#include <QFile>
#include <QSaveFile>

#include "app/App.h"
#include "app/GraphBuilderParameters.h"
#include "datasources/HPRDDataSource.h"
#include "datasources/StringDataSource.h"
#include "model/Cache.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "model/Trace.h"
#include "pathway/PathwayFile.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"

namespace {

constexpr const char* nomenclatureFile = "./data/PROTEIN_NOMENCLATURE.txt";
constexpr const char* interactionFile = "./data/PROTEIN_INTERACTIONS.txt";
constexpr int layoutPasses = 100;

void failure(const char* format, const std::string& what, const std::string& why) {
    std::fprintf(stderr, "corvidane: ");
    std::fprintf(stderr, format, what.c_str(), why.c_str());
    std::fprintf(stderr, "\n");
}

// Why a file cannot be read; "" when it can be opened. Opening is tried only on
// a regular file: a FIFO would block the job until someone writes to it.
std::string unreadableReason(const std::string& path) {
    std::string why;
    if (!isRegularFile(path, &why)) {
        return why;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    std::fclose(file);
    return "";
}

// The folder an output file goes to must exist before hours of building.
std::string unwritableFolderReason(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    if (!std::filesystem::exists(folder, error)) {
        return "the folder " + folder.string() + " does not exist";
    }
    if (!std::filesystem::is_directory(folder, error)) {
        return folder.string() + " is not a folder";
    }
    return "";
}

// The staging folder a signal handler removes: its path and an open handle,
// kept where the handler reaches them without allocating.
char stagingPath[4096];
volatile sig_atomic_t stagingFd = -1;

// Removes what the folder holds, then the folder, with calls safe in a
// signal handler: the entries are read straight from the open handle.
void removeStagingNow() {
    const int fd = stagingFd;
    if (fd < 0) {
        return;
    }
    alignas(8) char entries[4096];
    for (int round = 0; round < 64; ++round) {
        ::lseek(fd, 0, SEEK_SET);
        const long got = ::syscall(SYS_getdents64, fd, entries, sizeof entries);
        bool removed = false;
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0) {
                removed = ::unlinkat(fd, name, 0) == 0 || removed;
            }
            at += entry->d_reclen;
        }
        if (!removed) {
            break;
        }
    }
    ::rmdir(stagingPath);
}

extern "C" void onStopSignal(int signalNumber) {
    removeStagingNow();
    // Ends the way the signal would have ended it.
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

}  // namespace

StagingFolder::~StagingFolder() {
    if (path_.empty()) {
        return;
    }
    for (const auto& [signalNumber, previous] : previousHandlers_) {
        ::sigaction(signalNumber, &previous, nullptr);
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    stagingFd = -1;
    ::close(fd_);
}

bool StagingFolder::create(const std::string& outputPath) {
    std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::string pattern = (folder / ("." + std::filesystem::path(outputPath).filename().string() +
                                     ".unfinished-XXXXXX"))
                              .string();
    if (pattern.size() >= sizeof stagingPath || ::mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    path_ = pattern;
    // Ctrl-C, SIGTERM or a closed terminal would otherwise leave the folder behind.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
        std::memcpy(stagingPath, path_.c_str(), path_.size() + 1);
        stagingFd = fd_;
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction previous {};
            if (::sigaction(signalNumber, &action, &previous) == 0) {
                previousHandlers_.emplace_back(signalNumber, previous);
            }
        }
    }
    return true;
}

std::string StagingFolder::at(const std::string& fileName) const {
    return (std::filesystem::path(path_) / fileName).string();
}

namespace {

// Moves a finished file over its destination in one step. A destination on
// another file system (through a link) is written as a QSaveFile, which
// renames its complete copy into place, so even then no reader sees half a file.
bool replaceWith(const std::string& staged, const std::string& destination, std::string& why) {
    std::error_code error;
    std::filesystem::rename(staged, destination, error);
    if (!error) {
        return true;
    }
    if (error != std::errc::cross_device_link) {
        why = error.message();
        return false;
    }
    QFile source(QString::fromStdString(staged));
    QSaveFile copy(QString::fromStdString(destination));
    if (!source.open(QIODevice::ReadOnly)) {
        why = source.errorString().toStdString();
        return false;
    }
    if (!copy.open(QIODevice::WriteOnly)) {
        why = copy.errorString().toStdString();
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        errno = 0;
        if (block.isEmpty() || copy.write(block) != block.size()) {
            why =
                block.isEmpty() ? source.errorString().toStdString() : writeFailureOf(copy, errno);
            copy.cancelWriting();
            return false;
        }
    }
    errno = 0;
    if (!commitWhole(copy)) {
        why = writeFailureOf(copy, errno);
        return false;
    }
    return true;
}

std::string valueOf(const Table<std::string, std::string>& table, const std::string& key) {
    auto found = table.find(key);
    return found == table.end() ? std::string() : found->second;
}

void settingNote(const std::string& key, const std::string& value, const std::string& problem,
                 const std::string& used) {
    std::fprintf(stderr, "corvidane: configuration %s = '%s' %s; using %s\n", key.c_str(),
                 value.c_str(), problem.c_str(), used.c_str());
}

// A number in decimal with an optional sign and nothing else, read without
// the C locale; a decimal one must be finite.
template <class T>
std::optional<T> exactNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    T value{};
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last) {
        return std::nullopt;
    }
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) {
            return std::nullopt;
        }
    }
    return value;
}

}  // namespace

int readFilterKey(const Table<std::string, std::string>& configuration, const std::string& key) {
    auto found = configuration.find(key);
    if (found == configuration.end()) {
        return -1;
    }
    if (found->second.empty()) {
        // An empty value is the file's way of saying "off".
        return -1;
    }
    const std::optional<long long> value = exactNumber<long long>(found->second);
    if (!value || *value < 0) {
        settingNote(key, found->second, "is not a whole number of at least 0", "-1 (off)");
        return -1;
    }
    if (*value == 0 && found->second != "0") {
        // Only a plain "0" turns a filter on at 0.
        settingNote(key, found->second, "reads as 0 without being \"0\"", "-1 (off)");
        return -1;
    }
    if (*value > maxFilterValue) {
        settingNote(key, found->second, "is beyond " + std::to_string(maxFilterValue),
                    std::to_string(maxFilterValue));
        return maxFilterValue;
    }
    return static_cast<int>(*value);
}

BatchSettings readBatchSettings(const Table<std::string, std::string>& configuration) {
    BatchSettings settings;
    const std::string source = valueOf(configuration, "datasource");
    settings.useString = toLower(source) == "string";
    if (!settings.useString && configuration.count("datasource") != 0 &&
        toLower(source) != "hprd") {
        settingNote("datasource", source, "names no known data source", "the HPRD files");
    }
    // An empty value leaves the build's own default.
    if (auto levels = configuration.find("levels");
        levels != configuration.end() && !levels->second.empty()) {
        // Handed on as text, but bounded first: near the integer limit the
        // build's search depth would overflow.
        const std::optional<long long> value = exactNumber<long long>(levels->second);
        long long used = 2;
        if (!value) {
            settingNote("levels", levels->second, "is not a whole number", "2");
        } else if (*value < 0 || *value > maxLevels) {
            used = std::clamp<long long>(*value, 0, maxLevels);
            settingNote("levels", levels->second, "is outside 0 to " + std::to_string(maxLevels),
                        std::to_string(used));
        } else {
            used = *value;
        }
        settings.levels = std::to_string(used);
    }
    if (auto conf = configuration.find("conf");
        conf != configuration.end() && !conf->second.empty()) {
        // Confidences are scores of 0 to 1000; "nan" and "inf" are no score.
        const std::optional<double> value = exactNumber<double>(conf->second);
        if (!value) {
            settingNote("conf", conf->second, "is not a number", "900");
            settings.conf = "900";
        } else if (*value < 0 || *value > 1000) {
            const double clamped = std::clamp(*value, 0.0, 1000.0);
            settingNote("conf", conf->second, "is outside 0 to 1000", doubleToString(clamped));
            settings.conf = doubleToString(clamped);
        } else {
            settings.conf = conf->second;
        }
    }
    settings.species = valueOf(configuration, "species");
    auto entire = configuration.find("entire");
    settings.entire = entire == configuration.end() || entire->second != "false";
    if (entire != configuration.end() && entire->second != "false" && entire->second != "true") {
        settingNote("entire", entire->second, "is neither true nor false", "true");
    }
    settings.filterConnectivity = readFilterKey(configuration, "filterConnectivity");
    settings.filterPaths = readFilterKey(configuration, "filterPaths");
    return settings;
}

int runBatch(const BatchInputs& inputs) {
    const std::string& outputPath = inputs.outputPath;
    const std::string& basePath = inputs.pathwayPath;
    const std::string outputName = std::filesystem::path(outputPath).filename().string();

    // The output is checked before anything is built: a job must not run for
    // nothing, nor replace what is not a regular file.
    std::string why;
    const std::string outputDestination = writeTargetOf(outputPath, why);
    if (outputDestination.empty()) {
        failure("cannot write the output pathway %s: %s", outputPath, why);
        return batchFailed;
    }
    if (std::string folderWhy = unwritableFolderReason(outputPath); !folderWhy.empty()) {
        failure("cannot write the output pathway %s: %s", outputPath, folderWhy);
        return batchFailed;
    }

    HeatmapSeries* experiments = ensureExperimentCache();
    for (const std::string& file : inputs.experimentFiles) {
        if (!experiments->loadExperimentFile(file)) {
            std::string reason = unreadableReason(file);
            failure("cannot read the experiment file %s: %s", file,
                    reason.empty() ? "it is not an experiment file" : reason);
            return batchBadInput;
        }
    }

    App app;
    if (!readConfigFile("config.txt", app.configuration())) {
        // The batch job uses none of its keys, so a broken file does not stop it.
        std::fprintf(stderr, "corvidane: config.txt is malformed; its later entries are ignored\n");
    }

    StagingFolder staging;
    if (!staging.create(outputPath)) {
        failure("cannot write the output pathway %s: %s", outputPath, std::strerror(errno));
        return batchFailed;
    }
    const std::string stagedPath = staging.at(outputName);

    if (!app.createPathwayFromExisting(stagedPath, basePath)) {
        std::string reason = unreadableReason(basePath);
        failure("cannot use %s as the pathway to update: %s", basePath,
                reason.empty() ? "it is not a pathway file" : reason);
        return batchBadInput;
    }

    // Every side file follows the pathway's own rule for what may be replaced.
    Array<std::pair<std::string, std::string>> sideFiles;  // name, destination
    {
        Array<std::string> names{outputName + ".cache"};
        const std::string& imageName = app.pathway()->imageName();
        if (!imageName.empty()) {
            names.push_back(pictureCopyNameOf(outputName, imageName));
        }
        const std::filesystem::path folder = std::filesystem::path(outputPath).parent_path();
        for (const std::string& name : names) {
            const std::string path = (folder / name).string();
            const std::string destination = writeTargetOf(path, why);
            if (destination.empty()) {
                failure("cannot write %s: %s", path, why);
                return batchFailed;
            }
            sideFiles.emplace_back(name, destination);
        }
    }

    const BatchSettings settings = readBatchSettings(inputs.configuration);
    std::unique_ptr<DataSource> source;
    std::string sourceName;
    if (settings.useString) {
        source = std::make_unique<StringDataSource>("postgre");
        sourceName = "String";
    } else {
        for (const char* file : {nomenclatureFile, interactionFile}) {
            if (std::string reason = unreadableReason(file); !reason.empty()) {
                failure("cannot read the HPRD file %s: %s", file, reason);
                return batchFailed;
            }
        }
        auto hprd =
            std::make_unique<HPRDDataSource>(nomenclatureFile, interactionFile, "", nullptr);
        if (const std::string unusable = hprd->unusableFile(); !unusable.empty()) {
            failure("cannot read the HPRD file %s: %s", unusable, "nothing in it could be read");
            return batchFailed;
        }
        source = std::move(hprd);
        sourceName = "HPRD";
    }
    app.pathway()->setDataSourceName(sourceName);
    app.pathway()->graph().source = std::move(source);

    app.assignSelectionProteins();

    GraphBuilderParameters parameters;
    for (const std::string& entry : app.pathway()->nodeToIdLines()) {
        const std::string id = beforeDelimiter(entry, "#");
        // An empty identifier would become a made-up protein, and "|" is what
        // joins the two names of an interaction.
        if (id.empty() || id.find('|') != std::string::npos) {
            std::fprintf(stderr, "corvidane: %s: seed line '%s' %s; it is left out\n",
                         basePath.c_str(), entry.c_str(),
                         id.empty() ? "has no protein identifier" : "holds '|' in its identifier");
            continue;
        }
        parameters.seeds[afterDelimiter(entry, "#")] = id;
    }
    parameters.levels = settings.levels;
    parameters.conf = settings.conf;
    parameters.path = app.pathwayPath();
    parameters.species = settings.species;
    parameters.experiments = experiments;
    parameters.entire = settings.entire;
    parameters.filterConnectivity = settings.filterConnectivity;
    parameters.filterPaths = settings.filterPaths;
    if (!app.buildgraph(parameters)) {
        // The build said why.
        return batchFailed;
    }

    // The staging folder is the job's own, so the picture copy the build's
    // save just made there still holds the pixels decoded from the base.
    if (!app.reloadPathway(stagedPath)) {
        failure("cannot read back the built pathway %s: %s", outputPath, "see above");
        return batchFailed;
    }
    PathwayLayoutEntity& pathway = *app.pathway();
    {
        // Passes run here, on this thread; the layouter's own thread never starts.
        PathwayLayouter layouter(&pathway);
        layouter.step = 1.0;
        LayoutForces forces = pathway.layoutForces();
        forces.springForce *= 0.25;
        forces.edgeLength *= 0.25;
        forces.repulsiveForce *= 0.25;
        pathway.setLayoutForces(forces);
        for (int i = 0; i < layoutPasses; ++i) {
            trace("pathwaylayouet %d\n", i);
            layouter.layoutPass();
        }
    }

    pathway.storePositions();
    if (!pathway.savePathway(stagedPath)) {
        failure("cannot write the output pathway %s: %s", outputPath, "see above");
        return batchFailed;
    }

    // Made in the staging folder, so it starts empty: entries of an earlier
    // job at the output path belong to another layout.
    Cache cache(stagedPath + ".cache");
    pathway.cacheNeighbourhoodPositions(&cache);
    // Written even without hubs, so the pathway always has its side file.
    cache.markChanged();
    errno = 0;
    if (!cache.save()) {
        const std::string reason = errno != 0 ? std::strerror(errno) : "the write failed";
        failure("cannot write %s: %s", outputPath + ".cache", reason);
        return batchFailed;
    }
    app.close();

    // Side files first: a pathway in place never names a picture that is not.
    for (const auto& [name, destination] : sideFiles) {
        std::error_code error;
        const std::string staged = staging.at(name);
        if (!std::filesystem::exists(staged, error)) {
            continue;
        }
        if (!replaceWith(staged, destination, why)) {
            failure("cannot write %s: %s", destination, why);
            return batchFailed;
        }
    }
    if (!replaceWith(stagedPath, outputDestination, why)) {
        failure("cannot write the output pathway %s: %s", outputPath, why);
        return batchFailed;
    }
    return batchSucceeded;
}
