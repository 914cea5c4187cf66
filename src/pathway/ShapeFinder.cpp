// The image shape finder: strokes, region preparation and growing, the active
// contour, the band around it, and the markers of the regions found.
#include "pathway/ShapeFinder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

#include "engine/CoordinateFrame.h"
#include "engine/render/Texture.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

constexpr int kClosedIntervalMs = 5;
constexpr int kOpenIntervalMs = 50;
constexpr int kGrowAndBlurRounds = 5;

double colourDistance(const std::array<float, 3>& a, const std::array<float, 3>& b) {
    const double dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return std::sqrt(dr * dr + dg * dg + db * db);
}

}  // namespace

ShapeFinder::ShapeFinder(Image* source, float originX, float originY, float originZ, float worldX,
                         float worldY, float worldZ, WindowServices* window)
    : origin(originX, originY, originZ),
      worldSize(worldX, worldY, worldZ),
      image(source != nullptr ? *source : Image()),
      mainWindow(window),
      sourceImage(source) {}

ShapeFinder::~ShapeFinder() = default;

// ---- mapping ----

Vector3 ShapeFinder::pixelToWorld(double px, double py, float z) const {
    const double w = std::max(image.width(), 1), h = std::max(image.height(), 1);
    return {static_cast<float>(origin.x + std::trunc(px) / w * worldSize.x),
            static_cast<float>(origin.y - std::trunc(py) / h * worldSize.y), z};
}

bool ShapeFinder::rayToPixel(const Vector3& rayOrigin, const Vector3& direction,
                             Vector2& pixel) const {
    // The image plane z = origin.z, met from either side.
    if (direction.z == 0 || image.isNull()) {
        return false;
    }
    const double t = (static_cast<double>(origin.z) - rayOrigin.z) / direction.z;
    if (!(t >= 0) || !std::isfinite(t)) {
        return false;
    }
    const double hx = rayOrigin.x + t * direction.x, hy = rayOrigin.y + t * direction.y;
    const double px = std::trunc((hx - origin.x) / worldSize.x * image.width());
    const double py = std::trunc(std::fabs(hy - origin.y) / worldSize.y * image.height());
    // Far outside the image is as good as a miss, and keeps later casts safe.
    constexpr double kFar = 1e7;
    if (!std::isfinite(px) || !std::isfinite(py) || std::fabs(px) > kFar || std::fabs(py) > kFar) {
        return false;
    }
    pixel = Vector2(static_cast<float>(px), static_cast<float>(py));
    return true;
}

std::array<float, 3> ShapeFinder::colourAt(int x, int y) const {
    const Color4uint8 p = image.pixel(x, y);
    return {static_cast<float>(p.r), static_cast<float>(p.g), static_cast<float>(p.b)};
}

float ShapeFinder::edgeStrength(int x, int y) {
    const std::size_t w = static_cast<std::size_t>(image.width());
    if (edgeCache.empty()) {
        edgeCache.assign(w * static_cast<std::size_t>(image.height()), -1.0f);
    }
    float& cached = edgeCache[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)];
    if (cached < 0) {
        const auto c = colourAt(x, y);
        double strongest = 0;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx != 0 || dy != 0) && inside(x + dx, y + dy)) {
                    strongest = std::max(strongest, colourDistance(c, colourAt(x + dx, y + dy)));
                }
            }
        }
        cached = static_cast<float>(strongest);
    }
    return cached;
}

// ---- strokes ----

void ShapeFinder::addStrokePoint(float ox, float oy, float oz, float dx, float dy, float dz) {
    Vector2 p;
    if (!rayToPixel(Vector3(ox, oy, oz), Vector3(dx, dy, dz), p)) {
        return;
    }
    const Vector3 w = pixelToWorld(p.x, p.y, 0.01f);
    if (!strokeMarkers.empty() &&
        (w - strokeMarkers.back()->getGlobalFrame().translation).length() < 0.03f) {
        return;
    }
    stroke.push_back(p);
    drawnStroke.push_back(p);
    strokeMarkers.push_back(std::make_unique<NodeEntity>(
        CoordinateFrame(w), "", 0, Vector3(0.03f, 0.03f, 0.0005f), Color4(1, 0, 0, 1), false));
}

