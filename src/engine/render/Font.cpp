// Label fonts: glyphs of a font file rasterised once through Qt into an atlas.
#include "engine/render/Font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <QGlyphRun>
#include <QGuiApplication>
#include <QPainter>
#include <QRawFont>

#include "engine/RegularFile.h"
#include "engine/render/LabelCache.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"

namespace {

// Rasterising size of the atlas: large enough for labels that fill the view.
constexpr int kPixelSize = 48;
constexpr int kPadding = 4;
constexpr int kAtlasWidth = 1024;

// The character that starts at s[i] of a text of n bytes; `next` gets where
// the one after it starts. A byte that starts no valid UTF-8 sequence stands
// for itself (Latin-1), and characters beyond Latin-1 become '?'.
unsigned characterAt(const unsigned char* s, std::size_t n, std::size_t i, std::size_t& next) {
    unsigned c = s[i];
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    if (c >= 0xF8)
        extra = 0;
    bool valid = extra > 0 && i + extra < n;
    if (valid) {
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
        }
    }
    if (!valid) {
        next = i + 1;
        return c;
    }
    unsigned cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
        cp = (cp << 6) | (s[i + k] & 0x3F);
    next = i + extra + 1;
    return cp < unsigned(Font::GLYPH_COUNT) ? cp : unsigned('?');
}

std::vector<unsigned> characters(const std::string& text) {
    std::vector<unsigned> out;
    out.reserve(text.size());
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0, next = 0; i < text.size(); i = next)
        out.push_back(characterAt(s, text.size(), i, next));
    return out;
}

bool isControl(unsigned c) {
    return c < 32 || (c >= 127 && c < 160);
}

}  // namespace

std::shared_ptr<Font> Font::fromFile(const std::string& path) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "cannot load font %s: no GUI application to render it\n",
                     path.c_str());
        return nullptr;
    }
    // The caller says what is used instead.
    std::string bytes, why;
    if (path.empty() || !readRegularFile(path, maxFileBytes, bytes, &why)) {
        std::fprintf(stderr, "cannot read font file \"%s\": %s\n", path.c_str(),
                     path.empty() ? "no file named" : why.c_str());
        return nullptr;
    }
    QRawFont raw(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), kPixelSize);
    if (!raw.isValid()) {
        std::fprintf(stderr, "\"%s\" is not a usable font\n", path.c_str());
        return nullptr;
    }

    std::shared_ptr<Font> font(new Font());
    font->path_ = path;
    double ascent = raw.ascent(), descent = raw.descent();
    double lineHeight = ascent + descent;
    if (!(lineHeight > 0))
        lineHeight = kPixelSize;
    font->pixelsPerUnit_ = float(lineHeight / 1.5);
    font->padding_ = kPadding;
    font->cellHeight_ = int(std::ceil(lineHeight)) + 2 * kPadding;
    font->ascentFraction_ = float(ascent / lineHeight);

    quint32 question = 0;
    {
        QList<quint32> g = raw.glyphIndexesForString(QStringLiteral("?"));
        if (!g.isEmpty())
            question = g[0];
    }

    // Lay the cells out in rows, then draw every glyph into its cell.
    std::array<quint32, GLYPH_COUNT> glyph{};
    std::array<int, GLYPH_COUNT> penOffset{};
    int x = 0, y = 0;
    for (int c = 0; c < GLYPH_COUNT; ++c) {
        if (isControl(unsigned(c)))
            continue;
        QList<quint32> g = raw.glyphIndexesForString(QString(QChar(c)));
        quint32 index = g.isEmpty() || g[0] == 0 ? question : g[0];
        glyph[c] = index;
        QList<QPointF> advance = raw.advancesForGlyphIndexes(QList<quint32>{index});
        double adv = advance.isEmpty() ? 0 : advance[0].x();
        // Never negative, so that a longer prefix is never narrower.
        font->advances_[c] = float(std::max(0.0, adv) / font->pixelsPerUnit_);
        QRectF box = raw.boundingRect(index);
        double left = std::min(0.0, box.left());
        double right = std::max(adv, box.right());
        int width = int(std::ceil(right - left)) + 2 * kPadding;
        penOffset[c] = kPadding + int(std::ceil(-left));
        if (x + width > kAtlasWidth) {
            x = 0;
            y += font->cellHeight_;
        }
        font->cells_[c] = {x, y, width};
        x += width;
    }
    QImage atlas(kAtlasWidth, y + font->cellHeight_, QImage::Format_ARGB32_Premultiplied);
    atlas.fill(Qt::transparent);
    {
        QPainter painter(&atlas);
        painter.setPen(Qt::white);
        for (int c = 0; c < GLYPH_COUNT; ++c) {
            if (isControl(unsigned(c)) || font->cells_[c].width == 0)
                continue;
            QGlyphRun run;
            run.setRawFont(raw);
            run.setGlyphIndexes({glyph[c]});
            run.setPositions({QPointF(0, 0)});
            const Cell& cell = font->cells_[c];
            painter.drawGlyphRun(QPointF(cell.x + penOffset[c], cell.y + kPadding + ascent), run);
        }
    }
    // White everywhere; the coverage goes to alpha, so the drawing colour tints it.
    QImage rgba(atlas.width(), atlas.height(), QImage::Format_RGBA8888);
    font->atlasAlpha_.resize(std::size_t(atlas.width()) * std::size_t(atlas.height()));
    for (int row = 0; row < rgba.height(); ++row) {
        const QRgb* src = reinterpret_cast<const QRgb*>(atlas.constScanLine(row));
        uchar* p = rgba.scanLine(row);
        uint8_t* alpha = &font->atlasAlpha_[std::size_t(row) * std::size_t(atlas.width())];
        for (int col = 0; col < rgba.width(); ++col) {
            p[4 * col] = p[4 * col + 1] = p[4 * col + 2] = 255;
            p[4 * col + 3] = alpha[col] = uchar(qAlpha(src[col]));
        }
    }
    // Cells keep the pen offset as their left edge inside the cell.
    for (int c = 0; c < GLYPH_COUNT; ++c)
        font->penOffsets_[c] = penOffset[c];
    font->texture_ = Texture::fromImage("font:" + path, Image(rgba));
    return font;
}

