// The pathway image's shape finder: turns each stroke painted on the image into
// a selected region. A closed stroke grows a region by colour similarity from
// the middle of its outline; an open stroke becomes an active contour pulled
// onto colour edges and widened into a band. The search runs one step per tick
// of the main window's shape-finder timer, on the GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/Table.h"
#include "engine/Vector2.h"
#include "engine/Vector3.h"
#include "engine/render/Image.h"
#include "pathway/ImageProcessorSelection.h"
#include "scene/NodeEntity.h"

class PathwayLayoutEntity;
class RenderDevice;
class WindowServices;

class ShapeFinder {
public:
    // Keeps its own copy of `source` for every colour read; `source` itself is
    // shown as the background and observed (may be null). `window` may be null
    // (batch mode): every window call is then skipped.
    ShapeFinder(Image* source, float originX, float originY, float originZ, float worldX,
                float worldY, float worldZ, WindowServices* window);
    ~ShapeFinder();
    ShapeFinder(const ShapeFinder&) = delete;
    ShapeFinder& operator=(const ShapeFinder&) = delete;

    // ---- strokes (App's paint-mode mouse handling) ----

    // A picking ray as origin and direction; a ray that misses the image plane
    // adds nothing.
    void addStrokePoint(float ox, float oy, float oz, float dx, float dy, float dz);
    void finishStroke();
    // Every press in paint mode: drops the stroke and stops the search; with
    // right = 1 the last shape is rejected too.
    void reset(float ox, float oy, float oz, float dx, float dy, float dz, int right);
    // One search step; the caller repaints. Does nothing while no search runs.
    void tick();
    // Undoes the last shape: restores its pixels in the source image, adapts
    // the growing threshold and drops the selection (from the pathway's region
    // tables as well, see setPathway).
    void rejectLastShape();
    bool isSearching() const { return searching; }

    // ---- markers ----

    void render(RenderDevice* rd);
    // A new marker for selection `index`; null for an index out of range.
    std::unique_ptr<NodeEntity> buildSelection(int index, bool blacken);
    void rebuildSelections();

    // ---- image mapping (each rebuilds the markers) ----

    void setOrigin(float x, float y, float z);
    void scale(double s);
    void scaleAxes(float sx, float sy, float sz);

    // ---- for the pathway file and App ----

    // Appends a selection (the reader); call rebuildSelections afterwards.
    void addSelection(std::unique_ptr<ImageProcessorSelection> selection);
    const Array<std::unique_ptr<ImageProcessorSelection>>& getSelections() const {
        return selections;
    }
    int imageWidth() const { return image.width(); }
    int imageHeight() const { return image.height(); }
    const Image& getImage() const { return image; }
    void setWindowServices(WindowServices* window) { mainWindow = window; }
    WindowServices* getWindowServices() const { return mainWindow; }
    // The pathway whose nodeSelections and edgeSelections refer to this
    // finder's selections; a rejected selection is erased from them (under the
    // pathway's layout mutex, so never reject while holding it). May be null.
    void setPathway(PathwayLayoutEntity* owner) { pathway = owner; }
    // Called with every selection just before rejection deletes it, for
    // holders of other tables (App's painted interactions).
    std::function<void(const ImageProcessorSelection*)> onSelectionDropped;

    // World point of a pixel (both coordinates truncated first).
    Vector3 pixelToWorld(double px, double py, float z) const;
    // The pixel under a ray; false when the ray misses the plane of the image.
    bool rayToPixel(const Vector3& origin, const Vector3& direction, Vector2& pixel) const;

    // The steps, public so that each can be checked on its own.
    void prepareRegion();
    // Each answers whether anything changed.
    bool growRegion();
    enum class ContourResult { Changed, Unchanged, NotFinite };
    ContourResult stepContour();
    void buildRegionSelection();
    void buildContourSelection();

    // ---- state, in the order of its parts ----

    Array<std::unique_ptr<NodeEntity>> strokeMarkers;
    // The current stroke in pixels; moved by the contour steps.
    Array<Vector2> stroke;
    // The stroke as drawn: the anchor of the contour.
    Array<Vector2> drawnStroke;
    // Pixels of the region being grown, or of the band around the contour.
    Array<Vector2> region;
    // Pixels inside the drawn closed outline.
    int regionPixelCount = 0;
    // First entry of `region` not yet expanded.
    int frontierStart = 0;
    int threshold = 40;
    int boxWidth = 0, boxHeight = 0;
    int boxCentreX = 0, boxCentreY = 0;
    std::array<float, 3> meanColour{0, 0, 0};
    // Decay counter of the contour steps.
    double contourStep = 0;
    int progress = 0;
    Vector3 origin;
    Vector3 worldSize;
    bool closed = false;
    Image image;
    Array<std::unique_ptr<NodeEntity>> selectionMarkers;
    WindowServices* mainWindow = nullptr;
    Image* sourceImage = nullptr;
    Array<std::unique_ptr<ImageProcessorSelection>> selections;

private:
    bool inside(int x, int y) const {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height();
    }
    // RGB of a pixel inside the image as floats.
    std::array<float, 3> colourAt(int x, int y) const;
    // Largest colour distance to any of the 8 neighbours inside the image;
    // computed once per pixel, as the contour asks for the same pixels often.
    float edgeStrength(int x, int y);
    // Drops the stroke and its markers.
    void dropStroke();
    // Ends a search that cannot go on: dialog closed, stroke dropped.
    void abandonSearch();
    void addSelectionWithMarker(std::unique_ptr<ImageProcessorSelection> selection,
                                std::unique_ptr<NodeEntity> marker);
    std::unique_ptr<NodeEntity> makeMarker(const ImageProcessorSelection& selection, bool blacken,
                                           float depth, float z, bool textured) const;
    void forgetInPathway(const ImageProcessorSelection* selection);
    // Puts the stroke and selection markers where the image now lies.
    void followMapping();
    void clearVisited();

    bool searching = false;
    PathwayLayoutEntity* pathway = nullptr;
    // Region membership, one byte per pixel, for the growing step.
    Array<std::uint8_t> visited;
    // Edge strength per pixel, negative until computed.
    Array<float> edgeCache;
};
