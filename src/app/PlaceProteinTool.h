// Placing a protein (tool 10): the protein finder asks which, and a node of
// that label is created where the press meets the plane z = 0, entered in the
// node table and in the seed list, and made the only selected one.
#pragma once

#include <string>

#include "app/EditingTool.h"
#include "engine/Table.h"

class PathwayLayoutEntity;

class PlaceProteinTool : public EditingTool {
public:
    using EditingTool::EditingTool;
    void press(const Ray& ray, bool right) override;

    // A fresh node-table key: the node count as text, or the next free number.
    static std::string freeNodeKey(const PathwayLayoutEntity& pathway);

    // The identifier the seed entry of the protein placed under `key` holds;
    // null when no placed protein has that key.
    const std::string* placedSeedId(const std::string& key) const;
    void forgetPlaced(const std::string& key) { placedSeedIds_.erase(key); }
    void forgetAllPlaced() { placedSeedIds_.clear(); }

private:
    // Node-table key of a placed protein -> the identifier its seed entry holds.
    Table<std::string, std::string> placedSeedIds_;
};
