#include <QTabWidget>
#include <QTest>

#include "WindowFixture.h"
#include "app/App.h"
#include "ui/RenderWindow.h"

namespace {

TEST_F(WindowTest, OpensWithThreeTabsAndTheAnalyzeTabDisabled) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTabWidget* tabs = window->tabWidget();
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "File");
    EXPECT_EQ(tabs->tabText(1), "Create");
    EXPECT_EQ(tabs->tabText(2), "Analyze");
    EXPECT_FALSE(tabs->isTabEnabled(2));
    EXPECT_EQ(window->windowTitle(), "Protein App");
    ASSERT_NE(window->app(), nullptr);
    // One paint through the widget's own framebuffer.
    QImage frame = window->renderWindow()->grabFramebuffer();
    EXPECT_FALSE(frame.isNull());
}

}  // namespace
