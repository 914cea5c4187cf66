#include "ui/RenderWindow.h"

#include <algorithm>
#include <cstdio>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWheelEvent>

#include "app/App.h"
#include "engine/render/RenderDevice.h"
#include "engine/render/Texture.h"
#include "model/Trace.h"
#include "model/WindowServices.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"
#include "ui/Dialogs.h"
#include "ui/QGWindow.h"

namespace {

PickedKind kindOf(const Entity* entity) {
    if (entity == nullptr)
        return PickedKind::Nothing;
    if (entity->getType() == "NodeEntity")
        return PickedKind::Protein;
    if (entity->getType() == "EdgeEntity")
        return PickedKind::Interaction;
    return PickedKind::Other;
}

QStringList toQStringList(const std::vector<std::string>& items) {
    QStringList list;
    for (const std::string& item : items)
        list << QString::fromStdString(item);
    return list;
}

// A little after App stops counting the view as moving.
constexpr int kStillAfterMs = 150;

// While the menu, and the dialog its entry opens inside the menu's loop, have
// the keyboard, a Control let go there still ends the view's multi-selection.
class ControlReleaseWatch : public QObject {
public:
    explicit ControlReleaseWatch(App* app) : app_(app) { qApp->installEventFilter(this); }
    ~ControlReleaseWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (app_ && event->type() == QEvent::KeyRelease &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Control) {
            app_->setCtrlUp();
        }
        return false;
    }

private:
    App* app_;
};

const char* const kRenameRefused =
    "A protein name must not be empty and must not hold a tab or a line break.";

}  // namespace

RenderWindow::RenderWindow(QWidget* parent)
    : RenderWindow(QGWindow::formatFor(QGWindow::Settings{}), parent) {}

RenderWindow::RenderWindow(const QSurfaceFormat& format, QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(format);
    setFocusPolicy(Qt::ClickFocus);
    // X11 sends the context-menu event on press, which would break right-drag
    // panning and swallow the release: the menu opens on release instead.
    setContextMenuPolicy(Qt::PreventContextMenu);
    stillTimer_.setSingleShot(true);
    connect(&stillTimer_, &QTimer::timeout, this, &RenderWindow::requestRepaint);
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (app_ && frameClock_.isValid())
            app_->frameShown(frameClock_.nsecsElapsed() * 1e-9);
    });
}

RenderWindow::~RenderWindow() {
    // The base class destroys the context after this object is gone.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
    releaseContext();
}

void RenderWindow::setApp(App* app) {
    app_ = app;
    if (!app_)
        return;
    app_->setFallbackViewport(
        Rect2D::xywh(0, 0, static_cast<float>(width()), static_cast<float>(height())));
    if (renderDevice_)
        app_->setRenderDevice(renderDevice_.get());
}

void RenderWindow::releaseContext() {
    if (!renderDevice_)
        return;
    const bool current = context() != nullptr;
    if (current)
        makeCurrent();
    if (app_ && app_->renderDevice() == renderDevice_.get())
        app_->setRenderDevice(nullptr);
    renderDevice_.reset();
    if (current)
        doneCurrent();
}

// ---- painting ----

void RenderWindow::initializeGL() {
    renderDevice_ = std::make_unique<RenderDevice>();
    renderDevice_->init();
    if (app_)
        app_->setRenderDevice(renderDevice_.get());
    // Moving the view to another top-level window replaces its context.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &RenderWindow::releaseContext,
            Qt::UniqueConnection);
}

void RenderWindow::resizeEvent(QResizeEvent* event) {
    QOpenGLWidget::resizeEvent(event);
    followSize();
}

void RenderWindow::followSize() {
    if (app_) {
        app_->setFallbackViewport(
            Rect2D::xywh(0, 0, static_cast<float>(width()), static_cast<float>(height())));
    }
    if (renderDevice_ && context()) {
        makeCurrent();
        renderDevice_->setViewport(0, 0, width(), height());
        doneCurrent();
    }
}

void RenderWindow::resizeGL(int width, int height) {
    // Picking between frames runs through this viewport: widget pixels.
    if (renderDevice_)
        renderDevice_->setViewport(0, 0, width, height);
}

