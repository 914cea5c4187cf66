// A grid of coloured cells, one row per experiment entry of a protein, and the
// glyph that carries it. The heatmap owns its row labels and cells.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "engine/Vector3.h"
#include "scene/ContainerEntity.h"
#include "scene/Glyph.h"

class Heatmap : public ContainerEntity {
public:
    Heatmap(const CoordinateFrame& frame, Array<Array<Vector3>> rowColours,
            Array<std::string> rowNames, double cellSize);
    ~Heatmap() override;

    Entity* pick(const Ray& ray) override;
    // Multiplies the cell size and rebuilds the grid.
    void scale(double factor) override;
    void setFont(std::shared_ptr<Font> font) override;

    double getCellSize() const { return cellSize; }
    const Array<std::unique_ptr<NodeEntity>>& gridEntities() const { return grid; }

private:
    void rebuild();

    Array<Array<Vector3>> rowColours;
    Array<std::string> rowNames;
    double cellSize;
    Array<std::unique_ptr<NodeEntity>> grid;
};

class HeatmapGlyph : public Glyph {
public:
    explicit HeatmapGlyph(std::unique_ptr<Heatmap> heatmap);
    ~HeatmapGlyph() override;

    void render(RenderDevice* rd) override;
    void scale(double factor) override;
    Heatmap* getHeatmap() const { return heatmap.get(); }

private:
    std::unique_ptr<Heatmap> heatmap;
};
