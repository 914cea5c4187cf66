// The scene core shared by the main window, the render widget, the tabs and the
// batch job: configuration, label font and textures, the camera, the current
// pathway with its explore view and shape finder, frame drawing, animation
// stepping, creating, loading, building and closing pathways.
//
// A batch App is constructed and never initialised: it has no main window and
// no render device, and then touches no OpenGL and no widget.
//
// The App keeps the entry points; the work is done in rooms it owns: one
// EditingTool per editing tool, the ExploreMode and the NetworkBuildCaller.
//
// Ownership: the App owns the current pathway (which owns its graph, layouter
// and shape finder), the rooms, the idle entity and the selector factories.
// The shape finder, the explore selection and the interaction tool's first
// end observe entities of the current pathway; close() forgets them all.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/ConfigurationFile.h"
#include "app/GraphBuilderParameters.h"
#include "engine/CoordinateFrame.h"
#include "engine/Ray.h"
#include "engine/Rect2D.h"
#include "engine/Table.h"
#include "engine/Vector3.h"
#include "engine/render/Camera.h"

class AnalyzeServices;
class DeleteInteractionTool;
class DeleteProteinTool;
struct DecodedPicture;
class EdgeEntity;
class EditingTool;
class Entity;
class ExploreEntity;
class ExploreMode;
class Font;
class ImageProcessorSelection;
class NetworkBuildCaller;
class NodeEntity;
class PaintingTool;
class PathwayLayoutEntity;
class PlaceInteractionTool;
class PlaceProteinTool;
class PropertyList;
class RenderDevice;
class SelectTool;
class SelectorFactory;
class ShapeFinder;
class WindowServices;

// Longest explore animation, in units of the default speed 1.
constexpr double maxAnimationSpeed = 10.0;
// The animationSpeed key: a number of 0 to maxAnimationSpeed; any other text
// is said on standard error with the value used instead.
double readAnimationSpeed(const std::string& text);

class App {
public:
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
    // loadPathway of the file the current pathway was just saved to, by the
    // batch job: its unchanged picture is taken over instead of decoded again
    // when the file names the very copy that save made. Only for a file nobody
    // else can have changed since (the batch job's private staging folder):
    // no size or time check could tell a same-sized rewrite within a tick.
    [[nodiscard]] bool reloadPathway(const std::string& path);
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
    // buildNetwork (app/NetworkBuild.h) on the current pathway, saved to
    // pathwayPath, with the window's progress dialog; `why` receives the
    // reason of a failure.
    [[nodiscard]] bool buildgraph(const GraphBuilderParameters& parameters,
                                  std::string* why = nullptr);
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
    // Fits the pathway again, as it was last fitted, when the viewport is no
    // longer the one it was fitted to (a panel came or went with the pathway).
    void refitToView();
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

    // Editing tools of the Create tab; each chooses one EditingTool, any other
    // value the select tool.
    static constexpr int kToolLoaded = 8;
    static constexpr int kToolSelect = 9;
    static constexpr int kToolPlaceProtein = 10;
    static constexpr int kToolPlaceInteraction = 11;
    static constexpr int kToolDeleteProtein = 12;
    static constexpr int kToolDeleteInteraction = 13;