void RenderWindow::paintGL() {
    std::lock_guard<std::mutex> lock(paintMutex_);
    QOpenGLFunctions* gl = context()->functions();
    if (!app_ || !renderDevice_) {
        gl->glClearColor(0, 0, 0, 0);
        gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        return;
    }
    trace("paintGL\n");
    gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    renderDevice_->beginFrame();
    const qreal ratio = devicePixelRatioF();
    renderDevice_->setViewport(0, 0, static_cast<int>(width() * ratio),
                               static_cast<int>(height() * ratio));
    app_->setRenderDevice(renderDevice_.get());
    frameClock_.start();
    app_->doGraphics();
    ++paintCount_;
    if (ratio != 1.0)
        renderDevice_->setViewport(0, 0, width(), height());
}

bool RenderWindow::renderFrame() {
    if (!context())
        return false;
    makeCurrent();
    paintGL();
    context()->functions()->glFinish();
    doneCurrent();
    return true;
}

void RenderWindow::repaintGL() {
    trace("repaintGL\n");
}

void RenderWindow::requestRepaint() {
    update();
}

void RenderWindow::setXRotation(int angle) {
    trace("rot = %d\n", angle);
    objectFrame_.rotation =
        Matrix3::fromAxisAngle(Vector3(0, 1, 0), static_cast<float>(angle / 2000.0));
}

// ---- mouse and keys ----

void RenderWindow::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::OtherFocusReason);
    const QPoint pos = event->position().toPoint();
    if (app_) {
        if (event->button() == Qt::RightButton) {
            last_ = pos;
            rightDown_ = true;
            app_->mousePress(pos.x(), pos.y(), true);
        } else if (event->button() == Qt::LeftButton) {
            last_ = pos;
            leftDown_ = true;
            app_->mousePress(pos.x(), pos.y(), false);
        }
    }
    moved_ = false;
    requestRepaint();
}

void RenderWindow::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    last_ = pos;
    const bool rightClick = event->button() == Qt::RightButton && rightDown_ && !moved_;
    if (app_) {
        if (event->button() == Qt::RightButton) {
            app_->mouseRelease(pos.x(), pos.y(), true);
        } else if (event->button() == Qt::LeftButton) {
            app_->mouseRelease(pos.x(), pos.y(), false);
        }
    }
    if (event->button() == Qt::RightButton || event->button() == Qt::LeftButton) {
        leftDown_ = false;
        rightDown_ = false;
    }
    requestRepaint();
    if (rightClick)
        openContextMenu(pos, event->globalPosition().toPoint());
}

void RenderWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    trace("mouse double click \n");
    const QPoint pos = event->position().toPoint();
    if (app_)
        app_->doubleClick(pos.x(), pos.y());
    requestRepaint();
}

void RenderWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!app_ || (!leftDown_ && !rightDown_))
        return;
    const QPoint pos = event->position().toPoint();
    if (leftDown_) {
        app_->drag(pos.x(), pos.y(), last_.x(), last_.y());
    } else {
        app_->panDrag(pos.x(), pos.y(), last_.x(), last_.y());
    }
    // A step that goes nowhere is not a drag: it must not cancel the menu.
    if (pos != last_)
        moved_ = true;
    last_ = pos;
    requestRepaint();
    stillTimer_.start(kStillAfterMs);
}

void RenderWindow::wheelEvent(QWheelEvent* event) {
    if (app_)
        app_->zoom(event->angleDelta().y() / 300.0);
    requestRepaint();
    stillTimer_.start(kStillAfterMs);
}

void RenderWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (app_ && app_->isExploring()) {
            app_->leaveExplore();
            if (window_) {
                window_->startTimers(20, 5000);
            }
            emit exploreLeft();
        }
        requestRepaint();
    } else if (event->key() == Qt::Key_Control) {
        if (app_)
            app_->setCtrlDown();
        requestRepaint();
    } else {
        QOpenGLWidget::keyPressEvent(event);
    }
}

void RenderWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control) {
        if (app_)
            app_->setCtrlUp();
    } else {
        QOpenGLWidget::keyReleaseEvent(event);
    }
}

// ---- context menu ----

PathwayLayoutEntity* RenderWindow::pathway() const {
    return app_ ? app_->pathway() : nullptr;
}

void RenderWindow::clearMenuSelection() {
    selectionIds_.clear();
    selectedInteraction_ = nullptr;
}

std::vector<NodeEntity*> RenderWindow::selection() const {
    std::vector<NodeEntity*> nodes;
    PathwayLayoutEntity* document = pathway();
    if (!document)
        return nodes;
    for (const std::string& id : selectionIds_) {
        if (NodeEntity* node = document->getNode(id))
            nodes.push_back(node);
    }
    return nodes;
}

