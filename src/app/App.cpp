// The scene core: configuration, textures and font, camera and fit, frame
// drawing, animation stepping, creating, loading and closing pathways, and the
// queries of the tabs and info panels.
#include "app/App.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "app/DeleteInteractionTool.h"
#include "app/DeleteProteinTool.h"
#include "app/ExploreMode.h"
#include "app/NetworkBuildCaller.h"
#include "app/PaintingTool.h"
#include "app/PlaceInteractionTool.h"
#include "app/PlaceProteinTool.h"
#include "app/SelectTool.h"
#include "engine/Clock.h"
#include "engine/Plane.h"
#include "engine/TextInput.h"
#include "engine/render/Font.h"
#include "engine/render/Image.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "model/TextConversions.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/ExploreEntity.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "pathway/ShapeFinder.h"
#include "scene/EdgeEntity.h"
#include "scene/Glyph.h"
#include "scene/NodeEntity.h"

namespace {

constexpr const char* kTextureFolder = "./textures";

std::unique_ptr<NodeEntity> newIdleEntity() {
    return std::make_unique<NodeEntity>(CoordinateFrame(), "", 0, Vector3(0.1f, 0.1f, 0.1f),
                                        Color4(1, 1, 1, 1), false);
}

}  // namespace

// ---- construction ----

App::App()
    : selectTool_(std::make_unique<SelectTool>(*this)),
      placeProteinTool_(std::make_unique<PlaceProteinTool>(*this)),
      placeInteractionTool_(std::make_unique<PlaceInteractionTool>(*this)),
      deleteProteinTool_(std::make_unique<DeleteProteinTool>(*this, *placeProteinTool_)),
      deleteInteractionTool_(std::make_unique<DeleteInteractionTool>(*this)),
      paintingTool_(std::make_unique<PaintingTool>(*this)),
      chosenTool_(selectTool_.get()),
      explore_(std::make_unique<ExploreMode>(*this)),
      build_(std::make_unique<NetworkBuildCaller>(*this)) {
    toolsByValue_[kToolPlaceProtein] = placeProteinTool_.get();
    toolsByValue_[kToolPlaceInteraction] = placeInteractionTool_.get();
    toolsByValue_[kToolDeleteProtein] = deleteProteinTool_.get();
    toolsByValue_[kToolDeleteInteraction] = deleteInteractionTool_.get();
    resetCamera();
}

App::~App() {
    // The window may be half gone when it destroys its App.
    mainWindow_ = nullptr;
    analyzeTab_ = nullptr;
    close();
    // A pending explore start reaches back into the explore mode when it goes.
    idleEntity_.reset();
}

double readAnimationSpeed(const std::string& text) {
    const double speed = stringToDouble(text);
    if (std::isfinite(speed) && speed >= 0 && speed <= maxAnimationSpeed) {
        return speed;
    }
    // Beyond the bound an explore would take minutes to open.
    const double used = std::isfinite(speed) && speed > 0 ? maxAnimationSpeed : 0.0;
    std::fprintf(stderr,
                 "corvidane: config.txt animationSpeed \"%s\" is outside 0 to %g; using %g\n",
                 text.c_str(), maxAnimationSpeed, used);
    return used;
}

void App::init() {
    // Sorted, so that of two files with the same key the later name wins on
    // every system alike.
    Array<std::string> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(kTextureFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file(ec)) {
            files.push_back(it->path().filename().string());
        }
    }
    if (ec) {
        std::fprintf(stderr, "corvidane: cannot list %s: %s\n", kTextureFolder,
                     ec.message().c_str());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& name : files) {
        trace("%s\n", name.c_str());
        const std::string key = beforeDelimiter(name, ".");
        std::shared_ptr<Texture> texture =
            Texture::fromFile(std::string(kTextureFolder) + "/" + name, key);
        if (texture) {
            textureCache[key] = std::move(texture);
        }
    }

    factories_.clear();
    factories_.push_back(std::make_unique<ProteinConnectivitySelectorFactory>());
    factories_.push_back(std::make_unique<AnnotationSelectorFactory>());
    factories_.push_back(std::make_unique<PathSelectorFactory>());
    factories_.push_back(std::make_unique<ExploredSelectorFactory>());
    factories_.push_back(std::make_unique<ExperimentalSelectorFactory>());
    factories_.push_back(std::make_unique<PathwayProteinsSelectorFactory>());

    shapeFinder_ = nullptr;
    pathwayPath_.clear();

    if (!readConfigFile("config.txt", configuration_)) {
        std::fprintf(stderr, "corvidane: config.txt only partly read\n");
    }
    backgroundPath_ = std::string(kTextureFolder) + "/pathway.png";
    painting_ = false;

    auto value = [this](const char* key) {
        auto it = configuration_.find(key);
        return it == configuration_.end() ? std::string() : it->second;
    };
    const std::string fontFile = value("fontFile");
    font_ = fontFile.empty() ? nullptr : Font::fromFile(fontFile);
    if (!font_) {
        // Labels without a font would not be drawn at all.
        font_ = Font::fromFile(Font::DEFAULT_FONT_FILE);
        if (!fontFile.empty()) {
            std::fprintf(stderr, "corvidane: config.txt fontFile \"%s\" %s\n", fontFile.c_str(),
                         font_ ? "is not used; labels use the default font"
                               : "is not used, nor is the default font; labels are not drawn");
        }
    }
    animationSpeed_ = readAnimationSpeed(value("animationSpeed"));

    idleEntity_ = newIdleEntity();
    // The render device takes the camera's matrices at the start of every frame.
    resetCamera();
    auto simplify = configuration_.find("simplifyMotion");
    simplifyMotion_ = simplify == configuration_.end() || simplify->second != "0";
}

