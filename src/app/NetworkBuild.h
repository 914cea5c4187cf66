// The network build: the seeds placed or painted on a pathway are expanded
// through its graph's data source, filtered, named, coloured by the
// experiments, positioned and saved. No window and no App: the window's
// progress dialog is the only service it asks for.
#pragma once

#include <string>
#include <unordered_set>

#include "app/GraphBuilderParameters.h"
#include "engine/Table.h"

class EdgeEntity;
class NodeEntity;
class PathwayLayoutEntity;
class WindowServices;

// Builds the network of `pathway` (stopping its layouter) from the seeds
// `parameters` name and saves the pathway to `savePath`. `window` (null in batch
// mode) shows a progress dialog over 0 to 16, closed however the build ends.
// False, with a message on stderr and the reason in `why` (when given), when
// there is no pathway, its data source is missing or fails, or the file cannot
// be written; the pathway is then as it was before, so the build can be retried.
[[nodiscard]] bool buildNetwork(PathwayLayoutEntity* pathway,
                                const GraphBuilderParameters& parameters,
                                const std::string& savePath, WindowServices* window,
                                std::string* why = nullptr);

// Two pathway proteins with one identifier P become P, P_0, P_1, ...: the
// identifier `id` gets among those already `taken` (to which it is added). The
// build and the painted regions call it in the same order, so both give the
// same identifiers.
std::string uniqueProteinId(const std::string& id, std::unordered_set<std::string>& taken);

// The proteins and the interactions drawn on the pathway, in child order: the
// seeds of a build.
Array<NodeEntity*> pathwayNodes(const PathwayLayoutEntity& pathway);
Array<EdgeEntity*> pathwayEdges(const PathwayLayoutEntity& pathway);
