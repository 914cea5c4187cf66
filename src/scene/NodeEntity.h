// The visible box of the scene: a flat, labelled rectangle filled with a
// colour or a texture, optionally confining what is drawn after it to its box
// through the stencil buffer. Every setter rebuilds the derived geometry at
// once, so drawing only reads prepared values.
#pragma once

#include <memory>
#include <string>

#include "engine/AABox.h"
#include "engine/Color4.h"
#include "engine/Vector2.h"
#include "engine/Vector3.h"
#include "scene/Entity.h"

class Texture;

class NodeEntity : public Entity {
public:
    // Scales the node so that its width follows the interpolated width.
    class ActivityScale : public Activity {
    public:
        ActivityScale(const Vector3& from, const Vector3& to, NodeEntity* target, double duration);
        void update() override;

    private:
        Vector3 from;
        Vector3 to;
        NodeEntity* target;
    };

    // Writes its value into the node's scaled-up flag when it is over.
    class SetScaledUpActivity : public Activity {
    public:
        SetScaledUpActivity(NodeEntity* target, bool value, double duration);
        void update() override;

    private:
        NodeEntity* target;
        bool value;
    };

    NodeEntity(const CoordinateFrame& frame, const std::string& name, int shapeKind,
               const Vector3& size, const Color4& color, bool fullLabel);
    ~NodeEntity() override;

    // A pathway holds them by the ten thousand: made in blocks (SlotPool);
    // derived classes go to the general heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);

    void setSize(float x, float y, float z);
    void setLabelSize(double size);
    void setName(const std::string& name);
    void setTexture(std::shared_ptr<Texture> texture);
    void setColor(float r, float g, float b, float a);
    void setFontColor(float r, float g, float b, float a);

    Vector3 getSize() const { return size; }
    double getLabelSize() const { return labelSize; }
    std::string getName() const { return name; }
    Color4 getColor() const { return color; }
    Color4 getFontColor() const { return fontColor; }
    std::shared_ptr<Texture> getTexture() const { return texture; }
    const std::shared_ptr<Font>& getFont() const { return font; }

    // Derived state, as the last rebuild left it.
    const std::string& getLabelText() const { return labelText; }
    const std::shared_ptr<Texture>& getDrawTexture() const { return drawTexture; }
    const Color4& getDrawColor() const { return drawColor; }
    bool isTextured() const { return textured; }
    // Where the label and the corners are now, from the frame, the size and
    // the extent of the rebuilt label (computed on use, so a move only
    // updates the frame).
    CoordinateFrame getLabelFrame() const;
    Vector3 topLeft() const { return corner(-1, 1); }
    Vector3 topRight() const { return corner(1, 1); }
    Vector3 bottomLeft() const { return corner(-1, -1); }
    Vector3 bottomRight() const { return corner(1, -1); }
    // The world-axis-aligned box of the node's two opposite corners, as picked.
    AABox worldBox() const;

    void setFont(std::shared_ptr<Font> font) override;
    void render(RenderDevice* rd) override;
    Entity* pick(const Ray& ray) override;
    bool rayEvent(const Ray& ray, int value) override;
    bool mousePress(const Ray& ray, int button) override;
    bool mouseRelease(const Ray& ray, int button) override;
    bool mouseMove(const Ray& first, const Ray& second) override;
    bool drag(const Ray& previous, const Ray& current) override;
    bool userEvent(int value) override;
    bool updateActivities() override;
    void scale(double factor) override;
    void updateGlobalFrame(const CoordinateFrame& parentGlobal) override;
    void propagateFrames() override;
    void frameChanged(const CoordinateFrame& frame) override;
    void notifyFrameChanged() override;

    void animateScale(double factor, double duration);

    // setLocalFrame with an unturned frame at `translation`. The layout moves
    // every node on every pass: when the node is unturned under its parent
    // already, only the translations are recomputed (the same sums as the
    // full frame product makes for them), and of the content's inputs only
    // the public ones and the texture cache are compared (see
    // invalidateContent).
    void moveInParent(const Vector3& translation);

    // Hints the processor to load what moveInParent reads and writes, or what
    // a layout snapshot reads (position and size), for loops over many nodes
    // one after the other: the nodes are scattered over the heap, and such a
    // loop is bound by fetching them.
    void prefetchMove() const {
        for (const void* at :
             {static_cast<const void*>(&localFrame), static_cast<const void*>(&globalFrame),
              static_cast<const void*>(&shapeName), static_cast<const void*>(&content)}) {
            __builtin_prefetch(at, 1);
        }
    }
    void prefetchPlacement() const {
        __builtin_prefetch(&localFrame.translation);
        __builtin_prefetch(&size);
    }

    // Rebuilds textures and label from the stored values. Safe on the
    // layout thread: it touches only this node, font metrics and texture handles.
    void update();

