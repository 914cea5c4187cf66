// What a page is built with, without the main window: a scene core in a
// scratch working folder, scripted dialogs (or Qt's own, for a test that
// answers them with keys) and a window that records what the page asks of it.
#pragma once

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "ScratchFolder.h"
#include "ScriptedDialogs.h"
#include "app/App.h"
#include "support/RecordingWindow.h"
#include "ui/PageContext.h"
#include "ui/QtDialogs.h"

class PageTest : public testing::Test {
protected:
    explicit PageTest(bool realDialogs = false)
        : dialogs(realDialogs ? nullptr : &scripted),
          context{core, realDialogs ? static_cast<Dialogs&>(qtDialogs) : scripted, services} {
        core.setMainWindow(&services);
        core.init();
    }
    void TearDown() override { QCoreApplication::processEvents(); }

    App& app() { return core; }

    ScratchWorkingFolder folder;
    ScriptedDialogs scripted;
    QtDialogs qtDialogs;
    // Null when the page opens Qt's dialogs.
    ScriptedDialogs* dialogs;
    RecordingWindow services;
    App core;
    PageContext context;
};
