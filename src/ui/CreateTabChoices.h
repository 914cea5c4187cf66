// The decisions of the Create tab as plain functions: which seeds a pathway's
// NODE_TO_ID lines give, which painter step a build mode leads to, what the
// network build is handed, how an experiment file is listed.
#pragma once

#include <string>

#include <QString>
#include <QStringList>

#include "app/GraphBuilderParameters.h"
#include "engine/Table.h"

class HeatmapSeries;

enum class SourceChoice { HPRD, String };
enum class BuildModeChoice { Standard, PaintOnImage, FromExisting };

// The pathway's stored data-source name as a choice; HPRD for any other name.
SourceChoice sourceFromName(const std::string& dataSourceName);
// The name a pathway stores for a source: "HPRD" or "String".
std::string sourceName(SourceChoice source);
// The pathway's stored build mode as a choice; Standard for any other text.
BuildModeChoice buildModeFromName(const std::string& buildMode);

// What the painter step shows: the four drawing tools, or the note to paint on
// the image (a pathway made on an image, or copied from one).
enum class PainterKind { Tools, PaintNote };
PainterKind painterKind(BuildModeChoice mode, bool hasShapeFinder);
// The build mode the pathway records for that painter step.
std::string painterBuildMode(PainterKind kind);

// Label -> identifier from lines "identifier#label"; a line without "#" names
// no label and is skipped; of two lines with one label the later wins, as in
// the batch job.
Table<std::string, std::string> seedTable(const Array<std::string>& nodeToIdLines);

// What the network parameters step holds when "Finish" is pressed.
struct NetworkChoices {
    SourceChoice source = SourceChoice::HPRD;
    QString levels = "1";
    // The Confidence box; only STRING has one.
    int confidence = 900;
    int filterConnectivity = -1;
    int filterPaths = -1;
    bool allExperimentalProteins = false;
};

// The build's arguments: the confidence is the box's for STRING and empty
// (the build's default) for HPRD.
GraphBuilderParameters networkParameters(const NetworkChoices& choices,
                                         const Array<std::string>& nodeToIdLines,
                                         const std::string& path, const std::string& species,
                                         HeatmapSeries* experiments);

// The species a STRING pathway is asked for, in the order offered.
QStringList speciesChoices();
// The choice its seed identifiers name by their taxon ("9606.ENSP..." is
// human); 0 when none names a species offered.
int speciesOfSeeds(const Array<std::string>& nodeToIdLines);

// How an added experiment file is listed: its file name.
QString experimentLabel(const QString& fileName);
