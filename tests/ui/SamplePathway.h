// Fixtures whose App has a copy of the built sample pathway (the sample batch
// job's output, with experiments) open, as the File tab leaves it before the
// Analyze tab assembles its pages: one for a page alone, one for the window.
#pragma once

#include <filesystem>

#include <gtest/gtest.h>

#include "PageFixture.h"
#include "SamplePathways.h"
#include "WindowFixture.h"
#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"

template <typename Fixture>
class WithSamplePathway : public Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        const std::filesystem::path built = samplepathways::copyBuilt(this->folder.path());
        ASSERT_FALSE(built.empty()) << "the batch job could not build the sample pathway";
        testing::internal::CaptureStdout();
        const bool loaded = this->app().loadPathway(built.filename().string());
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(loaded);
        ASSERT_NE(pathway(), nullptr);
    }

    PathwayLayoutEntity* pathway() { return this->app().pathway(); }
};

using SamplePathwayTest = WithSamplePathway<WindowTest>;
using SamplePageTest = WithSamplePathway<PageTest>;
