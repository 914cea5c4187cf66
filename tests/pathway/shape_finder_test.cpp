// Tests of the image shape finder: outline filling, region growing, the active
// contour and its failure, rejection, and the text form of image regions.
#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/WindowServices.h"
#include "pathway/ImageProcessorSelection.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/ShapeFinder.h"

namespace {

class RecordingWindow : public WindowServices {
public:
    void createProgressDialog(int, int maximum, const std::string& text) override {
        label = text;
        dialogMax = maximum;
        open = true;
    }
    void stepProgress(int value) override {
        lastProgress = value;
        if (value >= dialogMax) {
            open = false;
        }
    }
    void requestRepaint() override {}
    void makeBackground(const Image&) override { ++backgrounds; }
    void startShapeFinderTimer(int ms) override { timerMs = ms; }
    void stopShapeFinderTimer() override { timerMs = 0; }
    void startTimers(double, double) override {}

    std::string label;
    int dialogMax = 0;
    bool open = false;
    int lastProgress = -1;
    int backgrounds = 0;
    int timerMs = 0;
};

Image filled(int w, int h, Color4uint8 colour) {
    Image image(w, h, 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

const Color4uint8 kWhite{255, 255, 255, 255};
const Color4uint8 kRed{200, 0, 0, 255};

// Image pixels map one to one onto world units (y downwards in the image).
std::unique_ptr<ShapeFinder> finderOn(Image& image, WindowServices* window = nullptr) {
    return std::make_unique<ShapeFinder>(&image, 0, 0, 0, static_cast<float>(image.width()),
                                         static_cast<float>(image.height()), 1, window);
}

void setStroke(ShapeFinder& finder, const Array<Vector2>& points) {
    finder.stroke = points;
    finder.drawnStroke = points;
}

// Runs the search to its end; answers the number of ticks it took.
int runSearch(ShapeFinder& finder, int limit = 10000) {
    int ticks = 0;
    while (finder.isSearching() && ticks < limit) {
        finder.tick();
        ++ticks;
    }
    return ticks;
}

}  // namespace

TEST(ShapeFinderOutline, FillsPolygonsWithTheirExactArea) {
    Image image = filled(100, 100, kWhite);
    auto finder = finderOn(image);

    // Rectangle with extra points along its sides (horizontal and collinear edges).
    setStroke(*finder, {{10, 10}, {20, 10}, {30, 10}, {30, 18}, {30, 25}, {10, 25}, {10, 17}});
    finder->prepareRegion();
    EXPECT_EQ(finder->regionPixelCount, 20 * 15);
    EXPECT_EQ(finder->boxWidth, 20);
    EXPECT_EQ(finder->boxHeight, 15);
    EXPECT_EQ(finder->boxCentreX, 20);
    EXPECT_EQ(finder->boxCentreY, 17);
    ASSERT_EQ(finder->region.size(), 1u);
    EXPECT_EQ(finder->region[0], Vector2(20, 17));
    EXPECT_FLOAT_EQ(finder->meanColour[0], 255);

    // Concave L: 30 x 10 plus 10 x 20, with vertices shared by rising and
    // falling edges on the same rows.
    setStroke(*finder, {{10, 10}, {40, 10}, {40, 20}, {20, 20}, {20, 40}, {10, 40}});
    finder->prepareRegion();
    EXPECT_EQ(finder->regionPixelCount, 300 + 200);

    // Diamond: every row passes through or next to a vertex.
    setStroke(*finder, {{50, 10}, {70, 30}, {50, 50}, {30, 30}});
    finder->prepareRegion();
    EXPECT_NEAR(finder->regionPixelCount, 800, 40);

    // Drawn the other way round it is the same region.
    setStroke(*finder, {{30, 30}, {50, 50}, {70, 30}, {50, 10}});
    finder->prepareRegion();
    EXPECT_NEAR(finder->regionPixelCount, 800, 40);
}

TEST(ShapeFinderOutline, KeepsToTheImageAndHandlesEmptyOutlines) {
    Image image = filled(40, 30, kWhite);
    RecordingWindow window;
    auto finder = finderOn(image, &window);

    // Over the left and top border: only the part inside the image counts.
    setStroke(*finder, {{-10, -5}, {10, -5}, {10, 10}, {-10, 10}});
    finder->prepareRegion();
    EXPECT_EQ(finder->regionPixelCount, 10 * 10);
    ASSERT_EQ(finder->region.size(), 1u);
    EXPECT_EQ(finder->region[0], Vector2(0, 2));

    // Over the right and bottom border, grown to the end.
    setStroke(*finder, {{30, 20}, {60, 20}, {60, 50}, {30, 50}});
    finder->finishStroke();
    EXPECT_EQ(finder->regionPixelCount, 10 * 10);
    EXPECT_TRUE(finder->isSearching());
    runSearch(*finder);
    ASSERT_EQ(finder->selections.size(), 1u);
    const ImageProcessorSelection& s = *finder->selections[0];
    EXPECT_GE(s.x0, 0);
    EXPECT_GE(s.y0, 0);
    EXPECT_LE(s.x1, 39);
    EXPECT_LE(s.y1, 29);
    EXPECT_EQ(s.columns(), static_cast<int>(s.x1 - s.x0) + 1);

    // An outline around nothing of the image makes no selection and closes the dialog.
    setStroke(*finder, {{100, 100}, {120, 100}, {120, 120}, {100, 120}, {100, 101}});
    finder->finishStroke();
    EXPECT_TRUE(finder->closed);
    EXPECT_FALSE(finder->isSearching());
    EXPECT_FALSE(window.open);
    EXPECT_TRUE(finder->stroke.empty());
    EXPECT_EQ(finder->selections.size(), 1u);

    // One pixel wide: no division by zero in the growing factor.
    setStroke(*finder, {{5, 5}, {6, 5}, {6, 15}, {5, 15}, {5, 6}});
    finder->finishStroke();
    EXPECT_TRUE(finder->closed);
    EXPECT_EQ(finder->regionPixelCount, 10);
    runSearch(*finder);
    EXPECT_EQ(finder->selections.size(), 2u);
}

TEST(ShapeFinderRegion, GrowsOverAUniformPatchAndReportsProgress) {
    Image image = filled(60, 60, kWhite);
    for (int y = 20; y < 30; ++y) {
        for (int x = 20; x < 30; ++x) {
            image.setPixel(x, y, kRed);
        }
    }
    RecordingWindow window;
    auto finder = finderOn(image, &window);
    // Outline just around the patch.
    setStroke(*finder, {{20, 20}, {30, 20}, {30, 30}, {20, 30}, {20, 21}});
    finder->finishStroke();
    EXPECT_TRUE(finder->closed);
    EXPECT_EQ(window.label, "Finding shape...");
    EXPECT_EQ(window.timerMs, 5);
    EXPECT_EQ(finder->regionPixelCount, 100);

    runSearch(*finder);
    EXPECT_EQ(window.timerMs, 0);
    EXPECT_EQ(window.lastProgress, 100);
    EXPECT_EQ(window.backgrounds, 1);
    ASSERT_EQ(finder->selections.size(), 1u);
    ASSERT_EQ(finder->selectionMarkers.size(), 1u);

    // The whole patch joined; the white around it (distance ~ 255 * 1.5) did
    // not, except close to the centre.
    int patch = 0;
    for (const Vector2& p : finder->region) {
        if (p.x >= 20 && p.x < 30 && p.y >= 20 && p.y < 30) {
            ++patch;
        }
    }
    EXPECT_EQ(patch, 100);
    EXPECT_LT(finder->region.size(), 200u);

    // Five rounds of grow-and-blur: 5 pixels of soft edge on every side.
    const ImageProcessorSelection& s = *finder->selections[0];
    EXPECT_FALSE(s.open);
    EXPECT_EQ(s.x0, 15);
    EXPECT_EQ(s.x1, 34);
    EXPECT_DOUBLE_EQ(s.mask(10, 10), 1.0);
    EXPECT_LT(s.mask(0, 0), 0.1);

    // A tick after the search does nothing.
    finder->tick();
    EXPECT_EQ(finder->selections.size(), 1u);
}

TEST(ShapeFinderStroke, PointsClosednessAndReset) {
    Image image = filled(100, 100, kWhite);
    RecordingWindow window;
    auto finder = finderOn(image, &window);

    // Rays straight down onto the plane; 0.02 apart is one point.
    finder->addStrokePoint(10.5f, -10.5f, 5, 0, 0, -1);
    finder->addStrokePoint(10.52f, -10.5f, 5, 0, 0, -1);
    finder->addStrokePoint(20.5f, -30.5f, 5, 0, 0, -1);
    finder->addStrokePoint(1, 1, 5, 1, 0, 0);  // parallel to the plane
    ASSERT_EQ(finder->stroke.size(), 2u);
    EXPECT_EQ(finder->stroke[0], Vector2(10, 10));
    EXPECT_EQ(finder->stroke[1], Vector2(20, 30));
    EXPECT_EQ(finder->strokeMarkers.size(), 2u);
    EXPECT_FLOAT_EQ(finder->strokeMarkers[1]->getGlobalFrame().translation.z, 0.01f);

    // Fewer than 3 points: dropped without a dialog.
    finder->finishStroke();
    EXPECT_TRUE(finder->stroke.empty());
    EXPECT_TRUE(finder->strokeMarkers.empty());
    EXPECT_TRUE(window.label.empty());

    // Ends 20 apart on a stroke of length 100: open. 19 apart (length 99.6): closed.
    setStroke(*finder, {{40, 40}, {40, 88}, {60, 40}});
    finder->finishStroke();
    EXPECT_FALSE(finder->closed);
    EXPECT_EQ(window.timerMs, 50);
    EXPECT_TRUE(window.open);

    // A press while searching stops the timer and closes the dialog.
    finder->reset(0, 0, 5, 0, 0, -1, 0);
    EXPECT_FALSE(finder->isSearching());
    EXPECT_EQ(window.timerMs, 0);
    EXPECT_FALSE(window.open);

    setStroke(*finder, {{40, 40}, {40, 88}, {59, 40}});
    finder->finishStroke();
    EXPECT_TRUE(finder->closed);
}

TEST(ShapeFinderContour, SettlesOnAPlainImageAndBuildsABand) {
    Image image = filled(80, 80, kWhite);
    RecordingWindow window;
    auto finder = finderOn(image, &window);
    // Near the border, so samples and band reach outside the image.
    setStroke(*finder, {{2, 2}, {20, 3}, {40, 2}, {60, 4}, {78, 2}});
    finder->finishStroke();
    ASSERT_FALSE(finder->closed);
    testing::internal::CaptureStdout();
    const int ticks = runSearch(*finder);
    testing::internal::GetCapturedStdout();
    EXPECT_LE(ticks, 32);
    EXPECT_EQ(window.lastProgress, 100);
    ASSERT_EQ(finder->selections.size(), 1u);
    const ImageProcessorSelection& s = *finder->selections[0];
    EXPECT_TRUE(s.open);
    EXPECT_EQ(s.x0, 0);
    EXPECT_EQ(s.y0, 0);
    EXPECT_LE(s.x1, 79);
    EXPECT_FLOAT_EQ(s.startPoint.z, 0.01f);
    double largest = 0;
    for (double cell : s.maskCells()) {
        EXPECT_GE(cell, 0);
        EXPECT_LE(cell, 1);
        largest = std::max(largest, cell);
    }
    EXPECT_DOUBLE_EQ(largest, 1.0);
}

TEST(ShapeFinderContour, NonFiniteValueAbandonsOnlyThatContour) {
    Image image = filled(50, 50, kWhite);
    RecordingWindow window;
    auto finder = finderOn(image, &window);
    setStroke(*finder, {{5, 5}, {20, 10}, {40, 5}});
    finder->finishStroke();
    ASSERT_TRUE(finder->isSearching());
    finder->stroke[1].x = std::numeric_limits<float>::quiet_NaN();

    testing::internal::CaptureStdout();
    finder->tick();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("not finite\n"), std::string::npos);
    EXPECT_FALSE(finder->isSearching());
    EXPECT_TRUE(finder->stroke.empty());
    EXPECT_TRUE(finder->strokeMarkers.empty());
    EXPECT_TRUE(finder->selections.empty());
    EXPECT_EQ(window.timerMs, 0);
    EXPECT_FALSE(window.open);

    // The finder goes on working.
    setStroke(*finder, {{5, 5}, {20, 10}, {40, 5}});
    finder->finishStroke();
    testing::internal::CaptureStdout();
    runSearch(*finder);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(finder->selections.size(), 1u);
}

TEST(ShapeFinderReject, AdaptsThresholdAndForgetsTheRegionEverywhere) {
    Image image = filled(30, 30, kWhite);
    auto finder = finderOn(image);
    PathwayLayoutEntity pathway(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 1), Color4(1, 1, 1));
    finder->setPathway(&pathway);
    const ImageProcessorSelection* dropped = nullptr;
    finder->onSelectionDropped = [&](const ImageProcessorSelection* s) { dropped = s; };

