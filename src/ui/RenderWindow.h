// The 3D view: an OpenGL widget (compatibility profile, drawing into its own
// framebuffer object) that draws the scene through App::doGraphics, hands
// mouse, wheel and keys to the scene core and offers the context menu that
// deletes, renames, recolours, reshapes and resizes proteins and interactions.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>

#include "engine/CoordinateFrame.h"
#include "ui/ContextMenuPlan.h"

class App;
class Dialogs;
class EdgeEntity;
class Entity;
class NodeEntity;
class PathwayLayoutEntity;
class QMenu;
class RenderDevice;
class WindowServices;

class RenderWindow : public QOpenGLWidget {
    Q_OBJECT
public:
    // The compatibility-profile format with depth 24 and stencil 8.
    explicit RenderWindow(QWidget* parent = nullptr);
    RenderWindow(const QSurfaceFormat& format, QWidget* parent);
    ~RenderWindow() override;

    // Hands the scene core its render device as soon as both exist.
    void setApp(App* app);
    App* app() const { return app_; }
    // The window's timers and the dialogs the handlers use; both null without a window.
    void setWindow(WindowServices* window, Dialogs* dialogs) {
        window_ = window;
        dialogs_ = dialogs;
    }
    // Null until the context exists (initializeGL).
    RenderDevice* renderDevice() const { return renderDevice_.get(); }

    // Camera rays and the next frame take the widget's current size, also
    // before a resize event told it (a hidden window's layout).
    void followSize();

    // Draws one frame into the widget's framebuffer and waits until the GL is
    // done with it (for read-backs and frame-time measurements). False before
    // the context exists.
    bool renderFrame();

    // The proteins the context menu's protein entries act on (those still in
    // the pathway) and the interaction its interaction entries act on (null
    // once it left the pathway).
    std::vector<NodeEntity*> selection() const;
    EdgeEntity* selectedInteraction() const;
    // What the last context menu was planned as (for tests and diagnostics).
    const ContextMenuPlan& lastMenuPlan() const { return lastPlan_; }
    // Takes the selection and the interaction the menu at `pos` (widget pixels)
    // would act on, and answers its plan; nothing is shown.
    ContextMenuPlan prepareContextMenu(const QPoint& pos);
    // The same for `picked`, the entity under the mouse (null for none).
    ContextMenuPlan prepareContextMenuFor(Entity* picked);
    // Forgets the selection and the selected interaction.
    void clearMenuSelection();

    const CoordinateFrame& objectFrame() const { return objectFrame_; }
    // Frames drawn with the scene so far.
    int paintCount() const { return paintCount_; }

signals:
    // Escape left the explore view.
    void exploreLeft();

public slots:
    void setXRotation(int angle);
    void repaintGL();
    void deleteProtein();
    void changeProteinName();
    void changeProteinShape();
    void changeProteinColor();
    void changeProteinFontColor();
    void changeProteinSize();
    void deleteInteraction();
    void changeInteractionSize();
    void changeInteractionColor();
    void oneStarProtein();
    void twoStarProtein();
    void threeStarProtein();
    void fourStarProtein();
    void fiveStarProtein();
    void showingContextMenu();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    // Builds and runs the menu for a right click at `pos`.
    void openContextMenu(const QPoint& pos, const QPoint& globalPos);
    void addMenuEntries(QMenu& menu, QMenu& interactionMenu, const ContextMenuPlan& plan);
    PathwayLayoutEntity* pathway() const;
    void requestRepaint();
    void rateSelection(int stars);
    using NodeColourSetter = void (PathwayLayoutEntity::*)(NodeEntity*, float, float, float);
    // Asks for a colour and gives it to every selected protein through `set`.
    void recolourSelection(QWidget* parent, NodeColourSetter set);
    // Asks for a colour starting at white; false when cancelled.
    bool askColor(QWidget* parent, float& r, float& g, float& b);
    void releaseContext();

    App* app_ = nullptr;
    WindowServices* window_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    std::unique_ptr<RenderDevice> renderDevice_;
    // Only setXRotation changes it; frames are drawn with App's camera.
    CoordinateFrame objectFrame_;
    // Outermost lock of a frame: paint mutex, then App, then layouter.
    std::mutex paintMutex_;
    QPoint last_;
    bool leftDown_ = false;
    bool rightDown_ = false;
    bool moved_ = false;
    // Identifiers, resolved at use, so that a protein removed meanwhile is
    // never touched.
    std::vector<std::string> selectionIds_;
    EdgeEntity* selectedInteraction_ = nullptr;
    ContextMenuPlan lastPlan_;
    int paintCount_ = 0;
    // From the start of a frame until it is on the screen, for App's choice
    // of quick frames while the view moves.
    QElapsedTimer frameClock_;
    // Fires once the view has stopped moving: the full picture comes back.
    QTimer stillTimer_;
};
