// The window as a user meets it: the real main window with answered dialogs
// and built pathways of labelled proteins opened through the File tab, the
// layout thread running. Measured (drag, still frame and list click at 500,
// 5,000 and 20,000 proteins; open and save at 5,000):
//   - open: "Open Pathway" clicked until the call returns (open_ms) and until
//     the first frame of the pathway is on the screen (to_frame_ms);
//   - drag: the view panned by mouse moves with the right button held; each
//     move until its frame is on the screen (fps from the median frame); at
//     5,000 also over interactions between near proteins;
//   - still frame: the layout stopped, nothing moving, one full frame drawn
//     and finished;
//   - list click: a protein clicked in the Analyze tab's list until its card
//     is set (card_ms) and until the card is painted (painted_ms);
//   - save: "Save Pathway" clicked until the file is written.
// Goals: 30 frames a second on llvmpipe, interactions under 100 ms, open and
// save under 1 s.
//
// Needs a display: run it under Xvfb with Mesa's llvmpipe, e.g.
//   Xvfb :99 -screen 0 1280x1024x24 & DISPLAY=:99 LIBGL_ALWAYS_SOFTWARE=1
//   build/dev/bench/bench_window_bench
// The figures go to standard error (standard output carries the traces).
// With "--write-pathway OUT.pth" it only writes the pathway it measures;
// with "--pathway FILE.pth" it measures a copy of that file (and of its
// ".cache") instead, e.g. a pathway the batch job built and laid out, whose
// interactions are shorter than the random pairs of the built one.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include "BenchWindow.h"
#include "QuietStdout.h"
#include "app/App.h"
#include "engine/render/Font.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/AnalyzeTabWidget.h"
#include "ui/MyQTWindow.h"
#include "ui/OpenTabWidget.h"
#include "ui/ProteinPage.h"
#include "ui/RenderWindow.h"
#include "ui/ScriptedDialogs.h"

namespace {

constexpr int kProteins = 5000;
// The file given with --pathway; empty: the built pathway of kProteins.
std::string givenPathway;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Sorted figures: the median and the worst as counters.
void report(benchmark::State& state, std::vector<double> ms, const std::string& name) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters[name + "_median_ms"] = ms[ms.size() / 2];
    state.counters[name + "_worst_ms"] = ms.back();
}