Font::~Font() = default;

std::shared_ptr<Font> Font::fromAdvances(const std::array<float, GLYPH_COUNT>& advances) {
    std::shared_ptr<Font> font(new Font());
    font->path_ = "";
    for (int c = 0; c < GLYPH_COUNT; ++c)
        font->advances_[c] = std::max(0.0f, advances[c]);
    return font;
}

double Font::advance(unsigned int character, double size) const {
    if (character >= unsigned(GLYPH_COUNT))
        character = '?';
    return advances_[character] * size;
}

double Font::textWidth(const std::string& text, double size, Spacing spacing) const {
    double width = 0;
    for (unsigned c : characters(text))
        width += spacing == FIXED_SPACING ? advance('M', size) : advance(c, size);
    return width;
}

std::size_t Font::fittingPrefix(const std::string& text, double size, double limit,
                                std::size_t longest) const {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    // The same sum, in the same order, as textWidth makes for each prefix.
    double width = 0;
    std::size_t fits = 0;
    for (std::size_t i = 0, next = 0; i < n; i = next) {
        width += advance(characterAt(s, n, i, next), size);
        if (next < n && (s[next] & 0xC0) == 0x80)
            continue;  // not a place to cut
        if (!(float(width) < limit) || next > longest)
            break;
        fits = next;
    }
    return fits;
}

Vector2 Font::bounds(const std::string& text, double size) const {
    return Vector2(float(textWidth(text, size)), float(1.5 * size));
}

void Font::draw3D(RenderDevice* rd, const std::string& text, const CoordinateFrame& frame,
                  double size, const Color4& color, const Color4& outline, XAlign xalign,
                  YAlign yalign, Spacing spacing) const {
    if (!rd || text.empty() || !(size > 0) || !beginLabels(rd))
        return;
    label(rd, text, frame, size, color, outline, xalign, yalign, spacing);
    endLabels(rd);
}

bool Font::beginLabels(RenderDevice* rd) const {
    if (!rd || !texture_)
        return false;
    if (labelCache_)
        labelCache_->checkContext();
    rd->pushState();
    // Glyphs go out in world space, so labels in different frames share a draw.
    rd->setObjectToWorldMatrix(CoordinateFrame());
    rd->setCullFace(RenderDevice::CULL_NONE);
    for (int unit = 1; unit < RenderDevice::MAX_TEXTURE_UNITS; ++unit)
        rd->setTexture(unit, nullptr);
    rd->setTexture(0, texture_);
    rd->setBlendFunc(RenderDevice::BLEND_SRC_ALPHA, RenderDevice::BLEND_ONE_MINUS_SRC_ALPHA);
    rd->setAlphaTest(true, 0.05f);
    // Labels lie on their node's face: keep them in front of it.
    rd->setPolygonOffset(-1, -4);
    rd->beginBatch();
    return true;
}

