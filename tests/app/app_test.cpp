// The scene core without a window: config.txt, fitting to the view, animation
// stepping, closing with a layouter, and the load and "From Existing" roads,
// including the files they cannot read.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include <QImage>

#include "app/App.h"
#include "engine/Plane.h"
#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/SelectorFactory.h"
#include "model/SelectorKinds.h"
#include "model/WindowServices.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "scene/NodeEntity.h"
#include "support/RunWithin.h"

namespace {

class CountingWindow : public WindowServices {
public:
    void createProgressDialog(int, int, const std::string&) override { ++dialogs; }
    void stepProgress(int value) override { lastStep = value; }
    void requestRepaint() override { ++repaints; }
    void makeBackground(const Image&) override {}
    void startShapeFinderTimer(int) override {}
    void stopShapeFinderTimer() override {}
    void startTimers(double, double) override {}

    int dialogs = 0;
    int lastStep = -1;
    int repaints = 0;
};

class ScratchFolder {
public:
    ScratchFolder() {
        path = std::filesystem::temp_directory_path() /
               ("corvidane-app-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    std::filesystem::path path;
};

void write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A saved hand-made pathway of two proteins and one interaction.
std::string savedPathway(const ScratchFolder& folder) {
    App maker;
    maker.createPathway(folder.file("base.pth"));
    NodeEntity* a =
        maker.pathway()->createNode(CoordinateFrame(Vector3(0.2f, -0.3f, 0.1f)), "A", true);
    NodeEntity* b =
        maker.pathway()->createNode(CoordinateFrame(Vector3(0.7f, -0.6f, 0.1f)), "B", true);
    maker.pathway()->createEdge(a, b, true);
    maker.pathway()->nodeToIdLines() = {"a#A", "b#B"};
    EXPECT_TRUE(maker.pathway()->savePathway(maker.pathwayPath()));
    return maker.pathwayPath();
}

}  // namespace

TEST(AppConfig, MissingFileReadsEmptyAndLaterKeysWin) {
    ScratchFolder folder;
    Table<std::string, std::string> table{{"stale", "x"}};
    EXPECT_TRUE(readConfigFile(folder.file("none.txt"), table));
    EXPECT_TRUE(table.empty());

    write(folder.file("config.txt"),
          "\"fontFile=fonts/a b.ttf\"\n\"animationSpeed=2.5\"\n\"bare\"\n"
          "\"k=1\" \"k=2=3\"\n");
    EXPECT_TRUE(readConfigFile(folder.file("config.txt"), table));
    EXPECT_EQ(table["fontFile"], "fonts/a b.ttf");
    EXPECT_EQ(table["animationSpeed"], "2.5");
    EXPECT_EQ(table["bare"], "");
    EXPECT_EQ(table["k"], "2=3");

    // Unquoted words are skipped with a warning; a broken string ends the
    // reading; what came before stays.
    write(folder.file("odd.txt"), "\"a=1\" fontFile = x \"b=2\" \"unterminated\n");
    EXPECT_FALSE(readConfigFile(folder.file("odd.txt"), table));
    EXPECT_EQ(table["a"], "1");
    EXPECT_EQ(table["b"], "2");

    // Something that is not a regular file is refused, not waited on.
    const std::string fifo = folder.file("fifo.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(readConfigFile(fifo, table));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("fifo.txt"), std::string::npos);
    EXPECT_TRUE(table.empty());
}

TEST(AppCore, ConstructionDefinesEverythingAndTouchesNothing) {
    App app;
    EXPECT_EQ(app.pathway(), nullptr);
    EXPECT_EQ(app.exploreView(), nullptr);
    EXPECT_EQ(app.mainWindow(), nullptr);
    EXPECT_EQ(app.renderDevice(), nullptr);
    EXPECT_EQ(app.shapeFinder(), nullptr);
    EXPECT_EQ(app.selectedNode(), nullptr);
    EXPECT_EQ(app.tool(), 0);
    EXPECT_EQ(app.animationSpeed(), 1.0);
    EXPECT_TRUE(app.isAnimating());
    EXPECT_FALSE(app.isPainting());
    EXPECT_TRUE(app.selectorFactories().empty());
    // Without a render device a frame draws nothing.
    app.doGraphics();
}

TEST(AppCore, FitUsesTheVisiblePlaneAndNeverMakesAnExtentZero) {
    App app;
    app.setFallbackViewport(Rect2D::xywh(0, 0, 800, 600));
    app.createPathway("unused.pth");
    const Vector3 h1 = app.camera().worldRay(0, 0, app.viewport()).intersection(Plane());
    const Vector3 h2 = app.camera().worldRay(800, 600, app.viewport()).intersection(Plane());
    Vector3 size = app.pathway()->getSize();
    EXPECT_NEAR(size.x, std::fabs(h2.x - h1.x), 1e-4);
    EXPECT_NEAR(size.y, std::fabs(h2.y - h1.y), 1e-4);
    EXPECT_GT(size.z, 0);
    EXPECT_NEAR(app.pathway()->getGlobalFrame().translation.x, h1.x, 1e-5);
    EXPECT_NEAR(app.pathway()->getGlobalFrame().translation.y, h1.y, 1e-5);

    app.fitToView(true);
    size = app.pathway()->getSize();
    EXPECT_TRUE(finite(size));
    EXPECT_GT(size.z, 0) << "the corners' depth difference of 0 is not taken";

    // A pathway of width 0 still fits without inf or NaN.
    app.pathway()->setSize(0, size.y, size.z);
    app.fitToView(true);
    EXPECT_TRUE(finite(app.pathway()->getSize()));
    EXPECT_GT(app.pathway()->getSize().x, 0);

    // An empty view changes nothing.
    const Vector3 before = app.pathway()->getSize();
    app.setFallbackViewport(Rect2D());
    app.fitToView(true);
    EXPECT_EQ(app.pathway()->getSize(), before);
}

TEST(AppCore, UpdateStepsTheIdleEntityOnlyWhenNothingElseAnimates) {
    App app;
    CountingWindow window;
    app.setMainWindow(&window);
    app.update();
    EXPECT_FALSE(app.isAnimating()) << "nothing had work";
    EXPECT_EQ(window.repaints, 1);

    app.setAnimating(true);
    app.idleEntity().moveLocal(CoordinateFrame(Vector3(1, 0, 0)), 0);
    app.update();
    EXPECT_TRUE(app.isAnimating());
    EXPECT_EQ(app.idleEntity().activityCount(), 0u);
    app.update();
    EXPECT_FALSE(app.isAnimating());
    app.update();
    EXPECT_EQ(window.repaints, 3) << "a stopped animation asks for nothing";
    app.setMainWindow(nullptr);
}

TEST(AppCore, CloseStopsARunningLayouterAndForgetsEverything) {
    App app;
    app.createPathway("running.pth");
    PathwayLayoutEntity& p = *app.pathway();
    NodeEntity* a = p.createNode(CoordinateFrame(Vector3(0.2f, -0.2f, 0)), "a", false);
    NodeEntity* b = p.createNode(CoordinateFrame(Vector3(0.3f, -0.2f, 0)), "b", false);
    p.createEdge(a, b, false);
    p.startLayouter();
    app.idleEntity().moveLocal(CoordinateFrame(Vector3(1, 0, 0)), 1000);
    app.paintedInteractions()[nullptr] = {"a", "b"};
    app.camera().setPosition(Vector3(3, 2, 9));

    CountingWindow window;
    app.setMainWindow(&window);
    const auto start = std::chrono::steady_clock::now();
    app.close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(app.pathway(), nullptr);
    EXPECT_TRUE(app.pathwayPath().empty());
    EXPECT_TRUE(app.paintedInteractions().empty());
    EXPECT_EQ(app.idleEntity().activityCount(), 0u) << "no pending step refers to the pathway";
    EXPECT_FALSE(app.isAnimating());
    EXPECT_EQ(app.camera().position(), Vector3(0, 0, 4));
    EXPECT_EQ(window.repaints, 1);

    // Nothing to close: nothing changes, no repaint.
    app.setAnimating(true);
    app.close();
    EXPECT_TRUE(app.isAnimating());
    EXPECT_EQ(window.repaints, 1);
    app.setMainWindow(nullptr);
}

TEST(AppCore, CloseWithANeverStartedLayouterReturns) {
    App app;
    app.createPathway("idle.pth");
    app.pathway()->setLayouter(std::make_unique<PathwayLayouter>(app.pathway()));
    app.close();
    EXPECT_EQ(app.pathway(), nullptr);
}

TEST(AppLoad, FailedLoadLeavesNoPathway) {
    ScratchFolder folder;
    const std::string good = savedPathway(folder);
    App app;
    app.setTool(3);
    ASSERT_TRUE(app.loadPathway(good));
    EXPECT_EQ(app.tool(), 8);
    EXPECT_EQ(app.pathwayPath(), good);
    EXPECT_FALSE(app.pathway()->visual()) << "batch mode makes no textures";

    EXPECT_FALSE(app.loadPathway(folder.file("missing.pth")));
    EXPECT_EQ(app.pathway(), nullptr);
    EXPECT_TRUE(app.pathwayPath().empty()) << "nothing left for a later save to overwrite";
}

TEST(AppLoad, FromExistingKeepsHandPlacedProteinsAndTheNewPath) {
    ScratchFolder folder;
    const std::string base = savedPathway(folder);
    App app;
    ASSERT_TRUE(app.createPathwayFromExisting(folder.file("out.pth"), base));
    ASSERT_NE(app.pathway(), nullptr);
    EXPECT_FALSE(app.pathway()->visual());
    EXPECT_FALSE(app.pathway()->hasNetwork());
    EXPECT_EQ(app.pathwayPath(), folder.file("out.pth"));
    EXPECT_NE(app.pathway()->findNodeByName("A"), nullptr);
    EXPECT_NE(app.pathway()->findNodeByName("B"), nullptr);
    EXPECT_EQ(app.pathway()->nodeToIdLines(), (Array<std::string>{"a#A", "b#B"}));

    EXPECT_FALSE(app.createPathwayFromExisting(folder.file("out2.pth"), folder.file("none.pth")));
    EXPECT_EQ(app.pathway(), nullptr);
}

// Only the batch job's reload takes the picture over, and only while it is
// unchanged: an ordinary load shows what the file holds now.
TEST(AppLoad, OnlyTheReloadTakesAnUnchangedPictureOver) {
    ScratchFolder folder;
    auto paint = [&](const std::string& name, QRgb colour) {
        QImage picture(8, 4, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(QString::fromStdString(folder.file(name))));
    };
    auto firstPixel = [](const App& app) {
        return app.pathway()->sourceImage() ? app.pathway()->sourceImage()->pixel(0, 0)
                                            : Color4uint8{};
    };
    const Color4uint8 red{200, 0, 0, 255};
    const Color4uint8 blue{0, 0, 200, 255};
    paint("red.png", qRgb(200, 0, 0));
    App app;
    app.setBackgroundPath(folder.file("red.png"));
    app.createPathway(folder.file("other.pth"));
    ASSERT_TRUE(app.pathway()->savePathway(folder.file("other.pth")));
    ASSERT_TRUE(app.pathway()->savePathway(folder.file("saved.pth")));

    long long decoded = Image::filesDecoded();
    ASSERT_TRUE(app.reloadPathway(folder.file("saved.pth")));
    EXPECT_EQ(Image::filesDecoded() - decoded, 0);
    EXPECT_EQ(firstPixel(app), red);

    // Someone paints over the copy: a load shows it.
    paint("saved_img.png", qRgb(0, 0, 200));
    decoded = Image::filesDecoded();
    ASSERT_TRUE(app.loadPathway(folder.file("saved.pth")));
    EXPECT_EQ(Image::filesDecoded() - decoded, 1);
    EXPECT_EQ(firstPixel(app), blue);

    // A changed picture, or another file, is decoded afresh.
    app.pathway()->sourceImage()->setPixel(0, 0, red);
    decoded = Image::filesDecoded();
    ASSERT_TRUE(app.reloadPathway(folder.file("saved.pth")));
    EXPECT_EQ(Image::filesDecoded() - decoded, 1);
    EXPECT_EQ(firstPixel(app), blue);
    decoded = Image::filesDecoded();
    ASSERT_TRUE(app.reloadPathway(folder.file("other.pth")));
    EXPECT_EQ(Image::filesDecoded() - decoded, 1);
    EXPECT_EQ(firstPixel(app), red);
}

TEST(AppInit, TexturesInSortedOrderFactoriesConfigAndCamera) {
    ScratchFolder folder;
    std::filesystem::create_directories(folder.path / "textures");
    // Same key "twin": the later name in sorted order wins.
    ASSERT_TRUE(Image(2, 2, 3).save(folder.file("textures/twin.bmp")));
    ASSERT_TRUE(Image(3, 3, 3).save(folder.file("textures/twin.png")));
    write(folder.file("textures/readme.txt"), "not an image");
    write(folder.file("config.txt"), "\"animationSpeed=2.5\"\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);

    App app;
    app.init();
    std::filesystem::current_path(before);

    ASSERT_TRUE(textureCache.contains("twin"));
    EXPECT_EQ(textureCache["twin"]->width(), 3);
    EXPECT_FALSE(textureCache.contains("readme"));
    const Array<SelectorFactory*> factories = app.selectorFactories();
    ASSERT_EQ(factories.size(), 6u);
    EXPECT_EQ(factories[0]->getName(), ProteinConnectivitySelectorFactory().getName());
    EXPECT_EQ(factories[5]->getName(), PathwayProteinsSelectorFactory().getName());
    EXPECT_EQ(app.configuration()["animationSpeed"], "2.5");
    EXPECT_DOUBLE_EQ(app.animationSpeed(), 2.5);
    EXPECT_EQ(app.backgroundPath(), "./textures/pathway.png");
    EXPECT_EQ(app.idleEntity().getParent(), nullptr);
    EXPECT_EQ(app.camera().position(), Vector3(0, 0, 4));
    EXPECT_LT(app.camera().coordinateFrame().lookVector().z, -0.99f);
}

// A fontFile naming a FIFO kept the window from ever appearing; a huge
// animationSpeed kept Explore from ever opening. In a child, so a hang fails.
TEST(AppInit, FontFileAndAnimationSpeedThatCannotBeUsedAreSaid) {
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("font.ttf").c_str(), 0600), 0);
    write(folder.file("config.txt"), "\"fontFile=font.ttf\"\n\"animationSpeed=1000000\"\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path);
    const int code = runWithin(20, [] {
        testing::internal::CaptureStderr();
        App app;
        app.init();
        const std::string err = testing::internal::GetCapturedStderr();
        // Without a GUI application even the default font is not made here.
        return (app.animationSpeed() == maxAnimationSpeed ? 0 : 1) |
               (err.find("fontFile \"font.ttf\" is not used") != std::string::npos ? 0 : 2) |
               (err.find("using 10") != std::string::npos ? 0 : 4);
    });
    std::filesystem::current_path(before);
    EXPECT_EQ(code, 0);

    EXPECT_EQ(readAnimationSpeed(""), 0);
    EXPECT_EQ(readAnimationSpeed("2.5"), 2.5);
    testing::internal::CaptureStderr();
    EXPECT_EQ(readAnimationSpeed("-1"), 0);
    EXPECT_EQ(readAnimationSpeed("nan"), 0);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("outside 0 to 10"), std::string::npos);
}

TEST(AppBuild, WindowGetsOneProgressDialogThatEndsAt16EvenOnFailure) {
    App app;
    CountingWindow window;
    app.setMainWindow(&window);
    app.createPathway("nowhere.pth");
    EXPECT_FALSE(app.buildgraph(GraphBuilderParameters{}));  // no data source
    EXPECT_EQ(window.dialogs, 1);
    EXPECT_EQ(window.lastStep, 16);
    app.close();
    app.setMainWindow(nullptr);
}