void ShapeFinder::dropStroke() {
    strokeMarkers.clear();
    stroke.clear();
    drawnStroke.clear();
}

void ShapeFinder::finishStroke() {
    if (stroke.size() < 3) {
        dropStroke();
        return;
    }
    double length = 0;
    for (std::size_t i = 1; i < stroke.size(); ++i) {
        length += (stroke[i] - stroke[i - 1]).length();
    }
    closed = (stroke.front() - stroke.back()).length() < 0.2 * length;
    progress = 1;
    if (mainWindow != nullptr) {
        mainWindow->createProgressDialog(0, 100, "Finding shape...");
        mainWindow->stepProgress(1);
    }
    if (closed) {
        prepareRegion();
        if (regionPixelCount == 0) {
            // The outline encloses no pixel of the image: nothing to grow.
            region.clear();
            dropStroke();
            if (mainWindow != nullptr) {
                mainWindow->stepProgress(100);
            }
            return;
        }
        searching = true;
        if (mainWindow != nullptr) {
            mainWindow->startShapeFinderTimer(kClosedIntervalMs);
        }
    } else {
        contourStep = 1.0;
        searching = true;
        if (mainWindow != nullptr) {
            mainWindow->startShapeFinderTimer(kOpenIntervalMs);
        }
    }
}

void ShapeFinder::reset(float ox, float oy, float oz, float dx, float dy, float dz, int right) {
    (void)ox, (void)oy, (void)oz, (void)dx, (void)dy, (void)dz;
    dropStroke();
    if (mainWindow != nullptr) {
        mainWindow->stopShapeFinderTimer();
        if (searching) {
            // A search cut short must not leave its modal dialog open.
            mainWindow->stepProgress(100);
        }
    }
    searching = false;
    if (right == 1) {
        rejectLastShape();
    } else {
        region.clear();
    }
}

void ShapeFinder::abandonSearch() {
    searching = false;
    if (mainWindow != nullptr) {
        mainWindow->stopShapeFinderTimer();
        mainWindow->stepProgress(100);
    }
    dropStroke();
    region.clear();
}

void ShapeFinder::tick() {
    if (!searching) {
        return;
    }
    progress = std::min(progress, 98);
    bool changed = false;
    if (closed) {
        changed = growRegion();
    } else {
        const ContourResult result = stepContour();
        if (result == ContourResult::NotFinite) {
            abandonSearch();
            return;
        }
        changed = result == ContourResult::Changed;
    }
    if (!changed) {
        searching = false;
        if (mainWindow != nullptr) {
            mainWindow->stopShapeFinderTimer();
        }
        if (closed) {
            buildRegionSelection();
        } else {
            buildContourSelection();
        }
        if (mainWindow != nullptr) {
            mainWindow->stepProgress(100);
        }
        return;
    }
    if (mainWindow != nullptr) {
        mainWindow->stepProgress(progress);
    }
    ++progress;
}

// ---- closed strokes ----

void ShapeFinder::clearVisited() {
    visited.assign(
        static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height()), 0);
}