    finder->addSelection(std::make_unique<ImageProcessorSelection>(1, 1, 3, 3, false));
    finder->addSelection(std::make_unique<ImageProcessorSelection>(4, 4, 6, 6, true));
    finder->rebuildSelections();
    ImageProcessorSelection* first = finder->selections[0].get();
    ImageProcessorSelection* last = finder->selections[1].get();
    pathway.nodeSelections()["P1"] = last;
    pathway.nodeSelections()["P2"] = first;
    pathway.edgeSelections()["P1-P2"] = last;

    testing::internal::CaptureStdout();
    finder->regionPixelCount = 100;
    finder->region.assign(50, Vector2(1, 1));
    finder->rejectLastShape();
    EXPECT_EQ(finder->threshold, 50);
    EXPECT_EQ(dropped, last);
    EXPECT_EQ(finder->selections.size(), 1u);
    EXPECT_EQ(finder->selectionMarkers.size(), 1u);
    EXPECT_EQ(pathway.nodeSelections().size(), 1u);
    EXPECT_EQ(pathway.nodeSelections().at("P2"), first);
    EXPECT_TRUE(pathway.edgeSelections().empty());

    finder->region.assign(200, Vector2(1, 1));
    finder->rejectLastShape();
    finder->region.assign(100, Vector2(1, 1));
    finder->rejectLastShape();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(finder->threshold, 40);
    EXPECT_NE(out.find("-------------------------------------------------  threshold = 50\n"),
              std::string::npos);
    EXPECT_TRUE(finder->selections.empty());
    EXPECT_TRUE(pathway.nodeSelections().empty());
}

