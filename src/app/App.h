// The scene core shared by the main window, the render widget, the tabs and the
// batch job: configuration, label font and textures, the camera, the current
// pathway with its explore view and shape finder, frame drawing, animation
// stepping, creating, loading, building and closing pathways.
//
// A batch App is constructed and never initialised: it has no main window and
// no render device, and then touches no OpenGL and no widget.
//
// Ownership: the App owns the current pathway (which owns its graph, layouter
// and shape finder), the explore view, the idle entity and the selector
// factories. shapeFinder, the selections and the interaction ends observe
// entities of the current pathway; close() forgets them all.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/GraphBuilderParameters.h"
#include "engine/Rect2D.h"
#include "engine/Table.h"
#include "engine/Vector3.h"
#include "engine/render/Camera.h"

class AnalyzeServices;
class EdgeEntity;
class Entity;
class ExploreEntity;
class Font;
class ImageProcessorSelection;
class NodeEntity;
class PathwayLayoutEntity;
class PropertyList;
class RenderDevice;
class SelectorFactory;
class ShapeFinder;
class WindowServices;

// Reads "key=value" quoted strings into `table` (emptied first) with the
// engine's tokenizer; a later key replaces an earlier one and an entry without
// "=" has an empty value. A missing file reads as empty and answers true.
// False, after a message on stderr, when an entry is not a quoted string or the
// text cannot be tokenised; the entries before the fault are kept.
bool readConfigFile(const std::string& fileName, Table<std::string, std::string>& table);

class App {
public:
    // Deletes the explore view; defined where its type is known.
    struct ExploreViewDeleter {
        void operator()(ExploreEntity* view) const;
    };

    // What the protein finder answers for a painted protein region: false when
    // the user cancelled. The window sets it; without one (batch mode) such a
    // region counts as cancelled.
    using ProteinAsker = std::function<bool(const ImageProcessorSelection* region,
                                            std::string& label, std::string& id)>;

    // Every member defined; no OpenGL, no widget, no file read.
    App();
    // Closes the current pathway (stopping its layouter) first.
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Window-mode start-up: textures of ./textures, selector factories,
    // config.txt, font, animation speed, idle entity, camera. Needs a Qt GUI
    // application for the font.
    void init();

    // ---- drawing and animation ----

    // One frame on the render device (holds `mutex` throughout); nothing
    // without a render device.
    void doGraphics();
    // One animation step while animating; the argument is unused.
    void update(double elapsed = 0);

    // ---- pathways (each create or load closes the current pathway first) ----

    // False, leaving no pathway current, when the file cannot be read.
    [[nodiscard]] bool loadPathway(const std::string& path);
    void createPathway(const std::string& path);
    // False (the pathway stays current, without shape finder) when the image
    // cannot be read.
    bool createPathwayFromImage(const std::string& path, const std::string& image);
    // The base file's header, scheme, background and painted regions without
    // its network; written later under newPath. False, leaving no pathway
    // current, when the base cannot be read.
    [[nodiscard]] bool createPathwayFromExisting(const std::string& newPath,
                                                 const std::string& basePath);
    // Gives every painted region of the pathway image its protein or interaction.
    void assignSelectionProteins();
    // Builds the network from the seeds on the pathway and saves it to
    // pathwayPath. False, with a message on stderr, when there is no pathway,
    // the data source is missing or failed, or the file cannot be written.
    [[nodiscard]] bool buildgraph(const GraphBuilderParameters& parameters);
    // Drops the pathway, explore view, painted interactions, pending idle
    // activities and selections; nothing happens without a pathway.
    void close();

    // ---- queries ----

    PropertyList* getProteinProperties(const std::string& label) const;
    PropertyList* getInteractionProperties(const std::string& label1,
                                           const std::string& label2) const;
    // Replace `out`.
    void getProteinNames(Array<std::string>& out) const;
    void getInteractors(const std::string& label, Array<std::string>& out) const;
    Array<SelectorFactory*> selectorFactories() const;

    // ---- view ----