EdgeEntity* RenderWindow::selectedInteraction() const {
    PathwayLayoutEntity* document = pathway();
    if (!document || !selectedInteraction_)
        return nullptr;
    const auto& edges = document->edges();
    const bool present = std::any_of(edges.begin(), edges.end(), [this](const auto& edge) {
        return edge.get() == selectedInteraction_;
    });
    return present ? selectedInteraction_ : nullptr;
}

ContextMenuPlan RenderWindow::prepareContextMenu(const QPoint& pos) {
    if (!pathway())
        return prepareContextMenuFor(nullptr);
    return prepareContextMenuFor(app_->pick(pos.x(), pos.y()));
}

ContextMenuPlan RenderWindow::prepareContextMenuFor(Entity* picked) {
    clearMenuSelection();
    lastPlan_ = ContextMenuPlan();
    PathwayLayoutEntity* document = pathway();
    if (!document)
        return lastPlan_;
    trace("context menu\n");

    std::vector<std::string> ids;
    for (const std::string& id : document->getSelectedNodes()) {
        if (document->getNode(id))
            ids.push_back(id);
    }
    ContextMenuInput input;
    input.picked = kindOf(picked);
    input.selectedProteins = static_cast<int>(ids.size());
    input.control = app_->isControlDown();
    input.exploring = app_->isExploring();
    input.noProteins = document->noProteins();
    input.noInteractions = document->noInteractions();
    lastPlan_ = planContextMenu(input);

    if (lastPlan_.clearsProteinSelection)
        document->clearSelectedNodes();
    if (lastPlan_.takesProteins)
        selectionIds_ = std::move(ids);
    if (lastPlan_.takesInteraction)
        selectedInteraction_ = static_cast<EdgeEntity*>(picked);
    return lastPlan_;
}

void RenderWindow::addMenuEntries(QMenu& menu, QMenu& interactionMenu,
                                  const ContextMenuPlan& plan) {
    using Slot = void (RenderWindow::*)();
    auto slotOf = [](MenuAction action) -> Slot {
        switch (action) {
            case MenuAction::DeleteProtein:
                return &RenderWindow::deleteProtein;
            case MenuAction::RenameProtein:
                return &RenderWindow::changeProteinName;
            case MenuAction::ChangeProteinColor:
                return &RenderWindow::changeProteinColor;
            case MenuAction::ChangeProteinFontColor:
                return &RenderWindow::changeProteinFontColor;
            case MenuAction::ChangeProteinShape:
                return &RenderWindow::changeProteinShape;
            case MenuAction::ChangeProteinSize:
                return &RenderWindow::changeProteinSize;
            case MenuAction::DeleteInteraction:
                return &RenderWindow::deleteInteraction;
            case MenuAction::ChangeInteractionColor:
                return &RenderWindow::changeInteractionColor;
            case MenuAction::ChangeInteractionSize:
                return &RenderWindow::changeInteractionSize;
        }
        return nullptr;
    };
    bool subMenuUsed = false;
    for (const MenuEntry& entry : plan.entries) {
        QMenu& target = entry.inInteractionMenu ? interactionMenu : menu;
        subMenuUsed = subMenuUsed || entry.inInteractionMenu;
        QAction* action = target.addAction(QString::fromStdString(entry.text));
        connect(action, &QAction::triggered, this, slotOf(entry.action));
    }
    if (subMenuUsed)
        menu.addMenu(&interactionMenu);
}

