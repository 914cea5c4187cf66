// Progress dialogs of the main window: opening, stepping, closing at the maximum.
#include <memory>

#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include "ui/ProgressDialogService.h"

namespace {

class ProgressDialogTest : public testing::Test {
protected:
    QWidget window;
    ProgressDialogService service{&window};
};

TEST_F(ProgressDialogTest, OpensModalWithoutCancelButtonAndShowsAtOnce) {
    window.show();
    service.createProgressDialog(0, 16, "Building network...");
    QProgressDialog* dialog = service.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), &window);
    EXPECT_EQ(dialog->labelText(), "Building network...");
    EXPECT_EQ(dialog->minimum(), 0);
    EXPECT_EQ(dialog->maximum(), 16);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->minimumDuration(), 0);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->findChildren<QPushButton*>().isEmpty());
}

TEST_F(ProgressDialogTest, StepsToTheMaximumCloseAndDeleteTheDialog) {
    service.createProgressDialog(0, 16, "Building network...");
    QPointer<QProgressDialog> dialog = service.dialog();
    for (int value = 2; value < 16; ++value) {
        service.stepProgress(value);
        ASSERT_FALSE(dialog.isNull());
        EXPECT_EQ(dialog->value(), value);
    }
    service.stepProgress(16);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(service.dialog(), nullptr);
}

TEST_F(ProgressDialogTest, StepAboveTheMaximumAlsoCloses) {
    service.createProgressDialog(0, 4, "Looking for proteins");
    QPointer<QProgressDialog> dialog = service.dialog();
    service.stepProgress(7);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(ProgressDialogTest, StepBelowTheMaximumProcessesPendingEvents) {
    service.createProgressDialog(0, 102, "Loading HPRD...");
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    service.stepProgress(50);
    EXPECT_TRUE(fired);
    ASSERT_NE(service.dialog(), nullptr);
    EXPECT_EQ(service.dialog()->value(), 50);
}

TEST_F(ProgressDialogTest, StepWithoutDialogDoesNothing) {
    service.stepProgress(3);
    EXPECT_EQ(service.dialog(), nullptr);
    EXPECT_TRUE(window.findChildren<QProgressDialog*>().isEmpty());
}

TEST_F(ProgressDialogTest, NewDialogReplacesAnOpenOne) {
    service.createProgressDialog(0, 16, "Building network...");
    QPointer<QProgressDialog> first = service.dialog();
    service.createProgressDialog(0, 4, "Looking for proteins");
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(service.dialog(), nullptr);
    EXPECT_EQ(service.dialog()->labelText(), "Looking for proteins");
    EXPECT_EQ(window.findChildren<QProgressDialog*>().size(), 1);
}

TEST(ProgressDialogLifetime, WindowDeletedFirstLeavesNoDanglingDialog) {
    auto window = std::make_unique<QWidget>();
    ProgressDialogService service(window.get());
    service.createProgressDialog(0, 10, "Finding shape...");
    window.reset();
    EXPECT_EQ(service.dialog(), nullptr);
    service.stepProgress(5);
    service.stepProgress(10);
}

}  // namespace