    // Whether a protein may be placed with this label and identifier without
    // corrupting the pathway file: a label is a field of a tab-separated line,
    // so it holds no tab or line break; an identifier holds none either, nor
    // "#" (which ends it in the seed list) nor "|" (which joins the two ends of
    // an interaction). Both may be empty; names such as "TP53|string" pass.
    static bool isPlaceable(const std::string& label, const std::string& id);
    // A new name for a protein: a placeable label that is not empty (the
    // graph's text form cannot hold an empty name).
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
    // Explores the protein once the LoadExploreMode activity of the idle
    // entity has run (the animation timers step it). Nothing without a
    // pathway, while a view exists or is pending, or for an unknown label.
    void startExplore(const std::string& label);
    void leaveExplore();
    bool isExploring() const { return exploreView() != nullptr; }
    bool isExplorePending() const;
    // The explore view; null while not exploring.
    ExploreEntity* exploreView() const;
    // The protein or interaction selected in the explore view; null when none.
    NodeEntity* selectedNode() const;
    EdgeEntity* selectedEdge() const;
    // The part of the plane z = 0 the view shows; empty when a corner ray
    // does not meet that plane.
    Rect2D screenToPlane() const;
    // The same for the plane z = depth of `frame`, in that frame's x and y:
    // the largest such rectangle inside what the view shows.
    Rect2D screenToPlane(const CoordinateFrame& frame, float depth) const;
    // The protein a label stands for: the node holding exactly that label
    // (of several, the one whose graph display name it is), else the node of
    // the protein with that display name; null when none.
    NodeEntity* resolveProtein(const std::string& label) const;
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
    // wrongly; empty when nothing was found. The first form searches for
    // `species`. `failure`, when given, receives why the data source could not
    // search ("" when it could).
    std::vector<ProteinHit> searchProteins(const std::string& text, std::string* failure = nullptr);
    std::vector<ProteinHit> searchProteins(const std::string& text, const std::string& species,
                                           std::string* failure = nullptr);
    // The experiment named by the experiments panel's current tab; "" when none.
    std::string currentTabName() const;

    // ---- state ----

    // Held for a whole frame; lock order: render widget, App, layouter.
    std::mutex& mutex() { return mutex_; }
    // The animation stepper runs only while animating.
    bool isAnimating() const { return animating_; }
    void setAnimating(bool on) { animating_ = on; }
    // The entries of config.txt.
    Table<std::string, std::string>& configuration() { return configuration_; }
    const Table<std::string, std::string>& configuration() const { return configuration_; }
    // The current pathway; null when none.
    PathwayLayoutEntity* pathway() const { return pathway_.get(); }
    // Where the current pathway is saved.
    const std::string& pathwayPath() const { return pathwayPath_; }
    void setPathwayPath(const std::string& path) { pathwayPath_ = path; }
    // Background of new pathways; "./textures/pathway.png" after init.
    const std::string& backgroundPath() const { return backgroundPath_; }
    void setBackgroundPath(const std::string& path) { backgroundPath_ = path; }
    Camera& camera() { return camera_; }
    const Camera& camera() const { return camera_; }
    // The pathway is being painted on its image.
    bool isPainting() const { return painting_; }
    void setPainting(bool on) { painting_ = on; }
    // The font of every label.
    const std::shared_ptr<Font>& font() const { return font_; }
    void setFont(std::shared_ptr<Font> font) { font_ = std::move(font); }
    // Painted interaction region -> the labels of its two ends.
    Table<ImageProcessorSelection*, std::pair<std::string, std::string>>& paintedInteractions();
    bool isControlDown() const { return controlDown_; }
    // Null in batch mode.
    WindowServices* mainWindow() const { return mainWindow_; }
    void setMainWindow(WindowServices* window) { mainWindow_ = window; }
    // The Analyze tab; null in batch mode.
    AnalyzeServices* analyzeTab() const { return analyzeTab_; }
    void setAnalyzeTab(AnalyzeServices* tab) { analyzeTab_ = tab; }
    // Null in batch mode and while the view has no context.
    RenderDevice* renderDevice() const { return renderDevice_; }
    void setRenderDevice(RenderDevice* device) { renderDevice_ = device; }
    // Used for the camera rays when there is no render device.
    void setFallbackViewport(const Rect2D& viewport) { fallbackViewport_ = viewport; }
    // The interaction tool's first end; null when none is chosen.
    const NodeEntity* firstEnd() const;
    // The current pathway's shape finder; null when none.
    ShapeFinder* shapeFinder() const { return shapeFinder_; }
    double animationSpeed() const { return animationSpeed_; }
    void setAnimationSpeed(double speed) { animationSpeed_ = speed; }
    // While the view moves (dragging, panning, zooming, the layout running,
    // explore animations) and a full frame took longer than FRAME_BUDGET
    // seconds, frames are quick: lines without smoothing and no labels on
    // small proteins. The first frame after the motion is full again.
    // "simplifyMotion=0" in config.txt keeps every frame full.
    static constexpr double FRAME_BUDGET = 0.033;
    void noteViewMoved();
    bool viewMoving() const;
    // The window's report of how long the frame just shown took.
    void frameShown(double seconds);
    // Stepped when nothing else animates; outside the scene. Made by init, or
    // here when it is needed first.
    NodeEntity& idleEntity();
    // Editing tool; 8 after a load.
    int tool() const { return tool_; }
    void setProteinAsker(ProteinAsker asker) { askProtein_ = std::move(asker); }
    // The protein finder's answer for a painted region (null: a placed
    // protein); false when cancelled or without a window.
    bool askProtein(const ImageProcessorSelection* region, std::string& label,
                    std::string& id) const;
    // The species of the protein searches (a data-source species code); the
    // Create tab sets it with the pathway it creates.
    const std::string& species() const { return species_; }
    void setSpecies(const std::string& species) { species_ = species; }