void ShapeFinder::prepareRegion() {
    region.clear();
    frontierStart = 0;
    regionPixelCount = 0;
    meanColour = {0, 0, 0};
    boxWidth = boxHeight = boxCentreX = boxCentreY = 0;
    clearVisited();
    if (stroke.empty() || image.isNull()) {
        return;
    }

    float minX = stroke[0].x, maxX = stroke[0].x, minY = stroke[0].y, maxY = stroke[0].y;
    for (const Vector2& p : stroke) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }

    // Even-odd scanline fill sampled at pixel centres. An edge counts for a row
    // when exactly one of its ends lies above the row's centre line: horizontal
    // edges never do, and a vertex shared by two edges is counted once.
    const int rowFirst = std::max(0, static_cast<int>(std::floor(minY)));
    const int rowLast = std::min(image.height() - 1, static_cast<int>(std::ceil(maxY)));
    const std::size_t n = stroke.size();
    Array<double> crossings;
    double sums[3] = {0, 0, 0};
    int count = 0;
    for (int y = rowFirst; y <= rowLast; ++y) {
        const double sy = y + 0.5;
        crossings.clear();
        for (std::size_t j = 0; j < n; ++j) {
            const Vector2& prev = stroke[j == 0 ? n - 1 : j - 1];
            const Vector2& cur = stroke[j];
            if ((prev.y <= sy) != (cur.y <= sy)) {
                crossings.push_back(prev.x + (sy - prev.y) * (cur.x - prev.x) / (cur.y - prev.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t k = 0; k + 1 < crossings.size(); k += 2) {
            // Columns whose centre lies in [left, right).
            const double first = std::max(0.0, std::ceil(crossings[k] - 0.5));
            const double last =
                std::min(image.width() - 1.0, std::ceil(crossings[k + 1] - 0.5) - 1);
            for (int x = static_cast<int>(first); x <= last; ++x) {
                const auto c = colourAt(x, y);
                sums[0] += c[0], sums[1] += c[1], sums[2] += c[2];
                ++count;
            }
        }
    }
    regionPixelCount = count;
    if (count == 0) {
        return;
    }
    for (int i = 0; i < 3; ++i) {
        meanColour[static_cast<std::size_t>(i)] = static_cast<float>(sums[i] / count);
    }
    boxCentreX = static_cast<int>(minX + (maxX - minX) * 0.5);
    boxCentreY = static_cast<int>(0.5 * (maxY - minY) + minY);
    boxWidth = static_cast<int>(maxX - minX);
    boxHeight = static_cast<int>(maxY - minY);

    const int seedX = std::clamp(boxCentreX, 0, image.width() - 1);
    const int seedY = std::clamp(boxCentreY, 0, image.height() - 1);
    region.push_back(Vector2(static_cast<float>(seedX), static_cast<float>(seedY)));
    visited[static_cast<std::size_t>(seedY) * static_cast<std::size_t>(image.width()) +
            static_cast<std::size_t>(seedX)] = 1;
}

bool ShapeFinder::growRegion() {
    if (visited.size() !=
        static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height())) {
        return false;
    }
    const std::size_t end = region.size();
    // An outline less than two pixels across would divide by zero.
    const double halfW = std::max(boxWidth / 2, 1), halfH = std::max(boxHeight / 2, 1);
    const std::size_t w = static_cast<std::size_t>(image.width());
    for (std::size_t k = static_cast<std::size_t>(frontierStart); k < end; ++k) {
        const int px = static_cast<int>(region[k].x), py = static_cast<int>(region[k].y);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = px + dx, ny = py + dy;
                if ((dx == 0 && dy == 0) || !inside(nx, ny)) {
                    continue;
                }
                std::uint8_t& seen =
                    visited[static_cast<std::size_t>(ny) * w + static_cast<std::size_t>(nx)];
                if (seen != 0) {
                    continue;
                }
                const double e = colourDistance(colourAt(nx, ny), meanColour);
                const double f =
                    std::max(std::abs(nx - boxCentreX) / halfW, std::abs(ny - boxCentreY) / halfH);
                if (e * f <= threshold) {
                    seen = 1;
                    region.push_back(Vector2(static_cast<float>(nx), static_cast<float>(ny)));
                }
            }
        }
    }
    frontierStart = static_cast<int>(end);
    return region.size() > end;
}

void ShapeFinder::buildRegionSelection() {
    if (mainWindow != nullptr && sourceImage != nullptr) {
        mainWindow->makeBackground(*sourceImage);
    }
    if (region.empty()) {
        return;
    }
    float minX = 1000000, minY = 1000000, maxX = 0, maxY = 0;
    for (const Vector2& p : region) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    auto selection = std::make_unique<ImageProcessorSelection>(minX, minY, maxX, maxY, false);
    for (const Vector2& p : region) {
        selection->mask(static_cast<int>(p.x - minX), static_cast<int>(p.y - minY)) = 1.0;
    }
    for (int round = 0; round < kGrowAndBlurRounds; ++round) {
        selection->growAndBlur(image.width(), image.height());
    }
    auto marker = makeMarker(*selection, false, 0.0001f, 0.0001f, true);
    addSelectionWithMarker(std::move(selection), std::move(marker));
}