void send(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Runs the event loop until `done`, at most timeoutMs; it waits for events
// rather than spinning, so llvmpipe keeps the processors.
template <class Done>
bool waitUntil(Done done, int timeoutMs = 10000) {
    const auto start = Clock::now();
    while (!done()) {
        if (msSince(start) > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Counts the frames the 3D view put on the screen (composed into the window).
class FrameCounter : public QObject {
public:
    explicit FrameCounter(RenderWindow* view) {
        connect(view, &RenderWindow::frameSwapped, this, [this] { ++frames; });
    }
    // Runs the event loop until a frame after this call is on the screen.
    bool waitForFrame() {
        const int before = frames;
        return waitUntil([&] { return frames > before; });
    }
    int frames = 0;
};

// The main window with scripted dialogs in a scratch working folder holding
// the built pathway, opened through the File tab with the layout running.
struct Session {
    QTemporaryDir dir;
    std::filesystem::path previous = std::filesystem::current_path();
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<MyQTWindow> window;
    std::unique_ptr<FrameCounter> counter;
    std::string path;

    Session() {
        enterScratchFolder(dir.path().toStdString());
        if (givenPathway.empty()) {
            path = builtPathway(kProteins);
        } else {
            copyGivenPathway();
        }
        auto scripted = std::make_unique<ScriptedDialogs>();
        dialogs = scripted.get();
        window = std::make_unique<MyQTWindow>(0, 0, 1280, 800, std::move(scripted));
        window->show();
        counter = std::make_unique<FrameCounter>(view());
        for (int i = 0; i < 500 && !(window->windowHandle() && window->windowHandle()->isExposed());
             ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(10);
        }
        QCoreApplication::processEvents();
    }
    // The built pathway of `proteins`, written on first use.
    std::string builtPathway(int proteins, bool nearPairs = false) {
        const std::string built = dir.path().toStdString() + (nearPairs ? "/near" : "/built") +
                                  std::to_string(proteins) + ".pth";
        if (!std::filesystem::exists(built))
            writeBuiltPathway(built, proteins, nearPairs);
        return built;
    }
    // A copy, because "Save Pathway" writes over the file it opened.
    void copyGivenPathway() {
        namespace fs = std::filesystem;
        const fs::path given = givenPathway;
        path = (fs::path(dir.path().toStdString()) / given.filename()).string();
        std::error_code error;
        fs::copy_file(given, path, error);
        if (!error && fs::exists(givenPathway + ".cache"))
            fs::copy_file(givenPathway + ".cache", path + ".cache", error);
        if (error) {
            std::fprintf(stderr, "cannot copy %s: %s\n", givenPathway.c_str(),
                         error.message().c_str());
            std::exit(1);
        }
    }
    ~Session() {
        counter.reset();
        window.reset();
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }

    std::string defaultPath() { return givenPathway.empty() ? builtPathway(kProteins) : path; }

    App& app() { return *window->app(); }
    RenderWindow* view() { return window->renderWindow(); }

    QAbstractButton* fileButton(const QString& text) {
        for (QAbstractButton* b : window->fileTab()->findChildren<QAbstractButton*>())
            if (b->text() == text)
                return b;
        std::fprintf(stderr, "no \"%s\" button in the File tab\n", qPrintable(text));
        std::exit(1);
    }

    // Clicks "Open Pathway" with the built file as the answer; the time until
    // the click returns and until the first frame is on the screen.
    void open(double* openMs, double* toFrameMs) {
        window->tabWidget()->setCurrentIndex(0);
        dialogs->openFiles.push_back(QString::fromStdString(path));
        const auto start = Clock::now();
        fileButton("Open Pathway")->click();
        *openMs = msSince(start);
        if (!app().pathway() || !app().pathway()->hasNetwork()) {
            std::fprintf(stderr, "the built pathway did not open\n");
            std::exit(1);
        }
        counter->waitForFrame();
        *toFrameMs = msSince(start);
    }

    // The pathway of `proteins` (0: the given or the default one) open and
    // laid out.
    void ensureOpenAndLaidOut(int proteins = 0, bool nearPairs = false) {
        const std::string wanted = proteins > 0 && givenPathway.empty()
                                       ? builtPathway(proteins, nearPairs)
                                       : defaultPath();
        if (!app().pathway() || !app().pathway()->hasNetwork() || wanted != path) {
            path = wanted;
            double ignored = 0;
            open(&ignored, &ignored);
        }
        if (!(app().pathway()->layouter() && app().pathway()->layouter()->isRunning())) {
            window->analyzeTab()->setLayoutRunning(true);
        }
        if (!(app().pathway()->layouter() && app().pathway()->layouter()->isRunning())) {
            std::fprintf(stderr, "the layout thread does not run\n");
            std::exit(1);
        }
    }
};

Session& session() {
    return sessionOf<Session>();
}

// A frame or a click measured 20 times at 500, 5,000 and 20,000 proteins.
void atThreeSizes(benchmark::internal::Benchmark* b) {
    b->Arg(500)->Arg(5000)->Arg(20000)->Iterations(20)->UseManualTime()->Unit(
        benchmark::kMillisecond);
}

void BM_OpenThroughFileTab(benchmark::State& state) {
    Session& s = session();
    std::vector<double> open, toFrame;
    {
        for (auto _ : state) {
            double openMs = 0, frameMs = 0;
            s.open(&openMs, &frameMs);
            state.SetIterationTime(openMs / 1000.0);
            open.push_back(openMs);
            toFrame.push_back(frameMs);
        }
    }
    report(state, open, "open");
    report(state, toFrame, "to_frame");
    if (s.app().pathway())
        state.counters["proteins"] = s.app().pathway()->graph().nodeCount();
}
BENCHMARK(BM_OpenThroughFileTab)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

// Right-button drag over the view in a circle of 40 pixels, one frame per
// move. The CPU column is the whole process's (llvmpipe draws on every
// processor): the work a frame costs, which a busy machine does not hide.
void drag(benchmark::State& state, bool nearPairs) {
    Session& s = session();
    s.ensureOpenAndLaidOut(static_cast<int>(state.range(0)), nearPairs);
    RenderWindow* view = s.view();
    const QPoint centre(view->width() / 2, view->height() / 2);
    std::vector<double> ms;
    const auto total = Clock::now();
    int step = 0;
    {
        send(view, QEvent::MouseButtonPress, centre, Qt::RightButton, Qt::RightButton);
        s.counter->waitForFrame();
        for (auto _ : state) {
            const double angle = 0.2 * ++step;
            const QPoint at = centre + QPoint(int(std::lround(40 * std::cos(angle))),
                                              int(std::lround(40 * std::sin(angle))));
            const auto start = Clock::now();
            send(view, QEvent::MouseMove, at, Qt::NoButton, Qt::RightButton);
            if (!s.counter->waitForFrame()) {
                state.SkipWithError("no frame after a drag step");
                break;
            }
            const double took = msSince(start);
            state.SetIterationTime(took / 1000.0);
            ms.push_back(took);
        }
        send(view, QEvent::MouseButtonRelease, centre, Qt::RightButton, Qt::NoButton);
        s.counter->waitForFrame();
    }
    const double seconds = msSince(total) / 1000.0;
    report(state, ms, "frame");
    if (!ms.empty()) {
        std::sort(ms.begin(), ms.end());
        state.counters["fps"] = 1000.0 / ms[ms.size() / 2];
        state.counters["fps_overall"] = double(ms.size()) / seconds;
    }
}
void BM_DragTheView(benchmark::State& state) {
    drag(state, false);
}
BENCHMARK(BM_DragTheView)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(20000)
    ->Iterations(60)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// The same over interactions between near proteins, as in a laid-out
// pathway, beside the random pairs' lines across the whole view.
void BM_DragTheViewNearPairs(benchmark::State& state) {
    drag(state, true);
}
BENCHMARK(BM_DragTheViewNearPairs)
    ->Arg(5000)
    ->Iterations(60)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// One full frame with nothing moving (the layout stopped), drawn and
// finished: the picture a user looks at.
void BM_StillFrame(benchmark::State& state) {
    Session& s = session();
    s.ensureOpenAndLaidOut(static_cast<int>(state.range(0)));
    s.window->analyzeTab()->setLayoutRunning(false);
    QCoreApplication::processEvents();
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        s.view()->renderFrame();
        const double took = msSince(start);
        state.SetIterationTime(took / 1000.0);
        ms.push_back(took);
    }
    report(state, ms, "still");
    s.window->analyzeTab()->setLayoutRunning(true);
}
BENCHMARK(BM_StillFrame)->Apply(atThreeSizes);

// The same frame with every label sent glyph by glyph, as before labels
// were drawn from their cached images.
void BM_StillFrameGlyphByGlyph(benchmark::State& state) {
    Font::cacheLabels = false;
    BM_StillFrame(state);
    Font::cacheLabels = true;
}
BENCHMARK(BM_StillFrameGlyphByGlyph)->Apply(atThreeSizes);

// Clicks proteins spread over the Analyze tab's list, one per iteration.
void BM_ListClickToCard(benchmark::State& state) {
    Session& s = session();
    s.ensureOpenAndLaidOut(static_cast<int>(state.range(0)));
    AnalyzeTabWidget& analyze = *s.window->analyzeTab();
    s.window->tabWidget()->setCurrentIndex(2);
    QCoreApplication::processEvents();
    QListWidget* list = analyze.proteinPage()->list();
    QTextBrowser* card = analyze.proteinPage()->info();
    if (!list || !card || list->count() < 2) {
        state.SkipWithError("the Analyze tab has no protein list");
        return;
    }
    // Paints of the card's viewport after a click.
    struct PaintSpy : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    } spy;
    card->viewport()->installEventFilter(&spy);
    std::vector<double> cardMs, paintedMs;
    int row = 0;
    {
        for (auto _ : state) {
            row = (row + 997) % list->count();
            QListWidgetItem* item = list->item(row);
            list->scrollToItem(item);
            QCoreApplication::processEvents();
            const QPoint at = list->visualItemRect(item).center();
            const std::string name = item->text().toStdString();
            const int paintsBefore = spy.paints;
            const auto start = Clock::now();
            send(list->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
            send(list->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
            const double set = msSince(start);
            if (analyze.proteinPage()->cardHtml().find(name) == std::string::npos) {
                state.SkipWithError(("the card does not show " + name).c_str());
                break;
            }
            waitUntil([&] { return spy.paints > paintsBefore; });
            const double painted = msSince(start);
            state.SetIterationTime(painted / 1000.0);
            cardMs.push_back(set);
            paintedMs.push_back(painted);
        }
    }
    card->viewport()->removeEventFilter(&spy);
    report(state, cardMs, "card");
    report(state, paintedMs, "painted");
}
BENCHMARK(BM_ListClickToCard)->Apply(atThreeSizes);

void BM_SaveThroughFileTab(benchmark::State& state) {
    Session& s = session();
    s.ensureOpenAndLaidOut();
    s.window->tabWidget()->setCurrentIndex(0);
    QCoreApplication::processEvents();
    std::vector<double> ms;
    {
        for (auto _ : state) {
            const auto start = Clock::now();
            s.fileButton("Save Pathway")->click();
            const double took = msSince(start);
            state.SetIterationTime(took / 1000.0);
            ms.push_back(took);
        }
    }
    if (!s.dialogs->calls.empty() &&
        std::find(s.dialogs->calls.begin(), s.dialogs->calls.end(),
                  "message:could not save pathway!") != s.dialogs->calls.end())
        state.SkipWithError("the pathway was not saved");
    report(state, ms, "save");
}
BENCHMARK(BM_SaveThroughFileTab)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // "--write-pathway OUT.pth" only writes the pathway measured here (for
    // pictures of the window, before and after a change).
    if (argc == 3 && std::string(argv[1]) == "--write-pathway") {
        QuietStdout quiet;
        writeBuiltPathway(argv[2], kProteins);
        return 0;
    }
    // "--pathway FILE.pth" measures that file; taken out before the
    // benchmark library reads the rest.
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) != "--pathway")
            continue;
        givenPathway = std::filesystem::absolute(argv[i + 1]).string();
        std::copy(argv + i + 2, argv + argc + 1, argv + i);
        argc -= 2;
        break;
    }
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr,
                     "bench_window_bench draws through a window: set DISPLAY (Xvfb will do)\n");
        return 1;
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The layout thread traces every pass on standard output: the figures go
    // to standard error.
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    {
        QuietStdout quiet;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        sessionHolder<Session>().reset();
    }
    benchmark::Shutdown();
    return 0;
}
