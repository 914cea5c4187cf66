// A headless scene core for the picking and editing tests: a fixed viewport,
// a recording main window and Analyze tab, a scripted protein finder, a clock
// the test moves, and pathways built from a scripted data source.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/AnalyzeServices.h"
#include "app/App.h"
#include "engine/Clock.h"
#include "engine/render/Font.h"
#include "model/FakeDataSource.h"
#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"
#include "support/RecordingWindow.h"

class RecordingAnalyze : public AnalyzeServices {
public:
    void selectProteinInList(const std::string& name) override { proteins.push_back(name); }
    void selectInteractionInLists(const std::string& a, const std::string& b) override {
        interactions.emplace_back(a, b);
    }
    void listsChanged() override { ++changes; }
    void exploreSelected() override { ++explores; }
    std::string currentExperimentName() const override { return experiment; }

    std::vector<std::string> proteins;
    std::vector<std::pair<std::string, std::string>> interactions;
    int changes = 0;
    int explores = 0;
    std::string experiment;
};

// Every character as wide as half the label size: label widths are plain sums.
inline std::shared_ptr<Font> evenFont() {
    std::array<float, Font::GLYPH_COUNT> advances;
    advances.fill(0.5f);
    return Font::fromAdvances(advances);
}

class SceneTest : public testing::Test {
protected:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("corvidane-scene-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        now = 1000.0;
        setSystemTimeSourceForTesting([this] { return now; });
        app.setFallbackViewport(Rect2D::xywh(0, 0, kWidth, kHeight));
        app.setAnimationSpeed(1.0);
        app.setFont(evenFont());
        app.setProteinAsker(
            [this](const ImageProcessorSelection* region, std::string& label, std::string& id) {
                askedWithRegion.push_back(region != nullptr);
                if (answers.empty()) {
                    return false;
                }
                std::tie(label, id) = answers.front();
                answers.pop_front();
                return true;
            });
    }

    void TearDown() override {
        app.close();
        setSystemTimeSourceForTesting(nullptr);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    std::string file(const std::string& name) const { return (folder / name).string(); }

    // An empty, unbuilt pathway filling the view, with a scripted source.
    void newPathway() {
        app.createPathway(file("hand.pth"));
        app.setMainWindow(&window);
        app.setAnalyzeTab(&analyze);
        auto owned = std::make_unique<FakeDataSource>();
        source = owned.get();
        app.pathway()->graph().source = std::move(owned);
    }

    // A built pathway loaded back as the Create tab does: seeds A (a) and
    // B (b); a has the partners b, p1, p2, p3; b also has p4.
    void builtPathway() {
        app.createPathway(file("built.pth"));
        auto owned = std::make_unique<FakeDataSource>();
        FakeDataSource* builder = owned.get();
        app.pathway()->graph().source = std::move(owned);
        for (const char* partner : {"b", "p1", "p2", "p3"}) {
            builder->addInteraction("a", partner);
        }
        builder->addInteraction("b", "p4");
        builder->names = {{"a", "A"},   {"b", "B"},   {"p1", "P1"},
                          {"p2", "P2"}, {"p3", "P3"}, {"p4", "P4"}};
        app.pathway()->createNode(CoordinateFrame(Vector3(1.0f, -1.0f, 0.1f)), "A", true);
        app.pathway()->createNode(CoordinateFrame(Vector3(3.0f, -2.5f, 0.1f)), "B", true);
        GraphBuilderParameters parameters;
        parameters.seeds["A"] = "a";
        parameters.seeds["B"] = "b";
        parameters.levels = "2";
        ASSERT_TRUE(app.buildgraph(parameters));
        ASSERT_TRUE(app.loadPathway(file("built.pth")));
        // What a shown load does; the test App has no window while it loads.
        app.fitToView(true);
        app.pathway()->setEdgesVisible(true);
        app.setMainWindow(&window);
        app.setAnalyzeTab(&analyze);
        auto fresh = std::make_unique<FakeDataSource>();
        source = fresh.get();
        app.pathway()->graph().source = std::move(fresh);
    }

    // The widget pixel at which a world point is seen.
    std::pair<int, int> pixelOf(const Vector3& world) const {
        const Vector3 p = app.camera().coordinateFrame().pointToObjectSpace(world);
        const double w = app.viewport().width(), h = app.viewport().height();
        const double halfHeight = std::tan(app.camera().fieldOfView() / 2);
        const double nx = (p.x / -p.z) / (halfHeight * w / h);
        const double ny = (p.y / -p.z) / halfHeight;
        return {static_cast<int>(std::lround((nx + 1) / 2 * w)),
                static_cast<int>(std::lround((1 - ny) / 2 * h))};
    }
    std::pair<int, int> pixelOf(const Entity* entity) const {
        return pixelOf(entity->getGlobalFrame().translation);
    }

    void press(const Entity* entity) {
        const auto [x, y] = pixelOf(entity);
        app.mousePress(x, y, false);
        app.mouseRelease(x, y, false);
    }
    void pressAt(const Vector3& world) {
        const auto [x, y] = pixelOf(world);
        app.mousePress(x, y, false);
        app.mouseRelease(x, y, false);
    }
    // A point of the pathway plane where nothing is.
    void pressEmpty() {
        pressAt(app.pathway()->getGlobalFrame().pointToWorldSpace(Vector3(0.02f, -0.02f, 0)));
    }

    // Moves the clock on and steps the animations as the refresh timer does.
    void advance(double seconds) {
        now += seconds;
        app.setAnimating(true);
        app.update();
    }

    NodeEntity* node(const std::string& id) const { return app.pathway()->getNode(id); }

    std::filesystem::path folder;
    double now = 0;
    App app;
    RecordingWindow window;
    RecordingAnalyze analyze;
    FakeDataSource* source = nullptr;
    std::deque<std::pair<std::string, std::string>> answers;  // label, id
    std::vector<bool> askedWithRegion;
};