// ---- open strokes ----

ShapeFinder::ContourResult ShapeFinder::stepContour() {
    contourStep *= 0.95;
    if (contourStep < 0.2) {
        return ContourResult::Unchanged;
    }
    const std::size_t n = stroke.size();
    Array<double> fx(n, 0.0), fy(n, 0.0);

    static const auto directions = [] {
        std::array<std::array<double, 2>, 32> d{};
        for (int k = 0; k < 32; ++k) {
            const double angle = 2 * k * std::numbers::pi / 32;
            d[static_cast<std::size_t>(k)] = {std::cos(angle), std::sin(angle)};
        }
        return d;
    }();

    // Pulled towards strong colour edges nearby, less the farther they are.
    for (std::size_t i = 0; i < n; ++i) {
        const double x = stroke[i].x, y = stroke[i].y;
        if (!std::isfinite(x) || !std::isfinite(y)) {
            continue;
        }
        for (int r = 0; r < 50; ++r) {
            for (const auto& dir : directions) {
                const double sx = std::trunc(x + r * dir[0]), sy = std::trunc(y + r * dir[1]);
                if (sx < 0 || sy < 0 || sx >= image.width() || sy >= image.height() ||
                    (sx == x && sy == y)) {
                    continue;
                }
                const double ddx = sx - x, ddy = sy - y;
                const double len = std::sqrt(ddx * ddx + ddy * ddy);
                const double g = edgeStrength(static_cast<int>(sx), static_cast<int>(sy));
                const double coef = g * 0.1 / len / len;
                fx[i] += coef * ddx;
                fy[i] += coef * ddy;
            }
        }
    }

    // Held to the stroke as drawn, the ends five times as firmly.
    for (std::size_t i = 0; i < n; ++i) {
        const Vector2 d = stroke[i] - drawnStroke[i];
        if (d.isZero()) {
            continue;
        }
        const double len =
            std::sqrt(static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y);
        double magnitude = 0.5 * len * len;
        if (i == 0 || i + 1 == n) {
            magnitude *= 5;
        }
        trace("length %d = %f\n", static_cast<int>(i), len);
        if (!std::isfinite(len)) {
            trace("not finite");
        }
        fx[i] -= magnitude * d.x / len;
        fy[i] -= magnitude * d.y / len;
    }

    // Kept smooth: every inner point is pulled to its neighbours' midpoint.
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const Vector2 e = stroke[i] - (stroke[i - 1] + stroke[i + 1]) * 0.5f;
        if (e.isZero()) {
            continue;
        }
        const double len =
            std::sqrt(static_cast<double>(e.x) * e.x + static_cast<double>(e.y) * e.y);
        if (!std::isfinite(len)) {
            trace("not finite\n");
            return ContourResult::NotFinite;
        }
        const double magnitude = 150 * len * len;
        fx[i] -= magnitude * e.x / len;
        fy[i] -= magnitude * e.y / len;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(fx[i]) || !std::isfinite(fy[i])) {
            trace("not finite\n");
            return ContourResult::NotFinite;
        }
    }

    bool changed = false;
    for (std::size_t i = 0; i < n; ++i) {
        const double cx = std::clamp(fx[i], -1.0, 1.0), cy = std::clamp(fy[i], -1.0, 1.0);
        changed |= cx != 0 && cy != 0;
        stroke[i] += Vector2(static_cast<float>(cx), static_cast<float>(cy));
        if (i < strokeMarkers.size()) {
            strokeMarkers[i]->setGlobalFrame(
                CoordinateFrame(pixelToWorld(stroke[i].x, stroke[i].y, 0.01f)));
        }
    }
    return changed ? ContourResult::Changed : ContourResult::Unchanged;
}