TEST(ShapeFinderMarkers, FollowTheImageMapping) {
    Image image = filled(100, 50, kWhite);
    RecordingWindow window;
    auto finder = finderOn(image, &window);
    finder->addSelection(std::make_unique<ImageProcessorSelection>(10, 10, 30, 20, false));
    finder->addStrokePoint(40.5f, -20.5f, 5, 0, 0, -1);  // a stroke being drawn
    finder->setOrigin(1, 2, 0);
    EXPECT_EQ(finder->strokeMarkers[0]->getGlobalFrame().translation, Vector3(41, 2 - 20, 0.01f));
    ASSERT_EQ(finder->selectionMarkers.size(), 1u);
    NodeEntity* marker = finder->selectionMarkers[0].get();
    EXPECT_FLOAT_EQ(marker->getSize().x, 20);
    EXPECT_FLOAT_EQ(marker->getSize().y, 10);
    EXPECT_EQ(marker->getGlobalFrame().translation, Vector3(21, 2 - 15, 0.01f));
    ASSERT_NE(marker->getTexture(), nullptr);

    finder->scaleAxes(0.5f, 2, 1);
    marker = finder->selectionMarkers[0].get();
    EXPECT_FLOAT_EQ(marker->getSize().x, 10);
    EXPECT_FLOAT_EQ(marker->getSize().y, 20);
    EXPECT_EQ(finder->buildSelection(1, false), nullptr);
}

