// The batch job: experiment files, a network build into the -p pathway, 100
// layout passes and the -o pathway with its .cache file.
#include "app/Batch.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "app/App.h"
#include "app/CommandLine.h"
#include "app/GraphBuilderParameters.h"
#include "datasources/HPRDDataSource.h"
#include "datasources/StringDataSource.h"
#include "model/Cache.h"
#include "model/HeatmapSeries.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
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

// Why a file cannot be read; "" when it can be opened.
std::string unreadableReason(const std::string& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        return "it is a folder";
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

std::string valueOf(const Table<std::string, std::string>& table, const std::string& key) {
    auto found = table.find(key);
    return found == table.end() ? std::string() : found->second;
}

}  // namespace

int readFilterKey(const Table<std::string, std::string>& configuration, const std::string& key) {
    auto found = configuration.find(key);
    if (found == configuration.end()) {
        return -1;
    }
    const int value = stringToInt(found->second);
    // Text that is no number reads as 0; only a plain "0" means 0.
    return value == 0 && found->second != "0" ? -1 : value;
}

BatchSettings readBatchSettings(const Table<std::string, std::string>& configuration) {
    BatchSettings settings;
    settings.useString = toLower(valueOf(configuration, "datasource")) == "string";
    settings.levels = valueOf(configuration, "levels");
    settings.conf = valueOf(configuration, "conf");
    settings.species = valueOf(configuration, "species");
    auto entire = configuration.find("entire");
    settings.entire = entire == configuration.end() || entire->second != "false";
    settings.filterConnectivity = readFilterKey(configuration, "filterConnectivity");
    settings.filterPaths = readFilterKey(configuration, "filterPaths");
    return settings;
}

int runBatch() {
    const std::string& outputPath = commandLine.outputPath;
    const std::string& basePath = commandLine.pathwayPath;

    HeatmapSeries* experiments = ensureExperimentCache();
    for (const std::string& file : commandLine.experimentFiles) {
        if (!experiments->loadExperimentFile(file)) {
            std::string why = unreadableReason(file);
            failure("cannot read the experiment file %s: %s", file,
                    why.empty() ? "it is not an experiment file" : why);
            return batchBadInput;
        }
    }

    App app;
    if (!readConfigFile("config.txt", app.configuration)) {
        // The batch job uses none of its keys, so a broken file does not stop it.
        std::fprintf(stderr, "corvidane: config.txt is malformed; its later entries are ignored\n");
    }

    if (!app.createPathwayFromExisting(outputPath, basePath)) {
        std::string why = unreadableReason(basePath);
        failure("cannot use %s as the pathway to update: %s", basePath,
                why.empty() ? "it is not a pathway file" : why);
        return batchBadInput;
    }
    if (std::string why = unwritableFolderReason(outputPath); !why.empty()) {
        failure("cannot write the output pathway %s: %s", outputPath, why);
        return batchFailed;
    }

    const BatchSettings settings = readBatchSettings(commandLine.configuration);
    std::unique_ptr<DataSource> source;
    std::string sourceName;
    if (settings.useString) {
        source = std::make_unique<StringDataSource>("postgre");
        sourceName = "String";
    } else {
        for (const char* file : {nomenclatureFile, interactionFile}) {
            if (std::string why = unreadableReason(file); !why.empty()) {
                failure("cannot read the HPRD file %s: %s", file, why);
                return batchFailed;
            }
        }
        source = std::make_unique<HPRDDataSource>(nomenclatureFile, interactionFile, "", nullptr);
        sourceName = "HPRD";
    }
    app.pathway->dataSourceName = sourceName;
    app.pathway->graph->source = std::move(source);

    app.assignSelectionProteins();

    GraphBuilderParameters parameters;
    for (const std::string& entry : app.pathway->nodeToIdLines) {
        parameters.seeds[afterDelimiter(entry, "#")] = beforeDelimiter(entry, "#");
    }
    parameters.levels = settings.levels;
    parameters.conf = settings.conf;
    parameters.path = app.pathwayPath;
    parameters.species = settings.species;
    parameters.experiments = experiments;
    parameters.entire = settings.entire;
    parameters.filterConnectivity = settings.filterConnectivity;
    parameters.filterPaths = settings.filterPaths;
    if (!app.buildgraph(parameters)) {
        // The build said why.
        return batchFailed;
    }

    if (!app.loadPathway(outputPath)) {
        failure("cannot read back the built pathway %s: %s", outputPath, "see above");
        return batchFailed;
    }
    PathwayLayoutEntity& pathway = *app.pathway;
    {
        // Passes run here, on this thread; the layouter's own thread never starts.
        PathwayLayouter layouter(&pathway);
        layouter.step = 1.0;
        pathway.springForce *= 0.25;
        pathway.edgeLength *= 0.25;
        pathway.repulsiveForce *= 0.25;
        for (int i = 0; i < layoutPasses; ++i) {
            std::printf("pathwaylayouet %d\n", i);
            std::fflush(stdout);
            layouter.layoutPass();
        }
    }

    pathway.storePositions();
    if (!pathway.savePathway(outputPath)) {
        failure("cannot write the output pathway %s: %s", outputPath, "see above");
        return batchFailed;
    }

    Cache cache(outputPath + ".cache");
    pathway.cacheNeighbourhoodPositions(&cache);
    // Written even without hubs, so the pathway always has its side file.
    cache.markChanged();
    errno = 0;
    if (!cache.save()) {
        const std::string why = errno != 0 ? std::strerror(errno) : "the write failed";
        failure("cannot write %s: %s", cache.getFileName(), why);
        return batchFailed;
    }
    app.close();
    return batchSucceeded;
}