void RenderWindow::openContextMenu(const QPoint& pos, const QPoint& globalPos) {
    const ContextMenuPlan plan = prepareContextMenu(pos);
    if (plan.show) {
        QMenu menu(this);
        QMenu interactionMenu("Interaction", &menu);
        addMenuEntries(menu, interactionMenu, plan);
        // No grab by the view: it would outrank the menu's own popup grab and
        // the modal dialog an entry opens inside exec, leaving both deaf to keys.
        const ControlReleaseWatch watch(app_);
        menu.exec(globalPos);
    }
    // What the menu chose has run by now; nothing may point into the scene
    // until the next menu.
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::showingContextMenu() {
    setFocus(Qt::OtherFocusReason);
}

// ---- editing slots ----

bool RenderWindow::askColor(QWidget* parent, float& r, float& g, float& b) {
    if (!dialogs_)
        return false;
    const std::optional<QColor> color = dialogs_->color(parent, Qt::white);
    if (!color)
        return false;
    r = static_cast<float>(color->red() / 255.0);
    g = static_cast<float>(color->green() / 255.0);
    b = static_cast<float>(color->blue() / 255.0);
    return true;
}

void RenderWindow::deleteProtein() {
    if (app_) {
        // Resolved one at a time: a removal may take other entities with it.
        for (const std::string& id : std::vector<std::string>(selectionIds_)) {
            PathwayLayoutEntity* document = pathway();
            NodeEntity* node = document ? document->getNode(id) : nullptr;
            if (node)
                app_->removeProtein(node);
        }
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::changeProteinName() {
    const std::vector<NodeEntity*> nodes = selection();
    if (app_ && dialogs_ && !nodes.empty()) {
        const std::optional<QString> text =
            dialogs_->text(this, "Select A New Protein Name", "Protein Name:", QString());
        if (text) {
            const std::string label = text->toStdString();
            if (!App::isValidLabel(label)) {
                dialogs_->warning(this, "Protein Application", kRenameRefused);
            } else {
                for (NodeEntity* node : selection())
                    app_->renameProtein(node, label);
                // The new label shows at once rather than at the next repaint.
                requestRepaint();
            }
        }
    }
    clearMenuSelection();
}

void RenderWindow::changeProteinShape() {
    PathwayLayoutEntity* document = pathway();
    if (document && dialogs_ && !selection().empty()) {
        std::vector<std::string> names;
        for (const auto& entry : textureCache)
            names.push_back(entry.first);
        std::sort(names.begin(), names.end());
        if (!names.empty()) {
            const std::optional<QString> shape =
                dialogs_->item(this, "Choose a shape", "Shape", toQStringList(names), 0, false);
            document = pathway();  // the dialog ran an event loop
            if (shape && document) {
                for (NodeEntity* node : selection())
                    document->setNodeShape(node, shape->toStdString());
            }
        }
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::recolourSelection(QWidget* parent, NodeColourSetter set) {
    float r = 0, g = 0, b = 0;
    if (!selection().empty() && askColor(parent, r, g, b)) {
        // Resolved again: the dialog ran an event loop.
        for (NodeEntity* node : selection())
            (pathway()->*set)(node, r, g, b);
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::changeProteinColor() {
    recolourSelection(nullptr, &PathwayLayoutEntity::setNodeColor);
}

void RenderWindow::changeProteinFontColor() {
    recolourSelection(this, &PathwayLayoutEntity::setNodeFontColor);
}

void RenderWindow::changeProteinSize() {
    PathwayLayoutEntity* document = pathway();
    if (document && dialogs_ && !selection().empty()) {
        Dialogs& dialogs = *dialogs_;
        const QStringList items = toQStringList(proteinScaleItems());
        const std::optional<QString> horizontal =
            dialogs.item(this, "Choose a horizontal scale factor", "Scale factor", items, 0, false);
        const std::optional<QString> vertical =
            horizontal ? dialogs.item(this, "Choose a vertical scale factor", "Scale factor", items,
                                      0, false)
                       : std::nullopt;
        if (horizontal && vertical) {
            const double fx = proteinScaleFactor(horizontal->toStdString());
            const double fy = proteinScaleFactor(vertical->toStdString());
            for (NodeEntity* node : selection())
                pathway()->scaleNodeSize(node, fx, fy);
        }
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::deleteInteraction() {
    if (EdgeEntity* edge = selectedInteraction())
        app_->removeInteraction(edge);
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::changeInteractionColor() {
    float r = 0, g = 0, b = 0;
    if (selectedInteraction() && askColor(this, r, g, b)) {
        // Asked again: the dialog ran an event loop.
        if (EdgeEntity* edge = selectedInteraction())
            pathway()->setEdgeColor(edge, r, g, b);
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::changeInteractionSize() {
    if (selectedInteraction() && dialogs_) {
        const std::optional<QString> item =
            dialogs_->item(this, "Choose scale factor", "Scale factor",
                           toQStringList(interactionScaleItems()), 0, false);
        EdgeEntity* edge = selectedInteraction();
        if (item && edge) {
            pathway()->scaleEdgeSize(edge, interactionScaleFactor(item->toStdString()));
        }
    }
    clearMenuSelection();
    requestRepaint();
}

void RenderWindow::rateSelection(int stars) {
    if (PathwayLayoutEntity* document = pathway()) {
        for (NodeEntity* node : selection())
            document->setNodeRating(node, stars);
    }
    clearMenuSelection();
}

void RenderWindow::oneStarProtein() {
    rateSelection(1);
}
void RenderWindow::twoStarProtein() {
    rateSelection(2);
}
void RenderWindow::threeStarProtein() {
    rateSelection(3);
}
void RenderWindow::fourStarProtein() {
    rateSelection(4);
}
void RenderWindow::fiveStarProtein() {
    rateSelection(5);
}