// ---- drawing and animation ----

void App::doGraphics() {
    std::lock_guard<std::mutex> lock(mutex_);
    trace("in doGraphics\n");
    RenderDevice* rd = renderDevice_;
    if (rd == nullptr) {
        trace("out doGraphics\n");
        return;
    }
    rd->setColorClearValue(Color4(0, 0.1f, 0, 1));
    rd->clear(true, true, true);
    rd->setProjectionAndCameraMatrix(camera_);
    rd->enableLighting();
    rd->setStencilOp(RenderDevice::STENCIL_REPLACE, RenderDevice::STENCIL_REPLACE,
                     RenderDevice::STENCIL_REPLACE);
    rd->setLight(0, Light::directional(Vector3(0, 0, 100), Color3(1, 1, 1), true, true));
    NodeEntity::frameClipCount = 0;
    lastFrameQuick_ = simplifyMotion_ && lastFullFrameSeconds_ > FRAME_BUDGET && viewMoving();
    rd->setQuickFrame(lastFrameQuick_);
    PathwayLayouter::yieldToDrawing(lastFrameQuick_);

    const double t0 = systemTime();
    if (pathway_) {
        pathway_->renderPathway(rd, painting_);
    }
    if (ExploreEntity* view = explore_->view()) {
        view->render(rd);
    }
    const double t1 = systemTime();
    trace("render time = %f                 ----      %f\n", t1, t1 - t0);
    rd->setQuickFrame(false);
    rd->disableLighting();
    trace("out doGraphics\n");
}

// How long input keeps the view moving: longer than the gap between two
// mouse moves of a drag, short enough that the full picture follows at once.
constexpr double kMotionLinger = 0.1;

void App::noteViewMoved() {
    movingUntil_ = systemTime() + kMotionLinger;
}

bool App::viewMoving() const {
    return systemTime() < movingUntil_ || animating_ ||
           (pathway_ && pathway_->layouter() && pathway_->layouter()->isRunning() &&
            !pathway_->layouter()->isStopRequested());
}

void App::frameShown(double seconds) {
    if (!lastFrameQuick_) {
        lastFullFrameSeconds_ = seconds;
    }
}

void App::update(double /*elapsed*/) {
    if (!animating_) {
        return;
    }
    bool work = false;
    if (pathway_) {
        work = pathway_->updateActivities() || work;
    }
    if (ExploreEntity* view = explore_->view()) {
        work = view->updateActivities() || work;
    }
    if (!work && idleEntity_) {
        work = idleEntity_->updateActivities();
    }
    animating_ = work;
    requestRepaint();
}

// ---- view ----

Rect2D App::viewport() const {
    return renderDevice_ ? renderDevice_->viewport() : fallbackViewport_;
}

void App::resetCamera() {
    camera_.setPosition(Vector3(0, 0, 4));
    camera_.lookAt(Vector3(0, 0, 0), Vector3(0, 1, 0));
}

void App::requestRepaint() {
    if (mainWindow_) {
        mainWindow_->requestRepaint();
    }
}