void Font::endLabels(RenderDevice* rd) const {
    rd->endBatch();
    rd->popState();
}

namespace {

// The label's passes: four offset ones in the outline colour (when it has
// one), then the label itself on top.
template <class Pass>
void outlinedPasses(RenderDevice* rd, const CoordinateFrame& frame, double size,
                    const Color4& color, const Color4& outline, Pass pass) {
    // The label faces along the frame's z.
    rd->setNormal(frame.rotation.column(2));
    if (outline.a > 0) {
        rd->setColor(outline);
        const double o = size * 0.05;
        pass(-o, 0), pass(o, 0), pass(0, -o), pass(0, o);
    }
    rd->setColor(color);
    pass(0, 0);
}

}  // namespace

void Font::label(RenderDevice* rd, const std::string& text, const CoordinateFrame& frame,
                 double size, const Color4& color, const Color4& outline, XAlign xalign,
                 YAlign yalign, Spacing spacing) const {
    if (!rd || text.empty() || !texture_ || !(size > 0))
        return;
    const double width = textWidth(text, size, spacing);
    const double height = 1.5 * size;
    const double x0 = xalign == XALIGN_LEFT ? 0 : xalign == XALIGN_CENTER ? -width / 2 : -width;
    const double top = yalign == YALIGN_TOP      ? 0
                       : yalign == YALIGN_CENTER ? height / 2
                       : yalign == YALIGN_BOTTOM ? height
                                                 : height * ascentFraction_;

    const Vector3 across = frame.rotation.column(0), up = frame.rotation.column(1);
    // Unreadable or out of view: nothing of it would show.
    float px = 0, py = 0, perUnit = 0;
    {
        const Vector3 centre =
            frame.translation + across * float(x0 + width / 2) + up * float(top - height / 2);
        if (!rd->project(centre, &px, &py, &perUnit) ||
            !(perUnit * size >= SMALLEST_READABLE_PIXELS))
            return;
        // Half the diagonal, and more for glyphs past their advance and turned views.
        const float reach = float(perUnit * (width + height)) + 4;
        if (px + reach < 0 || py + reach < 0 || px - reach > rd->width() ||
            py - reach > rd->height())
            return;
    }

    // Fixed spacing is for tests: its glyphs go out one by one.
    const LabelCache::Slot* slot = nullptr;
    if (spacing == PROPORTIONAL_SPACING && cacheLabels && !atlasAlpha_.empty()) {
        // The mipmap level whose texels are about a pixel of this label.
        const double texelsPerPixel = pixelsPerUnit_ / (perUnit * size);
        int level = 0;
        while (level < 3 && texelsPerPixel >= double(2 << level))
            ++level;
        if (!labelCache_)
            labelCache_ = std::make_unique<LabelCache>();
        slot = labelCache_->find(text, level);
        if (slot == nullptr) {
            slot = labelCache_->insert(text, level, picture(characters(text)), rd);
            if (slot != nullptr)
                slot->page->openGLID();  // sends its texels, even to a bound page
        }
    }
    if (slot == nullptr) {
        rd->setTexture(0, texture_);
        glyphQuads(rd, characters(text), x0, top, size, frame, color, outline, spacing);
        return;
    }

    rd->setTexture(0, slot->page);
    const double scale = size / pixelsPerUnit_;  // world units per texel of the full image
    const double left = x0 + slot->originX * scale, right = left + slot->width * scale;
    auto vertex = [&](double x, double y, float s, float t) {
        rd->setTexCoord(0, s, t);
        rd->sendVertex(across * float(x) + up * float(y) + frame.translation);
    };
    outlinedPasses(rd, frame, size, color, outline, [&](double dx, double dy) {
        const double cellTop = top + dy + padding_ * scale;
        const double cellBottom = cellTop - slot->height * scale;
        rd->beginPrimitive(RenderDevice::QUADS);
        vertex(left + dx, cellTop, slot->s0, slot->t0);
        vertex(left + dx, cellBottom, slot->s0, slot->t1);
        vertex(right + dx, cellBottom, slot->s1, slot->t1);
        vertex(right + dx, cellTop, slot->s1, slot->t0);
        rd->endPrimitive();
    });
}

