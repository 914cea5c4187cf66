// Frame time of the 3D view: App::doGraphics drawn through the real render
// widget of the main window (its paint handler, into its framebuffer object,
// then glFinish) for built pathways of 500, 5,000 and 20,000 labelled
// proteins, the median of 50 frames. Also: the same frames without labels and
// without the scene, to show where the time goes, and frames drawn while the
// layout thread runs (worst frame beside the median). The CPU column is the
// whole process's time per frame (llvmpipe draws on every processor), which
// a busy machine does not inflate as it does the wall time.
//
// Needs a display: run it under Xvfb with Mesa's llvmpipe, e.g.
//   Xvfb :99 -screen 0 1280x1024x24 & DISPLAY=:99 LIBGL_ALWAYS_SOFTWARE=1
//   build/dev/bench/bench_frame_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include "BenchWindow.h"
#include "QuietStdout.h"
#include "app/App.h"
#include "pathway/PathwayLayoutEntity.h"
#include "pathway/PathwayLayouter.h"
#include "ui/MyQTWindow.h"
#include "ui/RenderWindow.h"

namespace {

constexpr int kFrames = 50;

// The main window in a scratch working folder (textures and config.txt as
// scripts/run leaves them), shown at 1280 x 800.
struct Session {
    QTemporaryDir dir;
    std::filesystem::path previous = std::filesystem::current_path();
    std::unique_ptr<MyQTWindow> window;
    int loaded = 0;

    Session() {
        enterScratchFolder(dir.path().toStdString());
        QuietStdout quiet;
        window = std::make_unique<MyQTWindow>(0, 0, 1280, 800);
        window->show();
        for (int i = 0; i < 500 && !(window->windowHandle() && window->windowHandle()->isExposed());
             ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            QThread::msleep(10);
        }
        QCoreApplication::processEvents();
    }
    ~Session() {
        {
            QuietStdout quiet;
            window.reset();
        }
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
    }

    App& app() { return *window->app(); }
    RenderWindow& view() { return *window->renderWindow(); }

    void load(int proteins) {
        if (loaded == proteins && app().pathway())
            return;
        const std::string path =
            dir.path().toStdString() + "/built" + std::to_string(proteins) + ".pth";
        QuietStdout quiet;
        if (!std::filesystem::exists(path))
            writeBuiltPathway(path, proteins);
        if (!app().loadPathway(path))
            std::exit(1);
        loaded = proteins;
    }
};

Session& session() {
    return sessionOf<Session>();
}

// Draws kFrames frames; reports the median and the worst in milliseconds.
void measureFrames(benchmark::State& state) {
    RenderWindow& view = session().view();
    std::vector<double> ms;
    {
        QuietStdout quiet;
        view.renderFrame();  // textures and label atlases upload on the first frame
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            view.renderFrame();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            state.SetIterationTime(took.count());
            ms.push_back(took.count() * 1000.0);
        }
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
    state.counters["fps"] = 1000.0 / ms[ms.size() / 2];
}

// kFrames frames for each pathway size, timed by measureFrames.
template <int... proteins>
void framesOf(benchmark::internal::Benchmark* bench) {
    (bench->Arg(proteins), ...);
    bench->Iterations(kFrames)->UseManualTime()->MeasureProcessCPUTime()->Unit(
        benchmark::kMillisecond);
}

void BM_FrameEmpty(benchmark::State& state) {
    {
        QuietStdout quiet;
        session().app().close();
    }
    measureFrames(state);
}
BENCHMARK(BM_FrameEmpty)->Apply(framesOf<>);

void BM_FrameLabelled(benchmark::State& state) {
    const int proteins = static_cast<int>(state.range(0));
    session().load(proteins);
    App& app = session().app();
    app.pathway()->setFont(app.font());
    state.counters["proteins"] = proteins;
    measureFrames(state);
}
BENCHMARK(BM_FrameLabelled)->Apply(framesOf<500, 5000, 20000>);

// The same pathways without a font: boxes and lines only.
void BM_FrameWithoutLabels(benchmark::State& state) {
    const int proteins = static_cast<int>(state.range(0));
    session().load(proteins);
    App& app = session().app();
    app.pathway()->setFont(nullptr);
    measureFrames(state);
    app.pathway()->setFont(app.font());
}
BENCHMARK(BM_FrameWithoutLabels)->Apply(framesOf<500, 5000, 20000>);

// Frames while the layout thread moves the proteins: a frame waits for the
// layouter's mutex at most for one move phase, never for a whole pass.
void BM_FrameWhileLayoutRuns(benchmark::State& state) {
    const int proteins = static_cast<int>(state.range(0));
    session().load(proteins);
    App& app = session().app();
    app.pathway()->setFont(app.font());
    // One whole pass, timed on this thread, to set the worst frame against.
    double passMs = 0;
    // The layout thread prints two lines per pass.
    QuietStdout quiet;
    {
        PathwayLayouter probe(app.pathway());
        for (int i = 0; i < 3; ++i) {
            const auto start = std::chrono::steady_clock::now();
            probe.layoutPass();
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            passMs = i == 0 ? took.count() * 1000.0 : std::min(passMs, took.count() * 1000.0);
        }
    }
    app.pathway()->startLayouter();
    measureFrames(state);
    app.pathway()->stopLayouter();
    state.counters["layout_pass_ms"] = passMs;
}
BENCHMARK(BM_FrameWhileLayoutRuns)->Apply(framesOf<5000, 20000>);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr,
                     "bench_frame_bench draws through a window: set DISPLAY (Xvfb will do)\n");
        return 1;
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    sessionHolder<Session>().reset();
    benchmark::Shutdown();
    return 0;
}