void App::fitToView(bool setSize) {
    if (!pathway_) {
        return;
    }
    fitSetsSize_ = setSize;
    const Rect2D vp = viewport();
    if (!(vp.width() > 0) || !(vp.height() > 0)) {
        return;
    }
    const Plane plane;
    const Vector3 h1 = camera_.worldRay(0, 0, vp).intersection(plane);
    const Vector3 h2 = camera_.worldRay(vp.width(), vp.height(), vp).intersection(plane);
    if (!h1.isFinite() || !h2.isFinite()) {
        std::fprintf(stderr, "corvidane: the view does not show the pathway plane; not fitted\n");
        return;
    }
    const float width = std::fabs(h2.x - h1.x);
    const float height = std::fabs(h2.y - h1.y);
    if (!(width > 0) || !(height > 0)) {
        return;
    }
    const Vector3 size = pathway_->getSize();
    // A pathway extent of 0 would turn every stored position into inf or NaN.
    const float sx = size.x > 0 ? width / size.x : 1.0f;
    const float sy = size.y > 0 ? height / size.y : 1.0f;
    pathway_->scaleLayout(sx, sy, 1.0f);
    if (setSize) {
        // Both corners lie in z = 0, so their depth difference is 0: the depth
        // stays as it is.
        const float depth = pathway_->getSize().z > 0 ? pathway_->getSize().z : 0.01f;
        pathway_->setLayoutSize(width, height, depth);
    }
    pathway_->setLocalFrame(CoordinateFrame(h1));
    if (font_) {
        pathway_->setFont(font_);
    }
    fittedViewport_ = vp;
}

void App::refitToView() {
    if (pathway_ && viewport() != fittedViewport_) {
        fitToView(fitSetsSize_);
    }
}

// ---- pathways ----

