// A window fixture whose App has a copy of the built sample pathway (the
// sample batch job's output, with experiments) open, as the File tab leaves
// it before the Analyze tab assembles its pages.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "SamplePathways.h"
#include "WindowFixture.h"

class SamplePathwayTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        const std::filesystem::path built = samplepathways::copyBuilt(folder.path());
        ASSERT_FALSE(built.empty()) << "the batch job could not build the sample pathway";
        testing::internal::CaptureStdout();
        const bool loaded = app().loadPathway(built.filename().string());
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded);
        ASSERT_NE(pathway(), nullptr);
    }

    App& app() { return *window->app(); }
    PathwayLayoutEntity* pathway() { return app().pathway.get(); }
};