    // The longest prefix of text narrower than width at labelSize, followed by
    // "_" when something was cut; the text unchanged without a font or when it
    // is shorter than two characters. Linear in the length of the fit, and
    // never longer than LONGEST_LABEL bytes and the "_".
    static std::string fitLabel(const std::string& text, double labelSize, double width,
                                const Font* font);

    // The two halves of render, for drawers that put their own content between
    // them. The opening half pushes the device state, opens the stencil clip
    // (when `clip` is set) over `clipBox` drawn in `clipFrame`, and draws the
    // children when `childrenFirst` is set; the closing half draws the
    // children otherwise, pops the state and releases the clip.
    void beginRender(RenderDevice* rd, const CoordinateFrame& clipFrame, const AABox& clipBox);
    void endRender(RenderDevice* rd);
    // The rectangle (unless shapeKind 5) and the label, as render draws them.
    void renderBodyAndLabel(RenderDevice* rd);
    void renderLabel(RenderDevice* rd);

    // Draws `entities` in order as their render does, in one batch of the
    // device; but a run of plain nodes (drawn by this class, without clip or
    // children) draws all its rectangles and then all its labels, so each
    // kind takes few draws. Labels lie in front of the rectangles of their
    // plane (polygon offset) either way; only where a label's soft edge
    // overlaps a later node's rectangle does it now blend over that
    // rectangle, where it used to keep the rectangle from being drawn.
    // Without `labels` the plain nodes' labels are left out.
    static void renderEntities(RenderDevice* rd, const Array<Entity*>& entities,
                               bool labels = true);

    // No label, whole or fitted, lays out more bytes of a name than this: a
    // name of megabytes would cost as much in every rebuild and draw.
    static constexpr std::size_t LONGEST_LABEL = 1024;

    // Stencil clips opened in the current frame; the scene core sets it to 0
    // at the start of every frame.
    static int frameClipCount;

    std::string shapeName = "default";
    int shapeKind = 0;
    bool clip = false;
    bool unclipped = false;
    bool fullLabel = false;
    bool childrenFirst = false;
    bool bodyHidden = false;
    bool draggable = false;
    bool movable = true;
    bool scaledUp = false;
    // Off: the labels of plain child nodes are left out of quick frames.
    bool childLabelsWhenQuick = true;

protected:
    // For code that writes the protected inputs below without a setter: the
    // next frame change then rebuilds the content in full.
    void invalidateContent() { content.valid = false; }

    // Declared in the order of the memory they take: what every move reads
    // comes first and together (size, the label extent and the content
    // inputs a move compares), the rest after.
    Vector3 size;
    double labelSize = 0;

private:
    Vector2 labelExtent;

    // Inputs of the last content rebuild; a frame change rebuilds the content
    // only when one of them differs (scale and direct member writes change
    // them without a setter).
    struct ContentInputs {
        bool valid = false;
        bool fullLabel = false;
        std::size_t cacheSize = 0;
        std::string shapeName;
        const Texture* texture = nullptr;
        Color4 color{0, 0, 0, 1};
        std::string name;
        double labelSize = 0;
        float width = 0;
        const Font* font = nullptr;
    } content;

    // What follows name, size, texture and font.
    void updateContent();
    // Shape kinds 0 to 4 draw a rectangle; kind 5 is a label alone.
    bool hasBody() const { return shapeKind >= 0 && shapeKind <= 4; }
    // A textured node shows its picture instead of its label.
    bool labelShown() const { return font != nullptr && !textured; }
    // The rectangle of shape kinds 0 to 4, in its texture and colour.
    void renderBody(RenderDevice* rd);
    static bool plain(const Entity* entity);
    // Rectangles, then labels, of the plain nodes entities[begin, end).
    static void renderPlainRun(RenderDevice* rd, const Array<Entity*>& entities, std::size_t begin,
                               std::size_t end, bool labels);
    bool contentCurrent() const;
    void frameUpdate();
    // A corner of the node in world space, by the signs of its offsets
    // along the frame's first two axes.
    Vector3 corner(float across, float along) const;

protected:
    std::shared_ptr<Font> font;
    bool clipOpener = false;
    std::string name;
    std::shared_ptr<Texture> texture;
    Color4 color{0, 0, 0, 1};
    Color4 fontColor{0, 0, 0, 1};

private:
    std::string labelText;
    std::shared_ptr<Texture> drawTexture;
    bool textured = false;
    Color4 drawColor{0, 0, 0, 1};

    // Inputs and result of the last label fitting.
    struct FittedLabel {
        bool valid = false;
        std::string name;
        double labelSize = 0;
        float width = 0;
        const Font* font = nullptr;
        std::string label;
    } fitted;
};