void ShapeFinder::buildContourSelection() {
    region.clear();
    const int w = image.width(), h = image.height();
    if (stroke.size() < 2 || w == 0 || h == 0) {
        return;
    }
    // Distances of the band pixels, kept in a map over the band's bounding box.
    float minX = stroke[0].x, maxX = stroke[0].x, minY = stroke[0].y, maxY = stroke[0].y;
    for (const Vector2& p : stroke) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    const int bx0 = std::clamp(static_cast<int>(std::floor(minX)) - 11, 0, w - 1);
    const int by0 = std::clamp(static_cast<int>(std::floor(minY)) - 11, 0, h - 1);
    const int bx1 = std::clamp(static_cast<int>(std::ceil(maxX)) + 11, 0, w - 1);
    const int by1 = std::clamp(static_cast<int>(std::ceil(maxY)) + 11, 0, h - 1);
    const std::size_t mapWidth = static_cast<std::size_t>(bx1 - bx0 + 1);
    Array<float> distance(mapWidth * static_cast<std::size_t>(by1 - by0 + 1),
                          std::numeric_limits<float>::infinity());

    for (std::size_t i = 0; i + 1 < stroke.size(); ++i) {
        const Vector2 step = (stroke[i + 1] - stroke[i]) / 10.0f;
        for (int t = 0; t < 10; ++t) {
            const Vector2 q = stroke[i] + step * static_cast<float>(t);
            const int cx = static_cast<int>(q.x), cy = static_cast<int>(q.y);
            for (int dx = -10; dx < 10; ++dx) {
                for (int dy = -10; dy < 10; ++dy) {
                    const int x = cx + dx, y = cy + dy;
                    if (x < bx0 || y < by0 || x > bx1 || y > by1) {
                        continue;
                    }
                    float& d = distance[static_cast<std::size_t>(y - by0) * mapWidth +
                                        static_cast<std::size_t>(x - bx0)];
                    const float here = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    if (std::isinf(d)) {
                        region.push_back(Vector2(static_cast<float>(x), static_cast<float>(y)));
                    }
                    d = std::min(d, here);
                }
            }
        }
    }

    if (mainWindow != nullptr && sourceImage != nullptr) {
        mainWindow->makeBackground(*sourceImage);
    }
    if (region.empty()) {
        return;
    }
    float rx0 = 1000000, ry0 = 1000000, rx1 = 0, ry1 = 0;
    float largest = 0;
    for (const Vector2& p : region) {
        rx0 = std::min(rx0, p.x), rx1 = std::max(rx1, p.x);
        ry0 = std::min(ry0, p.y), ry1 = std::max(ry1, p.y);
        largest = std::max(largest, distance[static_cast<std::size_t>(p.y - by0) * mapWidth +
                                             static_cast<std::size_t>(p.x - bx0)]);
    }
    auto selection = std::make_unique<ImageProcessorSelection>(rx0, ry0, rx1, ry1, true);
    selection->startPoint = pixelToWorld(stroke.front().x, stroke.front().y, 0.01f);
    selection->endPoint = pixelToWorld(stroke.back().x, stroke.back().y, 0.01f);
    for (const Vector2& p : region) {
        const float d = distance[static_cast<std::size_t>(p.y - by0) * mapWidth +
                                 static_cast<std::size_t>(p.x - bx0)];
        const double fall = largest > 0 ? 1.0 - d / largest : 1.0;
        selection->mask(static_cast<int>(p.x - rx0), static_cast<int>(p.y - ry0)) =
            fall * fall * fall;
    }
    auto marker = makeMarker(*selection, false, 0.0001f, 0.0001f, true);
    addSelectionWithMarker(std::move(selection), std::move(marker));
}

// ---- selections and markers ----

void ShapeFinder::addSelectionWithMarker(std::unique_ptr<ImageProcessorSelection> selection,
                                         std::unique_ptr<NodeEntity> marker) {
    selections.push_back(std::move(selection));
    selectionMarkers.push_back(std::move(marker));
}