TEST(ImageProcessorSelectionText, EncodesCellsInColumnOrder) {
    ImageProcessorSelection s(10, 20, 12, 21, false);
    ASSERT_EQ(s.columns(), 3);
    ASSERT_EQ(s.rows(), 2);
    s.mask(0, 1) = 1.0;
    s.mask(1, 0) = 0.5;
    EXPECT_EQ(s.toText(), "0 10 20 12 21 aapphpaaaaaa");

    ImageProcessorSelection back(0, 0, 0, 0, false);
    ASSERT_TRUE(back.fromText("1 10 20 12 21 aapphpaaaaaa\r", 100, 100));
    EXPECT_TRUE(back.open);
    EXPECT_EQ(back.x1, 12);
    EXPECT_DOUBLE_EQ(back.mask(0, 1), 1.0);
    EXPECT_DOUBLE_EQ(back.mask(1, 0), 127 / 255.0);
    EXPECT_EQ(back.toText(), "1 10 20 12 21 aapphpaaaaaa");
}

TEST(ImageProcessorSelectionText, RefusesMalformedLines) {
    const char* bad[] = {
        "",
        "0 10 20 12 21",                     // five fields
        "0 10 20 12 21 aapphpaaaaaa extra",  // seven
        "0 10 20 x 21 aapphpaaaaaa",         // not a number
        "0 10 20 12.5 21 aapphpaaaaaa",      // not whole
        "0 -1 20 12 21 aapphpaaaaaa",        // negative
        "0 12 20 10 21 aapphpaaaaaa",        // reversed columns
        "0 10 21 12 20 aapphpaaaaaa",        // reversed rows
        "0 10 20 12 21 aapphpaaaaa",         // odd length
        "0 10 20 12 21 aapphpaaaa",          // too short
        "0 10 20 12 21 aapphpaaaaaaaa",      // too long
        "0 10 20 12 21 aapphqaaaaaa",        // letter past p
        "0 10 20 12 21 AAPPHPAAAAAA",        // upper case
        "0 10 20 12 1234567890 aa",          // too big to be a pixel
    };
    for (const char* line : bad) {
        ImageProcessorSelection s(1, 1, 1, 1, true);
        std::string error;
        EXPECT_FALSE(s.fromText(line, 100, 100, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
        EXPECT_EQ(s.toText(), "1 1 1 1 1 aa") << line;
        EXPECT_EQ(ImageProcessorSelection::parse(line, 100, 100), nullptr) << line;
    }
    const std::string outside = "0 10 20 100 21 " + std::string(2 * 91 * 2, 'a');
    EXPECT_EQ(ImageProcessorSelection::parse(outside, 100, 100), nullptr);
    EXPECT_NE(ImageProcessorSelection::parse(outside, 101, 100), nullptr);
    // Without a known image size the box is not bounded.
    EXPECT_NE(ImageProcessorSelection::parse("0 200 0 200 0 pp", 0, 0), nullptr);
    EXPECT_EQ(ImageProcessorSelection::parse("0 200 0 200 0 pp", 100, 100), nullptr);
}

TEST(ImageProcessorSelectionText, WideBoxesGetTheMaskTheirTextHolds) {
    // A million columns: the mask is sized from the same numbers it was
    // checked against, so every letter lands in a cell of its own.
    constexpr int wide = 1000000;
    std::string word(2 * wide, 'a');
    word[2 * wide - 2] = 'p';
    word[2 * wide - 1] = 'p';
    for (int copy = 0; copy < 20; ++copy) {
        auto s = ImageProcessorSelection::parse("0 0 0 " + std::to_string(wide - 1) + " 0 " + word,
                                                0, 0);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->columns(), wide);
        EXPECT_EQ(s->rows(), 1);
        EXPECT_EQ(s->maskCells().size(), static_cast<std::size_t>(wide));
        EXPECT_DOUBLE_EQ(s->mask(wide - 1, 0), 1.0);
    }
    // Past 2^24 a float box would shrink by one and leave the mask a cell short.
    std::string error;
    ImageProcessorSelection s(0, 0, 0, 0, false);
    EXPECT_FALSE(s.fromText("0 16777215 0 16777217 0 aaaaaa", 0, 0, &error));
    EXPECT_NE(error.find("largest image side"), std::string::npos) << error;
    const int last = ImageProcessorSelection::maxImageSide - 1;
    EXPECT_NE(ImageProcessorSelection::parse(
                  "0 " + std::to_string(last) + " 0 " + std::to_string(last) + " 0 pp", 0, 0),
              nullptr);
    EXPECT_EQ(
        ImageProcessorSelection::parse(
            "0 " + std::to_string(last + 1) + " 0 " + std::to_string(last + 1) + " 0 pp", 0, 0),
        nullptr);
}

TEST(ImageProcessorSelectionMask, ResamplesBoxAndMaskTogether) {
    // Twice as wide, half as high.
    ImageProcessorSelection s(10, 20, 19, 29, false);
    s.mask(0, 0) = 1.0;
    s.mask(9, 9) = 0.5;
    s.resample(100, 100, 200, 50);
    EXPECT_EQ(s.x0, 20);
    EXPECT_EQ(s.x1, 38);
    EXPECT_EQ(s.y0, 10);
    EXPECT_EQ(s.y1, 14);
    EXPECT_EQ(s.columns(), 19);
    EXPECT_EQ(s.rows(), 5);
    // Halved rows: old rows 0 and 1 make new row 0.
    EXPECT_DOUBLE_EQ(s.mask(0, 0), 0.5);
    EXPECT_DOUBLE_EQ(s.mask(18, 4), 0.25);
    EXPECT_DOUBLE_EQ(s.mask(5, 2), 0.0);
    // What it writes now reads back against the new image.
    EXPECT_NE(ImageProcessorSelection::parse(s.toText(), 200, 50), nullptr);

    // Shrunk beyond the image: clipped, still consistent.
    ImageProcessorSelection edge(90, 90, 99, 99, false);
    edge.resample(100, 100, 10, 10);
    EXPECT_LE(edge.x1, 9);
    EXPECT_EQ(edge.columns(), static_cast<int>(edge.x1 - edge.x0) + 1);
    EXPECT_NE(ImageProcessorSelection::parse(edge.toText(), 10, 10), nullptr);
}

TEST(ImageProcessorSelectionMask, GrowAndBlurStaysInTheImageAndTextureFollowsMask) {
    ImageProcessorSelection s(0, 0, 2, 2, false);
    s.mask(0, 0) = 1.0;
    s.growAndBlur(10, 4);
    EXPECT_EQ(s.x0, 0);
    EXPECT_EQ(s.y0, 0);
    EXPECT_EQ(s.x1, 3);
    EXPECT_EQ(s.y1, 3);
    s.growAndBlur(10, 4);
    EXPECT_EQ(s.y1, 3);
    EXPECT_EQ(s.rows(), 4);
    EXPECT_EQ(s.columns(), 5);
    EXPECT_GT(s.mask(1, 1), 0);
    EXPECT_LE(s.mask(0, 0), 1);

    Image image = filled(10, 4, kRed);
    ImageProcessorSelection piece(8, 2, 11, 3, false);  // reaches past the right edge
    piece.mask(0, 0) = 1.0;
    piece.mask(1, 0) = 0.5;
    auto texture = piece.sampleTexture(image, true, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->name(), "name");
    EXPECT_EQ(texture->width(), 4);
    EXPECT_EQ(texture->image().pixel(0, 0), (Color4uint8{200, 0, 0, 255}));
    EXPECT_EQ(texture->image().pixel(1, 0).a, 127);
    EXPECT_EQ(texture->image().pixel(3, 1), (Color4uint8{0, 0, 0, 0}));
    auto black = piece.sampleTexture(image, false, true);
    EXPECT_EQ(black->image().pixel(0, 0), (Color4uint8{0, 0, 0, 255}));
}
