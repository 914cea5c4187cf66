// The already-explored bar.
#include "scene/AlreadyExploredGlyph.h"

#include <cstdio>

#include "engine/Matrix3.h"
#include "engine/render/Draw.h"
#include "engine/render/RenderDevice.h"

AlreadyExploredGlyph::AlreadyExploredGlyph(double f) : fraction(f) {
    if (1.0 < fraction) {
        std::printf("\nERROR PERCE\n");
        std::fflush(stdout);
    }
}

CoordinateFrame AlreadyExploredGlyph::barFrame() {
    return CoordinateFrame(Matrix3::fromAxisAngle(Vector3(0, 0, 1), 1.5707964f),
                           Vector3(0.08f, -0.09f, 0));
}

void AlreadyExploredGlyph::render(RenderDevice* rd) {
    if (rd == nullptr) {
        return;
    }
    const float w = barWidth;
    const float h = barHeight;
    const float filled = static_cast<float>(h * fraction);
    rd->pushState();
    rd->setObjectToWorldMatrix(globalFrame * barFrame());
    Draw::box(Vector3(-w / 2, 0, 0), Vector3(w / 2, filled, 0), rd, Color4(1, 0, 0, 1),
              Color4(0, 0, 0, 1));
    Draw::box(Vector3(-w / 2, filled, 0), Vector3(w / 2, h, 0), rd, Color4(1, 1, 1, 1),
              Color4(0, 0, 0, 1));
    rd->popState();
}
