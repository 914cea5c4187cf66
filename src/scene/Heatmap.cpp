// Heatmap grid and the glyph that carries it.
#include "scene/Heatmap.h"

#include <algorithm>

Heatmap::Heatmap(const CoordinateFrame& frame, Array<Array<Vector3>> colours,
                 Array<std::string> names, double cell)
    : ContainerEntity(frame, "", Vector3(1, 1, 0.0001f), Color4(1, 1, 1, 1)),
      rowColours(std::move(colours)),
      rowNames(std::move(names)),
      cellSize(cell) {
    bodyHidden = true;
    unclipped = true;
    clip = false;
    rowNames.resize(rowColours.size());
    rebuild();
}

Heatmap::~Heatmap() {
    children.clear();
}

Entity* Heatmap::pick(const Ray&) {
    return nullptr;
}

void Heatmap::scale(double factor) {
    cellSize *= factor;
    rebuild();
}

void Heatmap::setFont(std::shared_ptr<Font> newFont) {
    // Only the row labels carry text; the cells keep no font.
    font = newFont;
    invalidateContent();
    for (auto& entity : grid) {
        if (!entity->getName().empty()) {
            entity->setFont(newFont);
        }
    }
}

void Heatmap::rebuild() {
    children.clear();
    grid.clear();
    for (std::size_t i = 0; i < rowColours.size(); ++i) {
        const float y = static_cast<float>(0.03 * static_cast<double>(i) + cellSize + 0.03);
        const CoordinateFrame labelFrame(Vector3(static_cast<float>(-cellSize), y, 0.01f));
        auto label =
            std::make_unique<NodeEntity>(labelFrame, rowNames[i], 1, Vector3(0.1f, 0.05f, 0.0001f),
                                         Color4(0.7f, 0.7f, 0.7f, 1), false);
        label->setFont(font);
        label->setFontColor(0, 0, 0, 1);
        addChild(label.get());
        grid.push_back(std::move(label));

        const Array<Vector3>& row = rowColours[i];
        if (row.empty()) {
            continue;
        }
        const double w = std::min(0.3 / static_cast<double>(row.size()), 0.1);
        for (std::size_t j = 0; j < row.size(); ++j) {
            const float x = static_cast<float>(0.05 + w / 2 + static_cast<double>(j) * w);
            const CoordinateFrame cellFrame(labelFrame.translation + Vector3(x, 0, 0));
            auto cell = std::make_unique<NodeEntity>(
                cellFrame, "", 1, Vector3(static_cast<float>(w), 0.03f, 0.0005f),
                Color4(row[j].x, row[j].y, row[j].z, 1), false);
            cell->shapeName = "rectcont";
            cell->unclipped = true;
            cell->update();
            addChild(cell.get());
            grid.push_back(std::move(cell));
        }
    }
}

HeatmapGlyph::HeatmapGlyph(std::unique_ptr<Heatmap> map) : heatmap(std::move(map)) {
    type = "HeatmapGlyph";
    clip = false;
    unclipped = false;
    fullLabel = false;
    childrenFirst = false;
    if (heatmap) {
        addChild(heatmap.get());
    }
}

HeatmapGlyph::~HeatmapGlyph() {
    children.clear();
}

void HeatmapGlyph::render(RenderDevice* rd) {
    if (!children.empty()) {
        children.front()->render(rd);
    }
}

void HeatmapGlyph::scale(double factor) {
    if (!children.empty()) {
        children.front()->scale(factor);
    }
}