void App::newPathway(bool visual) {
    pathway_ = std::make_unique<PathwayLayoutEntity>(Vector3(0, 0, 0), "pathway",
                                                     Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    pathway_->setVisual(visual);
    pathway_->setWindowServices(mainWindow_);
}

void App::adoptShapeFinder() {
    ShapeFinder* finder = pathway_ ? pathway_->shapeFinder().get() : nullptr;
    shapeFinder_ = finder;
    if (finder == nullptr) {
        return;
    }
    finder->setPathway(pathway_.get());
    finder->setWindowServices(mainWindow_);
    finder->onSelectionDropped = [this](const ImageProcessorSelection* region) {
        build_->paintedInteractions().erase(const_cast<ImageProcessorSelection*>(region));
    };
    finder->rebuildSelections();
}

bool App::loadPathway(const std::string& path) {
    return openPathway(path, {});
}

bool App::reloadPathway(const std::string& path) {
    DecodedPicture picture;
    if (pathway_) {
        picture = pathway_->unchangedPicture();
    }
    return openPathway(path, std::move(picture));
}

bool App::openPathway(const std::string& path, DecodedPicture handed) {
    trace("loading pathway %s\n", path.c_str());
    close();
    const bool shown = mainWindow_ != nullptr || renderDevice_ != nullptr;
    newPathway(shown);
    if (!pathway_->loadPathway(path, mainWindow_, std::move(handed))) {
        // A half-read document must not stay current: a later save would
        // overwrite a good file with it.
        std::fprintf(stderr, "corvidane: cannot load the pathway %s\n", path.c_str());
        pathway_.reset();
        requestRepaint();
        return false;
    }
    adoptShapeFinder();
    pathway_->setShapeFinderFollows(shapeFinder_ != nullptr && !pathway_->hasNetwork());
    if (shown) {
        fitToView(true);
        pathway_->setEdgesVisible(true);
    }
    pathwayPath_ = path;
    requestRepaint();
    setTool(kToolLoaded);
    return true;
}

void App::createPathway(const std::string& path) {
    close();
    newPathway(mainWindow_ != nullptr || renderDevice_ != nullptr);
    fitToView(false);
    pathwayPath_ = path;
    if (!backgroundPath_.empty()) {
        pathway_->setBackground(backgroundPath_);
    }
    requestRepaint();
}

bool App::createPathwayFromImage(const std::string& path, const std::string& image) {
    close();
    newPathway(mainWindow_ != nullptr || renderDevice_ != nullptr);
    fitToView(false);
    pathwayPath_ = path;
    pathway_->setBackground(image);
    pathway_->setFromImage(true);
    if (!pathway_->sourceImage() || pathway_->sourceImage()->isNull()) {
        std::fprintf(stderr, "corvidane: cannot paint on %s: the image cannot be read\n",
                     image.c_str());
        requestRepaint();
        return false;
    }
    const Vector3 at = pathway_->getGlobalFrame().translation;
    const Vector3 size = pathway_->getSize();
    pathway_->setShapeFinder(std::make_shared<ShapeFinder>(
        pathway_->sourceImage(), at.x, at.y, at.z, size.x, size.y, size.z, mainWindow_));
    adoptShapeFinder();
    requestRepaint();
    return true;
}

bool App::createPathwayFromExisting(const std::string& newPath, const std::string& basePath) {
    close();
    // Shown like any other: its picture is what the user paints on.
    newPathway(mainWindow_ != nullptr || renderDevice_ != nullptr);
    if (!pathway_->loadPathway(basePath, mainWindow_)) {
        std::fprintf(stderr, "corvidane: cannot read the pathway %s\n", basePath.c_str());
        pathway_.reset();
        return false;
    }
    // The base's side file is not this pathway's: the build's reload opens its own.
    pathway_->neighbourhoods().closeSideFile();
    adoptShapeFinder();
    if (renderDevice_) {
        fitToView(true);
    }
    pathwayPath_ = newPath;

    build_->keepPaintedInteractions(*pathway_);
    pathway_->clear();
    requestRepaint();
    return true;
}

bool App::buildgraph(const GraphBuilderParameters& parameters, std::string* why) {
    return build_->build(parameters, why);
}

void App::assignSelectionProteins() {
    build_->assignSelectionProteins();
}

Table<ImageProcessorSelection*, std::pair<std::string, std::string>>& App::paintedInteractions() {
    return build_->paintedInteractions();
}

void App::close() {
    if (!pathway_) {
        return;
    }
    if (mainWindow_) {
        mainWindow_->stopShapeFinderTimer();
    }
    shapeFinder_ = nullptr;
    if (pathway_->layouter()) {
        pathway_->layouter()->exit(0);
        pathway_->dropLayouter();
    }
    // The explore view and pending explore activities refer to the pathway.
    explore_->close();
    placeProteinTool_->forgetAllPlaced();
    build_->paintedInteractions().clear();
    if (idleEntity_ && idleEntity_->activityCount() > 0) {
        idleEntity_ = newIdleEntity();
    }
    pathway_.reset();
    pathwayPath_.clear();
    fittedViewport_ = Rect2D();
    resetCamera();
    animating_ = false;
    painting_ = false;
    placeInteractionTool_->forgetEnds();
    requestRepaint();
}

// ---- state ----

NodeEntity& App::idleEntity() {
    if (!idleEntity_) {
        idleEntity_ = newIdleEntity();
    }
    return *idleEntity_;
}

bool App::askProtein(const ImageProcessorSelection* region, std::string& label,
                     std::string& id) const {
    return askProtein_ && askProtein_(region, label, id);
}

// ---- queries ----

PropertyList* App::getProteinProperties(const std::string& label) const {
    if (!pathway_) {
        return nullptr;
    }
    const std::string id = pathway_->graph().getNodeByName(label);
    return id.empty() ? nullptr : pathway_->graph().getNodeProperties(id);
}

PropertyList* App::getInteractionProperties(const std::string& label1,
                                            const std::string& label2) const {
    if (!pathway_) {
        return nullptr;
    }
    const std::string a = pathway_->graph().getNodeByName(label1);
    const std::string b = pathway_->graph().getNodeByName(label2);
    if (a.empty() || b.empty()) {
        return nullptr;
    }
    return pathway_->graph().getEdgeProperties(a, b);
}

void App::getProteinNames(Array<std::string>& out) const {
    out.clear();
    if (!pathway_) {
        return;
    }
    Array<std::string> ids;
    pathway_->graph().getNodes(ids);
    out.reserve(ids.size());
    for (const std::string& id : ids) {
        out.push_back(pathway_->graph().getProteinName(id));
    }
}

void App::getInteractors(const std::string& label, Array<std::string>& out) const {
    out.clear();
    if (!pathway_) {
        return;
    }
    const std::string id = pathway_->graph().getNodeByName(label);
    if (id.empty()) {
        return;
    }
    Array<std::string> neighbours;
    pathway_->graph().getNeighbours(id, neighbours);
    for (const std::string& n : neighbours) {
        out.push_back(pathway_->graph().getProteinName(n));
    }
}

Array<SelectorFactory*> App::selectorFactories() const {
    Array<SelectorFactory*> out;
    out.reserve(factories_.size());
    for (const auto& factory : factories_) {
        out.push_back(factory.get());
    }
    return out;
}
