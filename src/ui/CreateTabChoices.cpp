#include "ui/CreateTabChoices.h"

#include <QFileInfo>

SourceChoice sourceFromName(const std::string& dataSourceName) {
    return dataSourceName == "String" ? SourceChoice::String : SourceChoice::HPRD;
}

std::string sourceName(SourceChoice source) {
    return source == SourceChoice::String ? "String" : "HPRD";
}

BuildModeChoice buildModeFromName(const std::string& buildMode) {
    if (buildMode == "From Image")
        return BuildModeChoice::PaintOnImage;
    if (buildMode == "From Existing")
        return BuildModeChoice::FromExisting;
    return BuildModeChoice::Standard;
}

PainterKind painterKind(BuildModeChoice mode, bool hasShapeFinder) {
    switch (mode) {
        case BuildModeChoice::Standard:
            return PainterKind::Tools;
        case BuildModeChoice::PaintOnImage:
            return PainterKind::PaintNote;
        case BuildModeChoice::FromExisting:
            break;
    }
    return hasShapeFinder ? PainterKind::PaintNote : PainterKind::Tools;
}

std::string painterBuildMode(PainterKind kind) {
    return kind == PainterKind::Tools ? "Standard" : "From Image";
}

Table<std::string, std::string> seedTable(const Array<std::string>& nodeToIdLines) {
    Table<std::string, std::string> seeds;
    for (const std::string& line : nodeToIdLines) {
        const std::size_t hash = line.find('#');
        if (hash == std::string::npos) {
            continue;
        }
        seeds[line.substr(hash + 1)] = line.substr(0, hash);
    }
    return seeds;
}

GraphBuilderParameters networkParameters(const NetworkChoices& choices,
                                         const Array<std::string>& nodeToIdLines,
                                         const std::string& path, const std::string& species,
                                         HeatmapSeries* experiments) {
    GraphBuilderParameters parameters;
    parameters.seeds = seedTable(nodeToIdLines);
    parameters.levels = choices.levels.toStdString();
    parameters.conf =
        choices.source == SourceChoice::String ? std::to_string(choices.confidence) : "";
    parameters.path = path;
    parameters.species = species;
    parameters.experiments = experiments;
    parameters.entire = choices.allExperimentalProteins;
    parameters.filterConnectivity = choices.filterConnectivity;
    parameters.filterPaths = choices.filterPaths;
    return parameters;
}

QStringList speciesChoices() {
    return {"Mouse", "Human"};
}

int speciesOfSeeds(const Array<std::string>& nodeToIdLines) {
    for (const std::string& line : nodeToIdLines) {
        const std::string id = line.substr(0, line.find('#'));
        const std::size_t dot = id.find('.');
        if (dot == std::string::npos)
            continue;
        const std::string taxon = id.substr(0, dot);
        if (taxon == "10090")
            return 0;
        if (taxon == "9606")
            return 1;
    }
    return 0;
}

QString experimentLabel(const QString& fileName) {
    return QFileInfo(fileName).fileName();
}
