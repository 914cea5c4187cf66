// Bar filled red in proportion to how much of a protein's neighbourhood was explored.
#pragma once

#include "engine/CoordinateFrame.h"
#include "scene/Glyph.h"

class AlreadyExploredGlyph : public Glyph {
public:
    explicit AlreadyExploredGlyph(double fraction);

    void render(RenderDevice* rd) override;
    double getFraction() const { return fraction; }

    // The bar lies along the node's x axis: a quarter turn about z.
    static CoordinateFrame barFrame();
    static constexpr float barWidth = 0.02f;
    static constexpr float barHeight = 0.1f;

private:
    double fraction;
};
