// Label fonts: a TrueType or OpenType file rendered once into a glyph atlas,
// with an advance table built at load time so that measuring text needs no
// OpenGL and may run on any thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Vector2.h"
#include "engine/render/Image.h"
#include "engine/render/LabelCache.h"

class RenderDevice;
class Texture;

class Font {
public:
    enum XAlign { XALIGN_LEFT, XALIGN_CENTER, XALIGN_RIGHT };
    enum YAlign { YALIGN_TOP, YALIGN_BASELINE, YALIGN_CENTER, YALIGN_BOTTOM };
    enum Spacing { PROPORTIONAL_SPACING, FIXED_SPACING };

    // Characters 0 to 255 (Latin-1) are in the atlas; others draw as '?'.
    static constexpr int GLYPH_COUNT = 256;
    // DejaVu Sans of fonts-dejavu-core.
    static constexpr const char* DEFAULT_FONT_FILE =
        "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

    // A label whose characters would be drawn smaller than this many pixels
    // is unreadable and is not drawn; neither is one wholly out of view.
    static constexpr float SMALLEST_READABLE_PIXELS = 4.0f;

    // Largest font file read: the largest real fonts are tens of MiB.
    static constexpr long long maxFileBytes = 64LL << 20;

    // Null, with a warning on stderr, when the file is not a regular file of
    // at most maxFileBytes that reads as a font (or no Qt GUI application
    // exists to rasterise it).
    static std::shared_ptr<Font> fromFile(const std::string& path);

    // (sum of the characters' advances, 1.5 * size), in the units of size.
    Vector2 bounds(const std::string& text, double size) const;
    double textWidth(const std::string& text, double size,
                     Spacing spacing = PROPORTIONAL_SPACING) const;
    double advance(unsigned int character, double size) const;
    // The length in bytes of the longest prefix of text narrower than limit
    // at size (its width as bounds gives it), cut only before a byte that
    // does not continue a UTF-8 sequence, and at most `longest` bytes long.
    // Reads the text only up to one character past that prefix.
    std::size_t fittingPrefix(const std::string& text, double size, double limit,
                              std::size_t longest = std::string::npos) const;

    // Draws in the plane z = 0 of frame: x to the right, y up; with left and
    // top alignment the text's top-left corner is frame's origin. An outline
    // colour with alpha 0 draws no outline.
    void draw3D(RenderDevice* renderDevice, const std::string& text, const CoordinateFrame& frame,
                double size, const Color4& color, const Color4& outline = Color4::clear(),
                XAlign xalign = XALIGN_LEFT, YAlign yalign = YALIGN_TOP,
                Spacing spacing = PROPORTIONAL_SPACING) const;

    // Many labels as few draws: beginLabels sets the label state (pushed),
    // each label sends one quad of its rendered image from the label cache
    // (its glyphs when it has no place there) as draw3D places them,
    // endLabels pops the state. Only colours, normals, texture coordinates
    // and the bound texture may change in between. False (and nothing to
    // end) without an atlas.
    bool beginLabels(RenderDevice* renderDevice) const;
    void label(RenderDevice* renderDevice, const std::string& text, const CoordinateFrame& frame,
               double size, const Color4& color, const Color4& outline = Color4::clear(),
               XAlign xalign = XALIGN_LEFT, YAlign yalign = YALIGN_TOP,
               Spacing spacing = PROPORTIONAL_SPACING) const;
    void endLabels(RenderDevice* renderDevice) const;

    const std::string& path() const { return path_; }
    const std::shared_ptr<Texture>& texture() const { return texture_; }

    // Builds a font from a prepared atlas and advances: for tests that need
    // exact metrics. advances are in units of size (height 1.5).
    static std::shared_ptr<Font> fromAdvances(const std::array<float, GLYPH_COUNT>& advances);

    ~Font();
    // False draws every label glyph by glyph, as the cache's images are made:
    // for comparing the two.
    static inline bool cacheLabels = true;
    // Rendered labels kept; null before the first label is drawn.
    const LabelCache* labelCache() const { return labelCache_.get(); }

private:
    Font() = default;
    // Sends the label's glyphs, one quad each, from the atlas.
    void glyphQuads(RenderDevice* rd, const std::vector<unsigned>& chars, double x0, double top,
                    double size, const CoordinateFrame& frame, const Color4& color,
                    const Color4& outline, Spacing spacing) const;
    // The label's glyphs as one coverage image of the atlas's resolution.
    LabelCache::Picture picture(const std::vector<unsigned>& chars) const;

    std::string path_;
    // Advance of each character as a fraction of size.
    std::array<float, GLYPH_COUNT> advances_{};
    // Atlas cell of each character, in pixels, and the common cell height.
    struct Cell {
        int x = 0, y = 0, width = 0;
    };
    std::array<Cell, GLYPH_COUNT> cells_{};
    // Where the pen stands inside each cell, in pixels from its left edge.
    std::array<int, GLYPH_COUNT> penOffsets_{};
    int cellHeight_ = 0;
    // Pixels of the atlas per unit of size.
    float pixelsPerUnit_ = 1;
    // Empty rows above and below the glyphs of every cell, in pixels.
    int padding_ = 0;
    // Share of the text height above the baseline.
    float ascentFraction_ = 0.75f;
    std::shared_ptr<Texture> texture_;
    // The atlas's coverage, kept to render whole labels from.
    std::vector<uint8_t> atlasAlpha_;
    mutable std::unique_ptr<LabelCache> labelCache_;
};
