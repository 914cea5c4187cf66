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
    for (int row = 0; row < rgba.height(); ++row) {
        const QRgb* src = reinterpret_cast<const QRgb*>(atlas.constScanLine(row));
        uchar* p = rgba.scanLine(row);
        for (int col = 0; col < rgba.width(); ++col) {
            p[4 * col] = p[4 * col + 1] = p[4 * col + 2] = 255;
            p[4 * col + 3] = uchar(qAlpha(src[col]));
        }
    }
    // Cells keep the pen offset as their left edge inside the cell.
    for (int c = 0; c < GLYPH_COUNT; ++c)
        font->penOffsets_[c] = penOffset[c];
    font->texture_ = Texture::fromImage("font:" + path, Image(rgba));
    return font;
}

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

void Font::label(RenderDevice* rd, const std::string& text, const CoordinateFrame& frame,
                 double size, const Color4& color, const Color4& outline, XAlign xalign,
                 YAlign yalign, Spacing spacing) const {
    if (!rd || text.empty() || !texture_ || !(size > 0))
        return;
    std::vector<unsigned> chars = characters(text);
    double width = textWidth(text, size, spacing);
    double height = 1.5 * size;
    double scale = size / pixelsPerUnit_;  // world units per atlas pixel

    double x0 = xalign == XALIGN_LEFT ? 0 : xalign == XALIGN_CENTER ? -width / 2 : -width;
    double top = yalign == YALIGN_TOP      ? 0
                 : yalign == YALIGN_CENTER ? height / 2
                 : yalign == YALIGN_BOTTOM ? height
                                           : height * ascentFraction_;

    const Vector3 right = frame.rotation.column(0), up = frame.rotation.column(1);
    // Unreadable or out of view: nothing of it would show.
    {
        const Vector3 centre =
            frame.translation + right * float(x0 + width / 2) + up * float(top - height / 2);
        float px = 0, py = 0, perUnit = 0;
        if (!rd->project(centre, &px, &py, &perUnit) ||
            !(perUnit * size >= SMALLEST_READABLE_PIXELS))
            return;
        // Half the diagonal, and more for glyphs past their advance and turned views.
        const float reach = float(perUnit * (width + height)) + 4;
        if (px + reach < 0 || py + reach < 0 || px - reach > rd->width() ||
            py - reach > rd->height())
            return;
    }
    float invW = 1.0f / float(texture_->width());
    float invH = 1.0f / float(texture_->height());
    auto vertex = [&](double x, double y) {
        rd->sendVertex(right * float(x) + up * float(y) + frame.translation);
    };

    auto pass = [&](double dx, double dy) {
        double pen = x0 + dx;
        rd->beginPrimitive(RenderDevice::QUADS);
        for (unsigned c : chars) {
            double adv = spacing == FIXED_SPACING ? advance('M', size) : advance(c, size);
            const Cell& cell = cells_[c];
            if (cell.width > 0 && !isControl(c)) {
                // Centre a glyph in its fixed-width slot.
                double slack = spacing == FIXED_SPACING ? (adv - advance(c, size)) / 2 : 0;
                double left = pen + slack - penOffsets_[c] * scale;
                double right = left + cell.width * scale;
                double cellTop = top + dy + padding_ * scale;
                double cellBottom = cellTop - cellHeight_ * scale;
                float s0 = cell.x * invW, s1 = (cell.x + cell.width) * invW;
                float t0 = cell.y * invH, t1 = (cell.y + cellHeight_) * invH;
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
    };

    // The label faces along the frame's z.
    rd->setNormal(frame.rotation.column(2));
    if (outline.a > 0) {
        rd->setColor(outline);
        double o = size * 0.05;
        pass(-o, 0), pass(o, 0), pass(0, -o), pass(0, o);
    }
    rd->setColor(color);
    pass(0, 0);
}
