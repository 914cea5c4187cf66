// The Analyze tab alone over the pathway its base fixture opened, wired to
// the scene core as the window wires it.
#pragma once

#include <memory>

#include <QTest>

#include "StdoutCapture.h"
#include "app/App.h"
#include "ui/AnalyzeTabWidget.h"

template <typename Base>
class WithAnalyzeTab : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        if (!this->HasFatalFailure()) {
            makeTab();
        }
    }
    // Builds the tab and assembles its pages for the open pathway.
    void makeTab() {
        tab = std::make_unique<AnalyzeTabWidget>(this->context);
        this->core.setAnalyzeTab(tab.get());
        stdoutOf([&] { tab->assemblePages(); });
    }
    void TearDown() override {
        // As the window goes: the pathway first, then the tab.
        this->core.close();
        this->core.setAnalyzeTab(nullptr);
        tab.reset();
        Base::TearDown();
    }

    // Steps the scene core, as the window's refresh timer does, until the
    // explore view is open (its loading is an animation).
    bool exploring() {
        return QTest::qWaitFor(
            [&] {
                this->core.update();
                return this->core.isExploring();
            },
            20000);
    }

    std::unique_ptr<AnalyzeTabWidget> tab;
};