LabelCache::Picture Font::picture(const std::vector<unsigned>& chars) const {
    // Where each glyph's cell starts, in texels of the atlas: a whole part
    // and the fraction by which the cell is shifted right within it.
    std::vector<double> at(chars.size(), 0);
    double pen = 0;
    int first = 0, last = 0;
    bool any = false;
    for (std::size_t k = 0; k < chars.size(); ++k) {
        const unsigned c = chars[k];
        const Cell& cell = cells_[c];
        if (cell.width > 0 && !isControl(c)) {
            at[k] = pen * pixelsPerUnit_ - penOffsets_[c];
            const int from = int(std::floor(at[k])), to = from + cell.width + 1;
            first = any ? std::min(first, from) : from;
            last = any ? std::max(last, to) : to;
            any = true;
        }
        pen += advances_[c];
    }
    LabelCache::Picture out;
    if (!any)
        return out;
    out.originX = first;
    out.width = last - first;
    out.height = cellHeight_;
    out.alpha.assign(std::size_t(out.width) * std::size_t(out.height), 0);
    const int atlasWidth = texture_->width();
    for (std::size_t k = 0; k < chars.size(); ++k) {
        const Cell& cell = cells_[chars[k]];
        if (cell.width == 0 || isControl(chars[k]))
            continue;
        const int whole = int(std::floor(at[k]));
        const int f = int(std::lround((at[k] - whole) * 256));
        for (int row = 0; row < cellHeight_; ++row) {
            const uint8_t* src = &atlasAlpha_[std::size_t(cell.y + row) * std::size_t(atlasWidth) +
                                              std::size_t(cell.x)];
            uint8_t* dst =
                &out.alpha[std::size_t(row) * std::size_t(out.width) + std::size_t(whole - first)];
            // Laid over what is there, as blending one glyph quad over another does.
            for (int col = 0; col <= cell.width; ++col) {
                const int a = col < cell.width ? src[col] : 0, b = col > 0 ? src[col - 1] : 0;
                const int v = (a * (256 - f) + b * f + 128) >> 8;
                dst[col] = uint8_t(dst[col] + (v * (255 - dst[col]) + 127) / 255);
            }
        }
    }
    return out;
}

void Font::glyphQuads(RenderDevice* rd, const std::vector<unsigned>& chars, double x0, double top,
                      double size, const CoordinateFrame& frame, const Color4& color,
                      const Color4& outline, Spacing spacing) const {
    const double scale = size / pixelsPerUnit_;  // world units per atlas pixel
    const float invW = 1.0f / float(texture_->width());
    const float invH = 1.0f / float(texture_->height());
    const Vector3 across = frame.rotation.column(0), up = frame.rotation.column(1);
    auto vertex = [&](double x, double y) {
        rd->sendVertex(across * float(x) + up * float(y) + frame.translation);
    };
    outlinedPasses(rd, frame, size, color, outline, [&](double dx, double dy) {
        double pen = x0 + dx;
        rd->beginPrimitive(RenderDevice::QUADS);
        for (unsigned c : chars) {
            const double adv = spacing == FIXED_SPACING ? advance('M', size) : advance(c, size);
            const Cell& cell = cells_[c];
            if (cell.width > 0 && !isControl(c)) {
                // Centre a glyph in its fixed-width slot.
                const double slack = spacing == FIXED_SPACING ? (adv - advance(c, size)) / 2 : 0;
                const double left = pen + slack - penOffsets_[c] * scale;
                const double right = left + cell.width * scale;
                const double cellTop = top + dy + padding_ * scale;
                const double cellBottom = cellTop - cellHeight_ * scale;
                const float s0 = cell.x * invW, s1 = (cell.x + cell.width) * invW;
                const float t0 = cell.y * invH, t1 = (cell.y + cellHeight_) * invH;
                rd->setTexCoord(0, s0, t0);
                vertex(left, cellTop);
                rd->setTexCoord(0, s0, t1);
                vertex(left, cellBottom);
                rd->setTexCoord(0, s1, t1);
                vertex(right, cellBottom);
                rd->setTexCoord(0, s1, t0);
                vertex(right, cellTop);
            }
            pen += adv;
        }
        rd->endPrimitive();
    });
}