void ShapeFinder::addSelection(std::unique_ptr<ImageProcessorSelection> selection) {
    if (selection) {
        selections.push_back(std::move(selection));
    }
}

std::unique_ptr<NodeEntity> ShapeFinder::makeMarker(const ImageProcessorSelection& selection,
                                                    bool blacken, float depth, float z,
                                                    bool textured) const {
    const double w = std::max(image.width(), 1), h = std::max(image.height(), 1);
    const double bw = selection.x1 - selection.x0, bh = selection.y1 - selection.y0;
    const Vector3 size(static_cast<float>(bw / w * worldSize.x),
                       static_cast<float>(bh / h * worldSize.y), depth);
    auto marker =
        std::make_unique<NodeEntity>(CoordinateFrame(), "", 0, size, Color4(1, 1, 1, 1), false);
    marker->setGlobalFrame(
        CoordinateFrame(pixelToWorld(selection.x0 + bw / 2, selection.y0 + bh / 2, z)));
    if (textured) {
        marker->setTexture(selection.sampleTexture(image, true, blacken));
    }
    return marker;
}

std::unique_ptr<NodeEntity> ShapeFinder::buildSelection(int index, bool blacken) {
    if (index < 0 || static_cast<std::size_t>(index) >= selections.size()) {
        return nullptr;
    }
    return makeMarker(*selections[static_cast<std::size_t>(index)], blacken, 0.1f, 0.01f,
                      mainWindow != nullptr);
}

void ShapeFinder::rebuildSelections() {
    selectionMarkers.clear();
    for (std::size_t i = 0; i < selections.size(); ++i) {
        selectionMarkers.push_back(buildSelection(static_cast<int>(i), false));
    }
}

void ShapeFinder::render(RenderDevice* rd) {
    for (const auto& marker : strokeMarkers) {
        marker->render(rd);
    }
    for (const auto& marker : selectionMarkers) {
        marker->render(rd);
    }
}

void ShapeFinder::forgetInPathway(const ImageProcessorSelection* selection) {
    if (onSelectionDropped) {
        onSelectionDropped(selection);
    }
    if (pathway == nullptr) {
        return;
    }
    pathway->forgetSelection(selection);
}

void ShapeFinder::rejectLastShape() {
    if (sourceImage != nullptr) {
        for (const Vector2& p : region) {
            const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
            if (inside(x, y)) {
                sourceImage->setPixel(x, y, image.pixel(x, y));
            }
        }
    }
    const double size = static_cast<double>(region.size());
    if (size < 0.8 * regionPixelCount) {
        threshold += 10;
    } else if (size > 1.2 * regionPixelCount) {
        threshold -= 10;
    }
    trace("-------------------------------------------------  threshold = %d\n", threshold);
    region.clear();
    if (!selections.empty()) {
        forgetInPathway(selections.back().get());
        selections.pop_back();
    }
    if (!selectionMarkers.empty()) {
        selectionMarkers.pop_back();
    }
    if (mainWindow != nullptr && sourceImage != nullptr) {
        mainWindow->makeBackground(*sourceImage);
    }
}

// ---- image mapping ----

void ShapeFinder::setOrigin(float x, float y, float z) {
    origin = Vector3(x, y, z);
    followMapping();
}

void ShapeFinder::scale(double s) {
    worldSize *= static_cast<float>(s);
    followMapping();
}

void ShapeFinder::scaleAxes(float sx, float sy, float sz) {
    worldSize *= Vector3(sx, sy, sz);
    followMapping();
}

void ShapeFinder::followMapping() {
    // The markers of a stroke being drawn or searched keep to their pixels.
    for (std::size_t i = 0; i < strokeMarkers.size() && i < stroke.size(); ++i) {
        strokeMarkers[i]->setGlobalFrame(
            CoordinateFrame(pixelToWorld(stroke[i].x, stroke[i].y, 0.01f)));
    }
    rebuildSelections();
}