    // The viewport the camera rays run through: the render device's, else
    // `fallbackViewport`.
    Rect2D viewport() const;
    // Scales the pathway to the part of the plane z = 0 the view shows and puts
    // it there; with setSize the layout size follows too. Sizes of 0 are left
    // alone, so no extent becomes 0.
    void fitToView(bool setSize);
    void resetCamera();
    void requestRepaint();

    // ---- picking and editing (positions in widget pixels) ----

    // One protein the search found, as the protein finder lists it.
    struct ProteinHit {
        std::string id;
        std::string name;
        int interactionCount = 0;
        std::string annotation;
    };

    // Editing tools of the Create tab.
    static constexpr int kToolLoaded = 8;
    static constexpr int kToolSelect = 9;
    static constexpr int kToolPlaceProtein = 10;
    static constexpr int kToolPlaceInteraction = 11;
    static constexpr int kToolDeleteProtein = 12;
    static constexpr int kToolDeleteInteraction = 13;

    // False for a label that would corrupt the pathway file, the seed list or
    // the interaction keys: empty, or holding a tab, a line break, "#" or "|".
    static bool isValidLabel(const std::string& label);

    // The explore view's child under (x, y) while exploring, else the pathway's.
    Entity* pick(int x, int y);
    void mousePress(int x, int y, bool right);
    void mouseRelease(int x, int y, bool right);
    void drag(int x, int y, int lastX, int lastY);
    void panDrag(int x, int y, int lastX, int lastY);
    void zoom(double amount);
    void doubleClick(int x, int y);
    void setTool(int value);
    void setCtrlDown();
    void setCtrlUp();
    void selectProtein(const std::string& label);
    void startExplore(const std::string& label);
    void leaveExplore();
    bool isExploring() const { return exploreView != nullptr; }
    // The part of the plane z = 0 the view shows.
    Rect2D screenToPlane() const;
    // Renames the protein of `entity` (a node of the pathway or of the explore
    // view); false, changing nothing, when the label is refused or the entity
    // is not in the scene.
    bool renameProtein(Entity* entity, const std::string& label);
    // Removes a node or edge of the pathway or of the explore view; anything
    // else (null, foreign, already removed) is ignored.
    void removeProtein(Entity* node);
    void removeProteinByName(const std::string& label);
    void removeInteraction(Entity* edge);
    // Structured, so no separator inside a name or an annotation can split it
    // wrongly; empty when nothing was found.
    std::vector<ProteinHit> searchProteins(const std::string& text);
    // The experiment named by the experiments panel's current tab; "" when none.
    std::string currentTabName() const;

    // ---- state ----

    // Held for a whole frame; lock order: render widget, App, layouter.
    std::mutex mutex;
    bool animating = true;
    Table<std::string, std::string> configuration;
    std::unique_ptr<PathwayLayoutEntity> pathway;
    std::string pathwayPath;
    // Background of new pathways; "./textures/pathway.png" after init.
    std::string backgroundPath;
    std::unique_ptr<ExploreEntity, ExploreViewDeleter> exploreView;
    Camera camera;
    bool painting = false;
    std::shared_ptr<Font> font;
    // Painted interaction region -> its two end labels joined by "#".
    Table<ImageProcessorSelection*, std::string> paintedInteractions;
    bool controlDown = false;
    WindowServices* mainWindow = nullptr;
    // The Analyze tab; null in batch mode.
    AnalyzeServices* analyzeTab = nullptr;
    RenderDevice* renderDevice = nullptr;
    // Used for the camera rays when there is no render device.
    Rect2D fallbackViewport;
    NodeEntity* selectedNode = nullptr;
    EdgeEntity* selectedEdge = nullptr;
    NodeEntity* firstEnd = nullptr;
    NodeEntity* secondEnd = nullptr;
    ShapeFinder* shapeFinder = nullptr;
    double animationSpeed = 1.0;
    // Stepped when nothing else animates; outside the scene. Null before init.
    std::unique_ptr<NodeEntity> idleEntity;
    Array<std::unique_ptr<SelectorFactory>> factories;
    // Editing tool; 8 after a load.
    int tool = 0;
    ProteinAsker askProtein;

private:
    // Ties the current pathway's shape finder to the pathway and to this App.
    void adoptShapeFinder();
    // A fresh document "pathway", current, shown unless batch mode.
    void newPathway(bool visual);
};