    // Camera z limits: always in front of the pathway plane, never lost.
    static constexpr float kMinCameraZ = 0.05f;
    static constexpr float kMaxCameraZ = 100.0f;

private:
    // The ray through a widget point; none when the viewport is empty.
    bool rayThrough(int x, int y, Ray& ray) const;
    // Forgets every observed entity that has left the scene (compares
    // pointers only, never follows them).
    void dropStalePointers();
    bool ownedByPathway(const Entity* entity) const;
    bool inScene(const Entity* entity) const;
    // The tool a press, drag or release goes to: painting while the App paints
    // a pathway with a shape finder, else the one `tool` chooses.
    EditingTool& activeTool();
    // Enters a node without a node-table entry under a fresh key.
    std::string giveNodeKey(NodeEntity* node);
    void notifyListsChanged();

    std::mutex mutex_;
    bool animating_ = true;
    // System time until which the view counts as moving after input.
    double movingUntil_ = 0;
    Table<std::string, std::string> configuration_;
    std::unique_ptr<PathwayLayoutEntity> pathway_;
    std::string pathwayPath_;
    std::string backgroundPath_;
    Camera camera_;
    bool painting_ = false;
    std::shared_ptr<Font> font_;
    bool controlDown_ = false;
    WindowServices* mainWindow_ = nullptr;
    AnalyzeServices* analyzeTab_ = nullptr;
    RenderDevice* renderDevice_ = nullptr;
    Rect2D fallbackViewport_;
    // How the current pathway was last fitted, and to which viewport.
    bool fitSetsSize_ = false;
    Rect2D fittedViewport_;
    ShapeFinder* shapeFinder_ = nullptr;
    double animationSpeed_ = 1.0;
    bool simplifyMotion_ = true;
    // Seconds from the start of the last full frame until it was shown.
    double lastFullFrameSeconds_ = 0;
    bool lastFrameQuick_ = false;
    std::unique_ptr<NodeEntity> idleEntity_;
    Array<std::unique_ptr<SelectorFactory>> factories_;
    int tool_ = 0;
    ProteinAsker askProtein_;
    std::string species_;

    std::unique_ptr<SelectTool> selectTool_;
    std::unique_ptr<PlaceProteinTool> placeProteinTool_;
    std::unique_ptr<PlaceInteractionTool> placeInteractionTool_;
    std::unique_ptr<DeleteProteinTool> deleteProteinTool_;
    std::unique_ptr<DeleteInteractionTool> deleteInteractionTool_;
    std::unique_ptr<PaintingTool> paintingTool_;
    // The editing tools of the Create tab by their tool value.
    Table<int, EditingTool*> toolsByValue_;
    EditingTool* chosenTool_ = nullptr;
    std::unique_ptr<ExploreMode> explore_;
    std::unique_ptr<NetworkBuildCaller> build_;

    // Ties the current pathway's shape finder to the pathway and to this App.
    void adoptShapeFinder();
    bool openPathway(const std::string& path, DecodedPicture handed);
    // A fresh document "pathway", current, shown unless batch mode.
    void newPathway(bool visual);
};
