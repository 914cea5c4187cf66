// The layout pass, its cell grid and the layout thread, with the document's
// start and stop of that thread.
#include "pathway/PathwayLayouter.h"

#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <type_traits>

#include "engine/Clock.h"
#include "engine/CoordinateFrame.h"
#include "model/ProteinGraph.h"
#include "model/Trace.h"
#include "pathway/PathwayLayoutEntity.h"
#include "scene/EdgeEntity.h"
#include "scene/NodeEntity.h"

namespace {

constexpr double PI = 3.1415926535898;

// atan on [0, 1], within 1e-5: the box radius needs the angle of the centre
// line, and a short polynomial (evaluated in parallel pieces) is several
// times cheaper than the library call.
double atanUnit(double t) {
    const double u = t * t;
    const double u2 = u * u;
    const double u4 = u2 * u2;
    const double p = (0.99997726 - 0.33262347 * u) + u2 * (0.19354346 - 0.11643287 * u) +
                     u4 * (0.05265332 - 0.01172120 * u);
    return t * p;
}

// atan(t) / (pi / 4) on [0, 1], within 1.1e-4: the same angle on the
// repulsion's vector lanes, where every term counts. It moves a gap by at
// most 1.1e-4 of the difference between the boxes' half diagonals and half
// sides (under 1e-6 for proteins of the usual size), well below what a pass
// can tell apart before its moves are cut to the step limit.
[[gnu::always_inline]] inline float turnUnit(float t) {
    const float u = t * t;
    const float u2 = u * u;
    return t * ((1.272238409f - 0.408931277f * u) + u2 * (0.186226179f - 0.049636732f * u));
}

// Where the centre line leaves a box: half of the box's radius table
// (half width, half diagonal, half height, ...) interpolated linearly in the
// angle of the line, which depends only on |dx| and |dy|. Returns the sum of
// the two boxes' radii; (adx, ady) must not both be 0.
double radiusSum(double adx, double ady, double hwA, double hhA, double hdA, double hwB, double hhB,
                 double hdB) {
    double axisA, axisB, t;
    if (adx >= ady) {
        axisA = hwA;
        axisB = hwB;
        t = ady / adx;
    } else {
        axisA = hhA;
        axisB = hhB;
        t = adx / ady;
    }
    const double f = atanUnit(t) * (4.0 / PI);
    const double axes = axisA + axisB;
    return 0.5 * (axes + (hdA + hdB - axes) * f);
}

// A fixed direction for two proteins at the same place, from their indices,
// so the pass stays deterministic.
void coincidentDirection(int32_t lo, int32_t hi, double& ux, double& uy) {
    const double turns = std::fmod(0.6180339887498949 * lo + 0.4142135623730950 * hi, 1.0);
    ux = std::cos(2 * PI * turns);
    uy = std::sin(2 * PI * turns);
}

// How many nodes ahead the snapshot and the write-back ask for a node's memory.
constexpr std::size_t PREFETCH_AHEAD = 8;

int32_t levelOf(int32_t degree) {
    // A protein without interactions counts as level 0, like one of degree 1.
    if (degree <= 0) {
        return 0;
    }
    return static_cast<int32_t>(std::bit_width(static_cast<uint32_t>(degree))) - 1;
}

double powInt(double base, int32_t exponent) {
    double result = 1.0;
    double square = base;
    for (uint32_t e = static_cast<uint32_t>(exponent); e != 0; e >>= 1) {
        if (e & 1u) {
            result *= square;
        }
        square *= square;
    }
    return result;
}

int32_t clampedCell(double coordinate, double side, double count) {
    double c = std::floor(coordinate / side);
    c = c >= 0 ? c : 0;  // also for NaN
    c = c > count - 1 ? count - 1 : c;
    return static_cast<int32_t>(c);
}

// Per-protein inputs and force sums of the repulsion, in cell order.
struct PairArrays {
    const float* x;
    const float* y;
    const float* halfWidth;
    const float* halfHeight;
    const float* halfDiagonal;
    const int32_t* level;
    // (1 + degree weight) to the power of the level: a pair repels with the
    // weight of its lower level.
    const float* weight;
    // Cell of the pathway's own grid, for a merged grid only.
    const int32_t* column;
    const int32_t* row;
    float* fx;
    float* fy;
    // For proteins gathered into entries (several alike proteins at one
    // place), else null: the proteins an entry stands for, and its stack
    // (the proteins at its place), so that entries of one stack are left out.
    const float* count = nullptr;
    const int32_t* stack = nullptr;
};

// The cell grid as the pair loops walk it: `start[x * ny + y]` is the first
// protein of cell (x, y).
struct PairBlocks {
    const int32_t* start;
    int nx;
    int ny;
    bool merged;

    // The first protein of cell (x, y); (x, ny) is where column x + 1 starts.
    std::size_t first(int x, int y) const {
        return static_cast<std::size_t>(
            start[static_cast<std::size_t>(x) * static_cast<std::size_t>(ny) +
                  static_cast<std::size_t>(y)]);
    }
};

// Walks the cells, each with the ranges of its 3 x 3 block (itself included):
// one range per column of the block, as the cells of a column are adjacent
// in cell order. `visit(from, end, ranges)` sees the cell's proteins
// [from, end) and the three ranges (an empty one past the grid's edge).
template <class Visit>
[[gnu::always_inline]] inline void forEachCell(const PairBlocks& blocks, Visit&& visit) {
    for (int x = 0; x < blocks.nx; ++x) {
        for (int y = 0; y < blocks.ny; ++y) {
            const std::size_t from = blocks.first(x, y);
            const std::size_t end = blocks.first(x, y + 1);
            if (from != end) {
                visit(x, y, from, end);
            }
        }
    }
}

template <class Visit>
[[gnu::always_inline]] inline void forEachBlock(const PairBlocks& blocks, Visit&& visit) {
    const int nx = blocks.nx, ny = blocks.ny;
    forEachCell(blocks, [&](int x, int y, std::size_t from, std::size_t end) {
        const int top = std::max(y - 1, 0), bottom = std::min(y + 1, ny - 1) + 1;
        std::size_t ranges[3][2] = {};
        for (int column = std::max(x - 1, 0), r = 0; column <= std::min(x + 1, nx - 1);
             ++column, ++r) {
            ranges[r][0] = blocks.first(column, top);
            ranges[r][1] = blocks.first(column, bottom);
        }
        visit(from, end, ranges);
    });
}

#if defined(__GNUC__) && defined(__x86_64__) && defined(__ELF__) && !defined(__SANITIZE_THREAD__)
// The wider vector unit where the processor has it. (Not under the thread
// sanitizer: its runtime is not up yet when the clone resolver runs.)
#define CORVIDANE_VECTOR_CLONES __attribute__((target_clones("avx512f", "avx2", "default")))
#else
#define CORVIDANE_VECTOR_CLONES
#endif

// Vector width of the repulsion loop; the arrays of PairArrays hold this
// many far-away proteins past the last one, so a block may run over the end
// of its range.
constexpr std::size_t PAIR_LANES = 16;

// The sum of a row of lane sums, which is left at zero for the next use;
// halved step by step on vector lanes.
[[gnu::always_inline]] inline float laneSum(float* __restrict row) {
    float half[PAIR_LANES / 2], quarter[PAIR_LANES / 4], eighth[PAIR_LANES / 8];
#pragma omp simd
    for (std::size_t k = 0; k < PAIR_LANES / 2; ++k) {
        half[k] = row[k] + row[k + PAIR_LANES / 2];
    }
#pragma omp simd
    for (std::size_t k = 0; k < PAIR_LANES; ++k) {
        row[k] = 0;
    }
#pragma omp simd
    for (std::size_t k = 0; k < PAIR_LANES / 4; ++k) {
        quarter[k] = half[k] + half[k + PAIR_LANES / 4];
    }
#pragma omp simd
    for (std::size_t k = 0; k < PAIR_LANES / 8; ++k) {
        eighth[k] = quarter[k] + quarter[k + PAIR_LANES / 8];
    }
    return eighth[0] + eighth[1];
}

// One cell's share of the repulsion: its proteins [from, end) against the
// range of its own cell and the one below it, then against the range of the
// three cells of the next column. `log` is where the visit's block sums go
// (PAIR_LANES floats a block, x and y, own blocks then cross blocks).
struct CellVisit {
    std::size_t from, end;
    std::size_t ownTo;
    std::size_t crossFrom, crossTo;
    std::size_t log;
};

std::size_t blocksOf(std::size_t from, std::size_t to) {
    return (to - from + PAIR_LANES - 1) / PAIR_LANES;
}

// Where the visits' sums go before they are added to the forces: per block
// its lanes, per protein its own lane sum.
struct PairLog {
    float* blockX;
    float* blockY;
    float* sumX;
    float* sumY;
};

// The repulsion of every pair of proteins in neighbouring cells closer than
// 0.5, in float and free of branches so that the inner loop runs on vector
// lanes. Each pair is met once, from the earlier cell: a cell's proteins
// against a block of proteins of the cell itself and the one below it (one
// range), then of the three cells of the next column. The block's sums stay
// in lanes while the cell's proteins pass, so every force is written once
// per block. Pairs at one place are left out; the answer says whether there
// were any.
//
// The visits write their sums to the log, not to the forces, so that they
// may run on any thread in any order; addLoggedPairs then adds them up in
// the order of the cells, which is the order a single pass adds them in.
template <bool kEntries>
[[gnu::always_inline]] inline bool repelVisitsBody(const PairArrays& in, bool merged,
                                                   const CellVisit* visits, std::size_t count,
                                                   const PairLog& log, float strength) {
    const float* __restrict xs = in.x;
    const float* __restrict ys = in.y;
    const float* __restrict ws = in.halfWidth;
    const float* __restrict hs = in.halfHeight;
    const float* __restrict ds = in.halfDiagonal;
    const float* __restrict weights = in.weight;
    const int32_t* __restrict levels = in.level;
    const int32_t* __restrict columns = in.column;
    const int32_t* __restrict rows = in.row;
    const float* __restrict counts = in.count;
    const int32_t* __restrict stacks = in.stack;
    const float minGap = static_cast<float>(PathwayLayouter::MIN_GAP);
    int coincident = 0;
    // Per protein of the current cell, one sum per lane, added up once the
    // cell is done.
    Array<float> cellX, cellY;
    // The merged grid's extra test decided once, outside the loops.
    auto walk = [&](auto mergedGrid) __attribute__((always_inline)) {
        constexpr bool kMerged = decltype(mergedGrid)::value;
        for (const CellVisit* visit = visits; visit != visits + count; ++visit) {
            const std::size_t from = visit->from, end = visit->end;
            const std::size_t cellCount = end - from;
            // Zero at the start; every row is zeroed again once it is added up.
            if (cellX.size() < cellCount * PAIR_LANES) {
                cellX.resize(cellCount * PAIR_LANES, 0.0f);
                cellY.resize(cellCount * PAIR_LANES, 0.0f);
            }
            float* __restrict sumsX = cellX.data();
            float* __restrict sumsY = cellY.data();
            float* __restrict outX = log.blockX + visit->log;
            float* __restrict outY = log.blockY + visit->log;

            // The cell against [rangeFrom, rangeTo); within its own range a
            // protein meets only the later ones.
            auto against = [&](std::size_t rangeFrom, std::size_t rangeTo, bool own)
                __attribute__((always_inline)) {
                for (std::size_t block = rangeFrom; block < rangeTo; block += PAIR_LANES) {
                    // Lane tests relative to the block, in 32 bits like the
                    // floats beside them.
                    const auto lanes = static_cast<int32_t>(std::min(rangeTo - block, PAIR_LANES));
                    float blockX[PAIR_LANES] = {}, blockY[PAIR_LANES] = {};
                    int same[PAIR_LANES] = {};
                    for (std::size_t a = from; a < end; ++a) {
                        const float xa = xs[a], ya = ys[a], hwa = ws[a], hha = hs[a];
                        const float hda = ds[a], wa = weights[a];
                        const int32_t la = levels[a], ca = columns[a], ra = rows[a];
                        const float ma = kEntries ? counts[a] : 1.0f;
                        const int32_t sa = kEntries ? stacks[a] : 0;
                        // The lane of protein a; a negative one when a lies before the block.
                        const auto self = static_cast<int32_t>(static_cast<int64_t>(a) -
                                                               static_cast<int64_t>(block));
                        float* __restrict ax = sumsX + (a - from) * PAIR_LANES;
                        float* __restrict ay = sumsY + (a - from) * PAIR_LANES;
#pragma omp simd
                        for (std::size_t k = 0; k < PAIR_LANES; ++k) {
                            const std::size_t b = block + k;
                            const auto lane = static_cast<int32_t>(k);
                            const float dx = xa - xs[b];
                            const float dy = ya - ys[b];
                            const float d2 = dx * dx + dy * dy;
                            // Bitwise, not short-circuit: the loop must stay
                            // free of branches.
                            const bool neighbours = (lane < lanes) & ((!own) | (lane > self)) &
                                                    (!kMerged || ((std::abs(ca - columns[b]) <= 1) &
                                                                  (std::abs(ra - rows[b]) <= 1)));
                            same[k] |= static_cast<int>((d2 == 0.0f) & neighbours &
                                                        (!kEntries || sa != stacks[b]));
                            const bool repel = (d2 > 0.0f) & (d2 <= 0.25f) & neighbours;
                            // Every lane computes; those that do not repel
                            // are dropped at the end, whatever they came to
                            // (a far padding entry gives infinities).
                            const float length = std::sqrt(d2);
                            const float adx = std::fabs(dx), ady = std::fabs(dy);
                            const float wide = adx >= ady ? 1.0f : 0.0f;
                            const float t =
                                std::min(adx, ady) / std::max(std::max(adx, ady), 1e-30f);
                            const float across = hha + hs[b];
                            const float axes = across + wide * (hwa + ws[b] - across);
                            const float turn = turnUnit(t);
                            const float gap = std::max(
                                length - 0.5f * (axes + (hda + ds[b] - axes) * turn), minGap);
                            // Force along the unit vector d / length, in one
                            // division.
                            const float wb = weights[b];
                            const float weight = la < levels[b] ? wa : wb;
                            const float push = strength * weight / (gap * gap * length);
                            const float scale = repel ? push : 0.0f;
                            if constexpr (kEntries) {
                                // Each of an entry's proteins meets each
                                // of the other's.
                                const float mb = counts[b];
                                ax[k] += scale * (dx * mb);
                                ay[k] += scale * (dy * mb);
                                blockX[k] -= scale * (dx * ma);
                                blockY[k] -= scale * (dy * ma);
                            } else {
                                ax[k] += scale * dx;
                                ay[k] += scale * dy;
                                blockX[k] -= scale * dx;
                                blockY[k] -= scale * dy;
                            }
                        }
                    }
#pragma omp simd
                    for (std::size_t k = 0; k < PAIR_LANES; ++k) {
                        outX[k] = blockX[k];
                        outY[k] = blockY[k];
                        coincident |= same[k];
                    }
                    outX += PAIR_LANES;
                    outY += PAIR_LANES;
                }
            };
            against(from, visit->ownTo, true);
            against(visit->crossFrom, visit->crossTo, false);

            for (std::size_t a = from; a < end; ++a) {
                log.sumX[a] = laneSum(sumsX + (a - from) * PAIR_LANES);
                log.sumY[a] = laneSum(sumsY + (a - from) * PAIR_LANES);
            }
        }
    };
    if (merged) {
        walk(std::true_type{});
    } else {
        walk(std::false_type{});
    }
    return coincident != 0;
}

CORVIDANE_VECTOR_CLONES
bool repelVisits(const PairArrays& in, bool merged, const CellVisit* visits, std::size_t count,
                 const PairLog& log, float strength) {
    return repelVisitsBody<false>(in, merged, visits, count, log, strength);
}

// The same over entries: pairs of one stack are left out, and the answer says
// whether there were pairs at one place from different stacks.
CORVIDANE_VECTOR_CLONES
bool repelEntryVisits(const PairArrays& in, bool merged, const CellVisit* visits, std::size_t count,
                      const PairLog& log, float strength) {
    return repelVisitsBody<true>(in, merged, visits, count, log, strength);
}

// The logged sums added to the forces (which start at zero and hold
// PAIR_LANES entries past the last protein) visit by visit, block by block.
void addLoggedPairs(const PairArrays& in, const Array<CellVisit>& visits, const PairLog& log) {
    float* __restrict gx = in.fx;
    float* __restrict gy = in.fy;
    for (const CellVisit& visit : visits) {
        const float* __restrict fromX = log.blockX + visit.log;
        const float* __restrict fromY = log.blockY + visit.log;
        auto add = [&](std::size_t rangeFrom, std::size_t rangeTo) {
            for (std::size_t block = rangeFrom; block < rangeTo; block += PAIR_LANES) {
#pragma omp simd
                for (std::size_t k = 0; k < PAIR_LANES; ++k) {
                    gx[block + k] += fromX[k];
                    gy[block + k] += fromY[k];
                }
                fromX += PAIR_LANES;
                fromY += PAIR_LANES;
            }
        };
        add(visit.from, visit.ownTo);
        add(visit.crossFrom, visit.crossTo);
        for (std::size_t a = visit.from; a < visit.end; ++a) {
            gx[a] += log.sumX[a];
            gy[a] += log.sumY[a];
        }
    }
}

// Set while the view moves and its frames are slow.
std::atomic<bool> drawingBusy{false};

// Threads that share a pass's steps with the thread running it. A pass has
// half a dozen shared steps of a fraction of a millisecond each, so handing
// out must cost microseconds: the helpers wait spinning a little, then
// asleep on an atomic, and take tasks by a ticket that carries the round, so
// one that wakes late can never take a task of a later round. One team for
// the process (like a global pool); rounds of different layouters take turns.
class WorkTeam {
public:
    static WorkTeam& instance() {
        // Never destroyed: its helpers wait until the process ends.
        static WorkTeam* team =
            new WorkTeam(int(std::max(2u, std::thread::hardware_concurrency())));
        return *team;
    }

    int size() const { return size_; }

    // Runs task(0 .. count-1) on this thread and the helpers; returns when
    // every task is done.
    void run(std::size_t count, void (*task)(void*, std::size_t), void* context) {
        std::lock_guard<std::mutex> lock(roundMutex_);
        const uint64_t round = ++round_;
        // Closed while the round is set up: whoever reads its values below
        // finds the ticket of this round, closed or open, never an earlier one.
        ticket_.store((round << 32) | kClosed, std::memory_order_release);
        task_.store(task, std::memory_order_release);
        context_.store(context, std::memory_order_release);
        count_.store(count, std::memory_order_release);
        done_.store(0, std::memory_order_relaxed);
        ticket_.store(round << 32, std::memory_order_release);
        wake_.store(round, std::memory_order_release);
        wake_.notify_all();
        // While the drawing is busy this thread, at full priority, leaves the
        // tasks to the helpers, which take the cores the rasteriser leaves;
        // it joins in only when they have not finished within a while (none
        // may be running at all).
        const bool yield = drawingBusy.load(std::memory_order_relaxed);
        if (!yield) {
            work(round);
        }
        const auto joinAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        // Helpers run at a low priority and the drawing may hold the cores:
        // wait for the last tasks asleep, not yielding on at full priority.
        // The sleep is bounded, so that a wake-up lost on the way delays a
        // step by a millisecond instead of stopping the layout for good.
        for (int spin = 0; done_.load(std::memory_order_acquire) < count; ++spin) {
            if (spin < 2000) {
                __builtin_ia32_pause();
                continue;
            }
            if (yield && std::chrono::steady_clock::now() >= joinAt) {
                work(round);
            }
            std::unique_lock<std::mutex> sleep(doneMutex_);
            doneChanged_.wait_for(
                sleep, yield ? std::chrono::microseconds(250) : std::chrono::microseconds(1000),
                [&] { return done_.load(std::memory_order_acquire) >= count; });
        }
    }

private:
    explicit WorkTeam(int size) : size_(size) {
        // Helpers are born with every signal blocked, so that a Ctrl-C or a
        // SIGTERM reaches a thread of the program's own, whose handler runs
        // at once, not a helper at low priority while the others write on.
        sigset_t all, previous;
        sigfillset(&all);
        pthread_sigmask(SIG_BLOCK, &all, &previous);
        for (int i = 1; i < size; ++i) {
            std::thread([this] { help(); }).detach();
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

    void help() {
        // The layout runs without pause while a pathway is shown; its helpers
        // take the cores the drawing leaves (Mesa's rasteriser has a thread
        // per core), so a drag is not slowed by a pass. The pass's own thread
        // keeps its priority. On Linux the nice value is the calling thread's.
        setpriority(PRIO_PROCESS, 0, std::min(19, getpriority(PRIO_PROCESS, 0) + 10));
        uint64_t seen = 0;
        for (;;) {
            uint64_t round = wake_.load(std::memory_order_acquire);
            for (int spin = 0; round == seen; ++spin) {
                if (spin < 4000) {
                    __builtin_ia32_pause();
                } else {
                    wake_.wait(seen, std::memory_order_acquire);
                }
                round = wake_.load(std::memory_order_acquire);
            }
            seen = round;
            work(round);
        }
    }

    // Takes tasks of `round` while it has any left.
    void work(uint64_t round) {
        auto* task = task_.load(std::memory_order_acquire);
        void* context = context_.load(std::memory_order_acquire);
        const std::size_t count = count_.load(std::memory_order_acquire);
        uint64_t ticket = ticket_.load(std::memory_order_acquire);
        for (;;) {
            // A ticket of another round, or none left: the values read above
            // may be of another round too, and are not used.
            if ((ticket >> 32) != round || (ticket & kClosed) >= count) {
                return;
            }
            if (!ticket_.compare_exchange_weak(ticket, ticket + 1, std::memory_order_acq_rel,
                                               std::memory_order_acquire)) {
                continue;
            }
            task(context, std::size_t(ticket & kClosed));
            if (done_.fetch_add(1, std::memory_order_release) + 1 >= count) {
                // Taken, so that the notice cannot fall between the waiter's
                // check and its sleep.
                std::lock_guard<std::mutex> waking(doneMutex_);
                doneChanged_.notify_all();
            }
            ticket = ticket_.load(std::memory_order_acquire);
        }
    }

    static constexpr uint64_t kClosed = 0xffffffffu;
    const int size_;
    std::mutex roundMutex_;
    uint64_t round_ = 0;
    std::atomic<uint64_t> wake_{0};
    std::atomic<uint64_t> ticket_{0};
    std::atomic<void (*)(void*, std::size_t)> task_{nullptr};
    std::atomic<void*> context_{nullptr};
    std::atomic<std::size_t> count_{0};
    std::atomic<std::size_t> done_{0};
    std::mutex doneMutex_;
    std::condition_variable doneChanged_;
};

// The threads a pass may share its work with: `threads`, or the team's all.
int poolThreads(int threads) {
    return threads > 0 ? threads : WorkTeam::instance().size();
}

// Runs every task, on the work team when there is more than one.
template <class Task, void (*Run)(Task&)>
void runShared(Array<Task>& tasks) {
    if (tasks.size() == 1) {
        Run(tasks[0]);
        return;
    }
    WorkTeam::instance().run(
        tasks.size(), [](void* all, std::size_t i) { Run(static_cast<Task*>(all)[i]); },
        tasks.data());
}

// Runs body over [0, n) in contiguous runs, one per thread (one run below
// `least` items a thread): for the per-protein work around the pair sums,
// where each item is written by its own run only.
struct RangeTask {
    const std::function<void(std::size_t, std::size_t)>* body;
    std::size_t begin, end;
};

void runRange(RangeTask& task) {
    (*task.body)(task.begin, task.end);
}

void shareRange(std::size_t n, int threads, std::size_t least,
                const std::function<void(std::size_t, std::size_t)>& body) {
    const std::size_t parts =
        std::clamp<std::size_t>(n / std::max<std::size_t>(least, 1), 1,
                                static_cast<std::size_t>(std::max(poolThreads(threads), 1)));
    Array<RangeTask> tasks(parts);
    for (std::size_t p = 0; p < parts; ++p) {
        tasks[p] = {&body, n * p / parts, n * (p + 1) / parts};
    }
    runShared<RangeTask, runRange>(tasks);
}

// Below this many proteins a run is not worth handing out.
constexpr std::size_t kProteinsPerRun = 2048;

// A run of visits for one thread of the team, with all it reads.
struct VisitTask {
    const PairArrays* in;
    bool merged;
    bool entries;
    const CellVisit* visits;
    std::size_t count;
    const PairLog* log;
    float strength;
    bool coincident = false;
};

void runVisits(VisitTask& task) {
    task.coincident = task.entries ? repelEntryVisits(*task.in, task.merged, task.visits,
                                                      task.count, *task.log, task.strength)
                                   : repelVisits(*task.in, task.merged, task.visits, task.count,
                                                 *task.log, task.strength);
}

// Below this many pairs of lanes a pass is not worth handing out.
constexpr double kPairsWorthSharing = 1e5;

// Every pair of neighbouring proteins once, as repelVisits meets them, on
// `threads` threads of the work team (0: as many as it has). Each thread
// takes runs of whole cells; the sums are added to the forces afterwards in
// one place, in the order of the cells, so the forces come out bit for bit
// as from one thread.
bool repelAll(const PairArrays& in, const PairBlocks& blocks, float strength, int threads) {
    Array<CellVisit> visits;
    std::size_t logged = 0;
    double pairs = 0;
    forEachCell(blocks, [&](int x, int y, std::size_t from, std::size_t end) {
        CellVisit v{};
        v.from = from;
        v.end = end;
        v.ownTo = y + 1 < blocks.ny ? blocks.first(x, y + 2) : end;
        v.crossFrom = v.crossTo = end;
        if (x + 1 < blocks.nx) {
            v.crossFrom = blocks.first(x + 1, std::max(y - 1, 0));
            v.crossTo = blocks.first(x + 1, std::min(y + 1, blocks.ny - 1) + 1);
        }
        v.log = logged;
        logged += PAIR_LANES * (blocksOf(from, v.ownTo) + blocksOf(v.crossFrom, v.crossTo));
        pairs += static_cast<double>(end - from) *
                 static_cast<double>(v.ownTo - from + v.crossTo - v.crossFrom);
        visits.push_back(v);
    });
    Array<float> blockX(logged), blockY(logged);
    const std::size_t n = visits.empty() ? 0 : visits.back().end;
    Array<float> sumX(n), sumY(n);
    const PairLog log{blockX.data(), blockY.data(), sumX.data(), sumY.data()};
    const bool entries = in.count != nullptr;

    threads = poolThreads(threads);
    // Several runs a thread, of about equal pairs, so that a slow thread
    // does not hold up the rest.
    Array<VisitTask> tasks;
    const double share = pairs / (4.0 * std::max(threads, 1));
    const VisitTask blank{&in, blocks.merged, entries, nullptr, 0, &log, strength};
    if (threads <= 1 || pairs < kPairsWorthSharing) {
        tasks.push_back(blank);
        tasks.back().visits = visits.data();
        tasks.back().count = visits.size();
    } else {
        double run = 0;
        std::size_t first = 0;
        for (std::size_t i = 0; i < visits.size(); ++i) {
            const CellVisit& v = visits[i];
            run += static_cast<double>(v.end - v.from) *
                   static_cast<double>(v.ownTo - v.from + v.crossTo - v.crossFrom);
            if (run >= share || i + 1 == visits.size()) {
                tasks.push_back(blank);
                tasks.back().visits = visits.data() + first;
                tasks.back().count = i + 1 - first;
                first = i + 1;
                run = 0;
            }
        }
    }
    runShared<VisitTask, runVisits>(tasks);
    addLoggedPairs(in, visits, log);
    bool coincident = false;
    for (const VisitTask& task : tasks) {
        coincident = coincident || task.coincident;
    }
    return coincident;
}

// Pairs at one place push apart along a fixed direction chosen from their
// indices, at the strength of the smallest gap; met from both sides, each
// side pushing its own protein.
void pushCoincident(const PairArrays& in, const PairBlocks& blocks, const int32_t* items,
                    double strength, bool stacksDone = false) {
    const double floor2 = PathwayLayouter::MIN_GAP * PathwayLayouter::MIN_GAP;
    forEachBlock(blocks, [&](std::size_t from, std::size_t end, const std::size_t(&ranges)[3][2]) {
        for (std::size_t a = from; a < end; ++a) {
            for (const auto& range : ranges) {
                for (std::size_t b = range[0]; b < range[1]; ++b) {
                    // The same test as the vector loop's, which leaves these out.
                    const float dx = in.x[a] - in.x[b], dy = in.y[a] - in.y[b];
                    if (b == a || dx * dx + dy * dy != 0.0f ||
                        (stacksDone && in.x[a] == in.x[b] && in.y[a] == in.y[b]) ||
                        (blocks.merged && (std::abs(in.column[a] - in.column[b]) > 1 ||
                                           std::abs(in.row[a] - in.row[b]) > 1))) {
                        continue;
                    }
                    double ux, uy;
                    const int32_t ia = items[a], ib = items[b];
                    coincidentDirection(std::min(ia, ib), std::max(ia, ib), ux, uy);
                    if (ia > ib) {
                        ux = -ux;
                        uy = -uy;
                    }
                    const double weight = in.level[a] < in.level[b] ? in.weight[a] : in.weight[b];
                    const double push = strength * weight / floor2;
                    in.fx[a] += static_cast<float>(push * ux);
                    in.fy[a] += static_cast<float>(push * uy);
                }
            }
        }
    });
}

// Proteins of one cell at exactly one place form a stack; within a stack,
// proteins alike in every input of the repulsion (box and level) form an
// entry. Gives per protein, in cell order, the first protein of its stack and
// of its entry, and whether any stack holds two proteins. A large cell is
// sorted; a small one compared pair by pair.
bool findStacks(const PairArrays& in, const int32_t* start, std::size_t firstCell,
                std::size_t lastCell, int32_t* stackOf, int32_t* entryOf) {
    constexpr std::size_t SMALL_CELL = 32;
    auto samePlace = [&](std::size_t a, std::size_t b) {
        return in.x[a] == in.x[b] && in.y[a] == in.y[b];
    };
    auto alike = [&](std::size_t a, std::size_t b) {
        return in.halfWidth[a] == in.halfWidth[b] && in.halfHeight[a] == in.halfHeight[b] &&
               in.level[a] == in.level[b];
    };
    bool any = false;
    Array<int32_t> order;
    for (std::size_t c = firstCell; c < lastCell; ++c) {
        const auto from = static_cast<std::size_t>(start[c]);
        const auto end = static_cast<std::size_t>(start[c + 1]);
        for (std::size_t a = from; a < end; ++a) {
            stackOf[a] = entryOf[a] = static_cast<int32_t>(a);
        }
        if (end - from <= SMALL_CELL) {
            for (std::size_t a = from + 1; a < end; ++a) {
                for (std::size_t b = from; b < a; ++b) {
                    if (!samePlace(a, b)) {
                        continue;
                    }
                    any = true;
                    stackOf[a] = stackOf[b];
                    if (alike(a, b)) {
                        entryOf[a] = entryOf[b];
                        break;
                    }
                }
            }
            continue;
        }
        order.resize(end - from);
        for (std::size_t a = from; a < end; ++a) {
            order[a - from] = static_cast<int32_t>(a);
        }
        // Ties keep cell order, so the first of a group comes first.
        std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
            if (in.x[a] != in.x[b]) {
                return in.x[a] < in.x[b];
            }
            if (in.y[a] != in.y[b]) {
                return in.y[a] < in.y[b];
            }
            if (in.halfWidth[a] != in.halfWidth[b]) {
                return in.halfWidth[a] < in.halfWidth[b];
            }
            if (in.halfHeight[a] != in.halfHeight[b]) {
                return in.halfHeight[a] < in.halfHeight[b];
            }
            return in.level[a] < in.level[b];
        });
        for (std::size_t g = 0; g < order.size();) {
            std::size_t h = g + 1;
            int32_t first = order[g];
            while (h < order.size() && samePlace(order[g], order[h])) {
                first = std::min(first, order[h]);
                ++h;
            }
            any = any || h - g > 1;
            for (std::size_t k = g; k < h; ++k) {
                stackOf[order[k]] = first;
                const int32_t entry =
                    k > g && alike(order[k - 1], order[k]) ? entryOf[order[k - 1]] : order[k];
                entryOf[order[k]] = entry;
            }
            g = h;
        }
    }
    return any;
}

struct StackTask {
    const PairArrays* in;
    const int32_t* start;
    std::size_t firstCell, lastCell;
    int32_t* stackOf;
    int32_t* entryOf;
    bool any = false;
};

void runStackTask(StackTask& task) {
    task.any =
        findStacks(*task.in, task.start, task.firstCell, task.lastCell, task.stackOf, task.entryOf);
}

// findStacks over every cell, runs of cells shared out among `threads`.
bool findAllStacks(const PairArrays& in, const int32_t* start, std::size_t cellCount,
                   Array<int32_t>& stackOf, Array<int32_t>& entryOf, int threads) {
    constexpr std::size_t WORTH_SHARING = 4096;
    const auto m = static_cast<std::size_t>(start[cellCount]);
    threads = poolThreads(threads);
    const std::size_t share =
        threads <= 1 || m < WORTH_SHARING ? m + 1 : m / (4 * static_cast<std::size_t>(threads));
    Array<StackTask> tasks;
    for (std::size_t c = 0; c < cellCount;) {
        std::size_t last = c + 1;
        while (last < cellCount && static_cast<std::size_t>(start[last] - start[c]) < share) {
            ++last;
        }
        tasks.push_back({&in, start, c, last, stackOf.data(), entryOf.data()});
        c = last;
    }
    runShared<StackTask, runStackTask>(tasks);
    bool any = false;
    for (const StackTask& task : tasks) {
        any = any || task.any;
    }
    return any;
}

// The pushes between the proteins of each stack, as pushCoincident gives
// them pair by pair, in closed form: the direction of a pair is the turn
// phi lo + psi hi of its indices, so e^(2 pi i (phi lo + psi hi)) splits into
// a factor per protein, and a protein's pushes are its own factor times
// running sums of the others' (per level, for the weight of the lower
// level). Linear in the stack, where the pairs are quadratic; equal to the
// pairwise sum up to the order of its additions.
void pushStacks(const PairArrays& in, const int32_t* start, std::size_t cellCount,
                const Array<int32_t>& stackOf, const int32_t* items, double strength, float* fx,
                float* fy) {
    const double perWeight = strength / (PathwayLayouter::MIN_GAP * PathwayLayouter::MIN_GAP);
    // The fraction of a non-negative turn count is exact as t - floor(t), as
    // fmod's is.
    auto turn = [](double rate, int32_t index, double& re, double& im) {
        const double turns = rate * index;
        const double t = 2 * PI * (turns - std::floor(turns));
        re = std::cos(t);
        im = std::sin(t);
    };
    Array<double> hiRes, hiIms;
    constexpr int LEVELS = 33;
    Array<int32_t> order;
    for (std::size_t c = 0; c < cellCount; ++c) {
        const auto from = static_cast<std::size_t>(start[c]);
        const auto end = static_cast<std::size_t>(start[c + 1]);
        if (end - from < 2) {
            continue;
        }
        order.resize(end - from);
        for (std::size_t a = from; a < end; ++a) {
            order[a - from] = static_cast<int32_t>(a);
        }
        // Each stack's proteins together, in cell (= index) order.
        std::stable_sort(order.begin(), order.end(),
                         [&](int32_t a, int32_t b) { return stackOf[a] < stackOf[b]; });
        for (std::size_t g = 0; g < order.size();) {
            std::size_t h = g + 1;
            while (h < order.size() && stackOf[order[h]] == stackOf[order[g]]) {
                ++h;
            }
            if (h - g < 2) {
                g = h;
                continue;
            }
            // Running sums per level: of the first factor over the proteins
            // before, and of the second over the proteins after.
            double beforeRe[LEVELS] = {}, beforeIm[LEVELS] = {};
            double afterRe[LEVELS] = {}, afterIm[LEVELS] = {};
            double weightOf[LEVELS] = {};
            int32_t present[LEVELS];
            int count = 0;
            hiRes.resize(h - g);
            hiIms.resize(h - g);
            for (std::size_t k = g; k < h; ++k) {
                const int32_t a = order[k], l = in.level[a];
                if (weightOf[l] == 0) {
                    weightOf[l] = in.weight[a];
                    present[count++] = l;
                }
                turn(0.4142135623730950, items[a], hiRes[k - g], hiIms[k - g]);
                afterRe[l] += hiRes[k - g];
                afterIm[l] += hiIms[k - g];
            }
            for (std::size_t k = g; k < h; ++k) {
                const int32_t a = order[k], l = in.level[a];
                double loRe, loIm;
                turn(0.6180339887498949, items[a], loRe, loIm);
                const double hiRe = hiRes[k - g], hiIm = hiIms[k - g];
                afterRe[l] -= hiRe;
                afterIm[l] -= hiIm;
                double laterRe = 0, laterIm = 0, earlierRe = 0, earlierIm = 0;
                for (int p = 0; p < count; ++p) {
                    const int32_t other = present[p];
                    const double w = other < l ? weightOf[other] : weightOf[l];
                    laterRe += w * afterRe[other];
                    laterIm += w * afterIm[other];
                    earlierRe += w * beforeRe[other];
                    earlierIm += w * beforeIm[other];
                }
                // a the lower index: pushed along lo x later; the higher:
                // against earlier x hi.
                const double re =
                    (loRe * laterRe - loIm * laterIm) - (hiRe * earlierRe - hiIm * earlierIm);
                const double im =
                    (loRe * laterIm + loIm * laterRe) - (hiRe * earlierIm + hiIm * earlierRe);
                fx[a] += static_cast<float>(perWeight * re);
                fy[a] += static_cast<float>(perWeight * im);
                beforeRe[l] += loRe;
                beforeIm[l] += loIm;
            }
            g = h;
        }
    }
}

// The snapshot's positions, as the per-protein loops below read them.
struct Placement {
    const float* x;
    const float* y;
    const float* z;
    // A protein with a non-finite position takes no part in the pass.
    const uint8_t* active;
};

// What the walls and anchors read, per protein and for the whole pass.
struct WallInputs {
    Placement at;
    // Per protein as fractions of the extents; null without anchors.
    const Vector3* anchors;
    double wallStrength;
    double anchorStrength;
    double width, height, depth;
};

// Walls and anchors start the sums, in loops without branches (an inactive
// protein computes on and is dropped) so that they run on vector lanes.
// Walls push inward from all four sides, also on a protein outside the
// area, whose distance to a wall counts as the smallest one; each pair of
// opposite walls takes one division (the cubes of float positions cannot
// overflow a double, not even multiplied together). The anchor spring pulls
// with the cube of the distance.
CORVIDANE_VECTOR_CLONES
void wallsAndAnchors(const WallInputs& in, std::size_t n, double* __restrict fx,
                     double* __restrict fy) {
    const float* __restrict xs = in.at.x;
    const float* __restrict ys = in.at.y;
    const float* __restrict zs = in.at.z;
    const uint8_t* __restrict active = in.at.active;
    const double kw = in.wallStrength, k = in.anchorStrength;
    const double width = in.width, height = in.height, depth = in.depth;
    auto cube = [](double d) {
        d = d > PathwayLayouter::MIN_GAP ? d : PathwayLayouter::MIN_GAP;
        return d * d * d;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xs[i], y = ys[i];
        const double left = cube(x), right = cube(width - x);
        const double top = cube(-y), bottom = cube(y + height);
        const bool on = active[i] != 0;
        fx[i] = on ? kw * (right - left) / (left * right) : 0.0;
        fy[i] = on ? kw * (top - bottom) / (top * bottom) : 0.0;
    }
    if (in.anchors == nullptr) {
        return;
    }
    // As floats, x, y and z one after the other.
    static_assert(sizeof(Vector3) == 3 * sizeof(float));
    const float* __restrict anchors = reinterpret_cast<const float*>(in.anchors);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = xs[i], y = ys[i];
        const double vx = anchors[3 * i] * width - x;
        const double vy = anchors[3 * i + 1] * height - y;
        const double vz = anchors[3 * i + 2] * depth - zs[i];
        const double pull = k * (vx * vx + vy * vy + vz * vz);
        const bool on = active[i] != 0;
        fx[i] += on ? pull * vx : 0.0;
        fy[i] += on ? pull * vy : 0.0;
    }
}

struct CellInputs {
    Placement at;
    double side;
    double columns, rows;
    // Merged cells: the pathway's own column and row shifted right by this.
    int shift;
    int ny;
};

// Each protein's column and row of the pathway's own grid and its cell of
// the merged one (-1 for an inactive protein), on vector lanes: an inactive
// protein's cells come to nothing and are dropped.
CORVIDANE_VECTOR_CLONES
void gridCells(const CellInputs& in, std::size_t n, int32_t* __restrict column,
               int32_t* __restrict row, int32_t* __restrict cell) {
    const float* __restrict xs = in.at.x;
    const float* __restrict ys = in.at.y;
    const uint8_t* __restrict active = in.at.active;
    const double side = in.side, columns = in.columns, rows = in.rows;
    const int shift = in.shift, ny = in.ny;
    for (std::size_t i = 0; i < n; ++i) {
        const int32_t c = clampedCell(xs[i], side, columns);
        const int32_t r = clampedCell(-static_cast<double>(ys[i]), side, rows);
        column[i] = c;
        row[i] = r;
        cell[i] = active[i] ? (c >> shift) * ny + (r >> shift) : -1;
    }
}

struct SpringInputs {
    // End indices per edge, -1 for an end outside the snapshot.
    const int32_t* a;
    const int32_t* b;
    Placement at;
    double strength;
    float rest;
};

// The pull of each edge on its first end (the second gets the opposite);
// d is not normalised, so the force goes with e^2 |d|. An edge with an end
// outside the snapshot computes on from protein 0 and is dropped later.
CORVIDANE_VECTOR_CLONES
void edgePulls(const SpringInputs& in, std::size_t e, double* __restrict pullX,
               double* __restrict pullY) {
    const int32_t* __restrict ends = in.a;
    const int32_t* __restrict others = in.b;
    const float* __restrict xs = in.at.x;
    const float* __restrict ys = in.at.y;
    const double s = in.strength;
    const float rest = in.rest;
    for (std::size_t j = 0; j < e; ++j) {
        const int32_t a = ends[j] > 0 ? ends[j] : 0, b = others[j] > 0 ? others[j] : 0;
        // In float like the repulsion: the pull is a few terms of a sum whose
        // result is cut to the step limit anyway.
        const float dx = xs[a] - xs[b];
        const float dy = ys[a] - ys[b];
        const float stretch = std::sqrt(dx * dx + dy * dy) - rest;
        const double f = -s * static_cast<double>(stretch * std::fabs(stretch));
        pullX[j] = f * dx;
        pullY[j] = f * dy;
    }
}

// Forces to moves in place: times the step, cut to the step limit, NaN where
// the force is not finite. Branch-free, so that the square roots overlap.
CORVIDANE_VECTOR_CLONES
void cutToSteps(double* __restrict fx, double* __restrict fy, std::size_t n, double step) {
    const double limit = PathwayLayouter::MAX_STEP;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < n; ++i) {
        const double dx = fx[i] * step;
        const double dy = fy[i] * step;
        const bool finite = (std::fabs(dx) <= std::numeric_limits<double>::max()) &
                            (std::fabs(dy) <= std::numeric_limits<double>::max());
        const double length = std::sqrt(dx * dx + dy * dy);
        const double cut = length > limit ? limit / length : 1.0;
        fx[i] = finite ? dx * cut : nan;
        fy[i] = finite ? dy * cut : nan;
    }
}

// The repulsion when proteins share places: the vector loop over entries of
// alike proteins at one place, then the pushes within each place in closed
// form; `members` are the proteins in cell order, whose forces are set.
void repelStacked(const PairArrays& members, const PairBlocks& blocks,
                  const PathwayLayouter::CellGrid& cells, const Array<int32_t>& stackOf,
                  const Array<int32_t>& entryOf, const int32_t* items, double strength,
                  int threads) {
    // One entry for each group of alike proteins at one place, in cell order,
    // padded like the proteins.
    const std::size_t m = cells.items.size();
    const std::size_t cellCount = cells.start.size() - 1;
    Array<int32_t> entryIndex(m), entryStart(cellCount + 1, 0);
    Array<float> ex, ey, ehw, ehh, ehd, eweight, ecount;
    Array<int32_t> elevel, ecolumn, erow, estack;
    for (Array<float>* a : {&ex, &ey, &ehw, &ehh, &ehd, &eweight, &ecount}) {
        a->reserve(m + PAIR_LANES);
    }
    for (Array<int32_t>* a : {&elevel, &ecolumn, &erow, &estack}) {
        a->reserve(m + PAIR_LANES);
    }
    for (std::size_t c = 0; c < cellCount; ++c) {
        entryStart[c] = static_cast<int32_t>(ex.size());
        for (auto a = static_cast<std::size_t>(cells.start[c]);
             a < static_cast<std::size_t>(cells.start[c + 1]); ++a) {
            if (static_cast<std::size_t>(entryOf[a]) != a) {
                entryIndex[a] = entryIndex[static_cast<std::size_t>(entryOf[a])];
                ecount[static_cast<std::size_t>(entryIndex[a])] += 1;
                continue;
            }
            entryIndex[a] = static_cast<int32_t>(ex.size());
            ex.push_back(members.x[a]);
            ey.push_back(members.y[a]);
            ehw.push_back(members.halfWidth[a]);
            ehh.push_back(members.halfHeight[a]);
            ehd.push_back(members.halfDiagonal[a]);
            eweight.push_back(members.weight[a]);
            ecount.push_back(1);
            elevel.push_back(members.level[a]);
            ecolumn.push_back(members.column[a]);
            erow.push_back(members.row[a]);
            estack.push_back(stackOf[a]);
        }
    }
    const std::size_t entries = ex.size();
    entryStart[cellCount] = static_cast<int32_t>(entries);
    const std::size_t padded = entries + PAIR_LANES;
    ex.resize(padded, 1e30f);
    ey.resize(padded, 1e30f);
    for (Array<float>* a : {&ehw, &ehh, &ehd, &eweight, &ecount}) {
        a->resize(padded, 0.0f);
    }
    for (Array<int32_t>* a : {&elevel, &ecolumn, &erow}) {
        a->resize(padded, 0);
    }
    estack.resize(padded, -1);
    Array<float> efx(padded, 0.0f), efy(padded, 0.0f);
    PairArrays arrays{ex.data(),   ey.data(),     ehw.data(),     ehh.data(),
                      ehd.data(),  elevel.data(), eweight.data(), ecolumn.data(),
                      erow.data(), efx.data(),    efy.data()};
    arrays.count = ecount.data();
    arrays.stack = estack.data();
    const PairBlocks entryBlocks{entryStart.data(), blocks.nx, blocks.ny, blocks.merged};
    const bool touching = repelAll(arrays, entryBlocks, static_cast<float>(strength), threads);

    // Every protein takes its entry's force, then the pushes within its stack.
    for (std::size_t a = 0; a < m; ++a) {
        members.fx[a] = efx[static_cast<std::size_t>(entryIndex[a])];
        members.fy[a] = efy[static_cast<std::size_t>(entryIndex[a])];
    }
    pushStacks(members, cells.start.data(), cellCount, stackOf, items, strength, members.fx,
               members.fy);
    if (touching) {
        // Different places whose distance still squares to zero in float.
        pushCoincident(members, blocks, items, strength, true);
    }
}

}  // namespace

void PathwayLayouter::yieldToDrawing(bool yield) {
    drawingBusy.store(yield, std::memory_order_relaxed);
}

PathwayLayouter::PathwayLayouter(PathwayLayoutEntity* owner_)
    : QThread(nullptr), owner(owner_), mutex(owner_->layoutMutex) {}

PathwayLayouter::~PathwayLayouter() {
    // The document's mutex may already be gone here (it is declared after its
    // layouter), so the flag is set without it.
    stopRequested.store(1);
    wait();
}

void PathwayLayouter::requestStop() {
    std::lock_guard<std::mutex> lock(mutex);
    stopRequested.store(1);
}

bool PathwayLayouter::isStopRequested() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stopRequested.load() != 0;
}

void PathwayLayouter::run() {
    for (;;) {
        int32_t stop;
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = stopRequested.load();
        }
        if (stop != 0) {
            return;
        }
        layoutPass();
    }
}

double PathwayLayouter::boxGap(const NodeEntity* a, const NodeEntity* b) {
    const Vector3 pa = a->getLocalFrame().translation;
    const Vector3 pb = b->getLocalFrame().translation;
    const double dx = static_cast<double>(pa.x) - pb.x;
    const double dy = static_cast<double>(pa.y) - pb.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0)) {
        return MIN_GAP;
    }
    const Vector3 sa = a->getSize();
    const Vector3 sb = b->getSize();
    const double hwA = 0.5 * sa.x, hhA = 0.5 * sa.y, hwB = 0.5 * sb.x, hhB = 0.5 * sb.y;
    const double gap =
        length - radiusSum(std::fabs(dx), std::fabs(dy), hwA, hhA, std::sqrt(hwA * hwA + hhA * hhA),
                           hwB, hhB, std::sqrt(hwB * hwB + hhB * hhB));
    return gap >= MIN_GAP ? gap : MIN_GAP;
}

void PathwayLayouter::layoutPass() {
    const double started = systemTime();
    {
        std::lock_guard<std::mutex> lock(mutex);
        takeSnapshotLocked();
    }
    prepareCells();
    trace("prepare Cells time = %f\n", systemTime() - started);

    Array<double> fx, fy;
    computeForces(fx, fy);
    forcesToMoves(fx, fy);
    {
        std::lock_guard<std::mutex> lock(mutex);
        writeBackLocked(fx, fy);
    }
    trace("fast layout time == %f\n", systemTime() - started);
}

void PathwayLayouter::takeSnapshotLocked() {
    const auto& nodes = owner->nodes_;
    const std::size_t n = nodes.size();
    const bool nodesChanged =
        !indicesValid || n != snap.nodes.size() || owner->nodeListVersion_ != snap.nodeListVersion;
    if (nodesChanged) {
        snap.nodeListVersion = owner->nodeListVersion_;
        snap.nodes.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            snap.nodes[i] = nodes[i].get();
        }
    }

    snap.x.resize(n);
    snap.y.resize(n);
    snap.z.resize(n);
    snap.halfWidth.resize(n);
    snap.halfHeight.resize(n);
    snap.active.resize(n);
    shareRange(n, threads, kProteinsPerRun, [this](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (i + PREFETCH_AHEAD < to) {
                snap.nodes[i + PREFETCH_AHEAD]->prefetchPlacement();
            }
            const NodeEntity* node = snap.nodes[i];
            const Vector3 p = node->getLocalFrame().translation;
            const Vector3 size = node->getSize();
            snap.x[i] = p.x;
            snap.y[i] = p.y;
            snap.z[i] = p.z;
            snap.halfWidth[i] = std::isfinite(size.x) ? 0.5f * size.x : 0.0f;
            snap.halfHeight[i] = std::isfinite(size.y) ? 0.5f * size.y : 0.0f;
            snap.active[i] = std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
        }
    });

    refreshIndicesLocked(nodesChanged);

    snap.initialPositions = owner->initialPositions_;
    snap.controlPoints = owner->controlPoints_;
    snap.forces = owner->forces_;
    const Vector3 extent = owner->getSize();
    snap.width = extent.x;
    snap.height = extent.y;
    snap.depth = extent.z;
}

void PathwayLayouter::refreshIndicesLocked(bool nodesChanged) {
    const std::size_t n = snap.nodes.size();
    if (nodesChanged) {
        nodeIndex.clear();
        nodeIndex.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            // The first of duplicate entries wins, as a search from the front.
            nodeIndex.emplace(snap.nodes[i], static_cast<int32_t>(i));
        }
        // Degrees by the node's identifier, the first table entry for a node
        // winning; a node without an identifier has none.
        degrees.assign(n, 0);
        Array<uint8_t> known(n, 0);
        if (owner->graph_ != nullptr) {
            for (const auto& [id, node] : owner->nodeTable_) {
                auto found = nodeIndex.find(node);
                if (found != nodeIndex.end() && !known[found->second]) {
                    known[found->second] = 1;
                    degrees[found->second] = owner->graph_->degree(id);
                }
            }
        }
    }

    // An edge's ends never change, so the document's edge version tells
    // whether the end indices still hold; the edges themselves are only
    // visited when they do not.
    const auto& edges = owner->edges_;
    const std::size_t e = edges.size();
    const bool edgesChanged = nodesChanged || !indicesValid || e != snap.edgeA.size() ||
                              owner->edgeListVersion_ != lastEdgeListVersion;
    if (edgesChanged) {
        lastEdgeListVersion = owner->edgeListVersion_;
        snap.edgeA.resize(e);
        snap.edgeB.resize(e);
        for (std::size_t j = 0; j < e; ++j) {
            const EdgeEntity* edge = edges[j].get();
            auto a = nodeIndex.find(edge->nodeA);
            auto b = nodeIndex.find(edge->nodeB);
            snap.edgeA[j] = a != nodeIndex.end() ? a->second : -1;
            snap.edgeB[j] = b != nodeIndex.end() ? b->second : -1;
        }
    }
    indicesValid = true;
}

void PathwayLayouter::prepareCells() {
    const std::size_t n = snap.nodes.size();
    double side = snap.forces.cellSize;
    if (!(side > 0) || !std::isfinite(side)) {
        side = 0.1;
    }
    // The pathway's own grid; a non-positive or absurd extent still gives one
    // cell, and every protein outside the grid goes to the nearest edge cell.
    constexpr double LARGEST = 1 << 30;
    double columns = std::ceil(static_cast<double>(snap.width) / side);
    double rows = std::ceil(static_cast<double>(snap.height) / side);
    columns = columns >= 1 ? std::min(columns, LARGEST) : 1;
    rows = rows >= 1 ? std::min(rows, LARGEST) : 1;

    // A huge pathway shares cells between several of its own; the pair test
    // then keeps to the neighbours of the pathway's own grid, so the result
    // does not change, only the memory is bounded.
    const double limit = std::max(4096.0, 4.0 * static_cast<double>(n));
    double merge = 1;
    while (std::ceil(columns / merge) * std::ceil(rows / merge) > limit) {
        merge *= 2;
    }
    cells.nx = static_cast<int>(std::ceil(columns / merge));
    cells.ny = static_cast<int>(std::ceil(rows / merge));
    cells.side = side * merge;
    const int factor = static_cast<int>(merge);
    // The merge is a power of two, and cells are never negative: a shift
    // divides, on vector lanes too.
    const int shift = std::countr_zero(static_cast<unsigned>(factor));
    cellMerge = factor;

    const std::size_t cellCount =
        static_cast<std::size_t>(cells.nx) * static_cast<std::size_t>(cells.ny);
    cells.start.assign(cellCount + 1, 0);
    fineColumn.resize(n);
    fineRow.resize(n);
    cellOf.resize(n);
    const Placement at{snap.x.data(), snap.y.data(), snap.z.data(), snap.active.data()};
    const CellInputs in{at, side, columns, rows, shift, cells.ny};
    gridCells(in, n, fineColumn.data(), fineRow.data(), cellOf.data());
    for (std::size_t i = 0; i < n; ++i) {
        if (cellOf[i] >= 0) {
            ++cells.start[static_cast<std::size_t>(cellOf[i]) + 1];
        }
    }
    for (std::size_t c = 0; c < cellCount; ++c) {
        cells.start[c + 1] += cells.start[c];
    }
    cells.items.resize(static_cast<std::size_t>(cells.start[cellCount]));
    Array<int32_t> fill(cells.start.begin(), cells.start.end() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (cellOf[i] >= 0) {
            cells.items[static_cast<std::size_t>(fill[static_cast<std::size_t>(cellOf[i])]++)] =
                static_cast<int32_t>(i);
        }
    }
}

void PathwayLayouter::computeForces(Array<double>& fx, Array<double>& fy) {
    const std::size_t n = snap.nodes.size();
    fx.resize(n);
    fy.resize(n);
    const double c = 0.01 * snap.forces.repulsiveForce;
    const double s = 1e-05 * snap.forces.springForce;
    const double rest = 0.01 * snap.forces.edgeLength;
    const double width = snap.width, height = snap.height, depth = snap.depth;

    const bool anchored = n > 0 && snap.initialPositions.size() == n;
    const Placement at{snap.x.data(), snap.y.data(), snap.z.data(), snap.active.data()};
    const WallInputs in{at,
                        anchored ? snap.initialPositions.data() : nullptr,
                        3e-05 * c * c,
                        anchored ? 0.25 * (c + s) : 0.0,
                        width,
                        height,
                        depth};
    wallsAndAnchors(in, n, fx.data(), fy.data());

    addRepulsion(fx, fy, c, snap.forces.degreeWeight);

    // Edge springs: the pulls on vector lanes, then added up edge by edge.
    // (Without proteins in the snapshot there is no protein 0 to compute on.)
    const std::size_t e = n > 0 ? snap.edgeA.size() : 0;
    const SpringInputs springs{snap.edgeA.data(), snap.edgeB.data(), at, s,
                               static_cast<float>(rest)};
    Array<double> pullX(e), pullY(e);
    edgePulls(springs, e, pullX.data(), pullY.data());
    const int32_t* __restrict ends = snap.edgeA.data();
    const int32_t* __restrict others = snap.edgeB.data();
    const uint8_t* __restrict active = snap.active.data();
    double* __restrict gx = fx.data();
    double* __restrict gy = fy.data();
    for (std::size_t j = 0; j < e; ++j) {
        const int32_t a = ends[j], b = others[j];
        if (a < 0 || b < 0 || !active[a] || !active[b]) {
            continue;
        }
        gx[a] += pullX[j];
        gy[a] += pullY[j];
        gx[b] -= pullX[j];
        gy[b] -= pullY[j];
    }

    // Control points, within 0.5.
    const double kc = 5e-09 * c * c;
    for (const Vector3& point : snap.controlPoints) {
        for (std::size_t i = 0; i < n; ++i) {
            if (!snap.active[i]) {
                continue;
            }
            const double dx = static_cast<double>(snap.x[i]) - point.x;
            const double dy = static_cast<double>(snap.y[i]) - point.y;
            const double d2 = dx * dx + dy * dy;
            if (!(d2 > 0) || d2 > 0.25) {
                continue;
            }
            const double f = kc / (d2 * d2);
            fx[i] += f * dx;
            fy[i] += f * dy;
        }
    }
}

void PathwayLayouter::addRepulsion(Array<double>& fx, Array<double>& fy, double c,
                                   double degreeWeight) {
    // Gathered in cell order, so the pair loops run over contiguous memory.
    const std::size_t m = cells.items.size();
    const int32_t* items = cells.items.data();
    // Padded with far-away proteins for the vector loop's last blocks.
    const std::size_t padded = m + PAIR_LANES;
    Array<float> px(padded, 1e30f), py(padded, 1e30f), hw(padded, 0.0f), hh(padded, 0.0f),
        hd(padded, 0.0f), weight(padded, 0.0f);
    Array<float> rfx(padded, 0.0f), rfy(padded, 0.0f);
    Array<int32_t> level(padded, 0), column(padded, 0), row(padded, 0);
    float factor[33];
    for (int32_t l = 0; l < 33; ++l) {
        factor[l] = static_cast<float>(powInt(1.0 + degreeWeight, l));
    }
    shareRange(m, threads, kProteinsPerRun, [&](std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) {
            const auto i = static_cast<std::size_t>(items[k]);
            px[k] = snap.x[i];
            py[k] = snap.y[i];
            hw[k] = snap.halfWidth[i];
            hh[k] = snap.halfHeight[i];
            hd[k] = std::sqrt(hw[k] * hw[k] + hh[k] * hh[k]);
            level[k] = levelOf(degrees[i]);
            weight[k] = factor[level[k]];
            column[k] = fineColumn[i];
            row[k] = fineRow[i];
        }
    });
    // A pair counts twice (met from either side, each meeting pushing both);
    // met once here, it pushes both with twice the force.
    const double strength = 2.0 * c * 1e-05;
    const PairArrays arrays{px.data(),  py.data(),    hw.data(),     hh.data(),
                            hd.data(),  level.data(), weight.data(), column.data(),
                            row.data(), rfx.data(),   rfy.data()};
    const PairBlocks blocks{cells.start.data(), cells.nx, cells.ny, cellMerge > 1};
    const std::size_t cellCount = cells.start.size() - 1;
    stackOf.resize(m);
    entryOf.resize(m);
    if (!findAllStacks(arrays, cells.start.data(), cellCount, stackOf, entryOf, threads)) {
        if (repelAll(arrays, blocks, static_cast<float>(strength), threads)) {
            pushCoincident(arrays, blocks, items, strength);
        }
    } else {
        repelStacked(arrays, blocks, cells, stackOf, entryOf, items, strength, threads);
    }
    for (std::size_t k = 0; k < m; ++k) {
        const auto i = static_cast<std::size_t>(items[k]);
        fx[i] += rfx[k];
        fy[i] += rfy[k];
    }
}

void PathwayLayouter::forcesToMoves(Array<double>& fx, Array<double>& fy) const {
    cutToSteps(fx.data(), fy.data(), fx.size(), step);
}

void PathwayLayouter::writeBackLocked(const Array<double>& fx, const Array<double>& fy) {
    const Entity* inner = owner->edgeContainer_.get();
    const auto& nodes = owner->nodes_;
    const bool same =
        nodes.size() == snap.nodes.size() && owner->nodeListVersion_ == snap.nodeListVersion;
    // Each node moves on its own (its frames, its content): shared out while
    // this thread holds the mutex for all of them.
    const std::function<void(std::size_t, std::size_t)> move = [&](std::size_t from,
                                                                   std::size_t to) {
        for (std::size_t j = from; j < to; ++j) {
            if (j + PREFETCH_AHEAD < to) {
                nodes[j + PREFETCH_AHEAD]->prefetchMove();
            }
            NodeEntity* node = nodes[j].get();
            std::size_t i = j;
            if (!same) {
                // Nodes created since the snapshot are not moved, removed ones are
                // not in the list any more.
                auto found = nodeIndex.find(node);
                if (found == nodeIndex.end()) {
                    continue;
                }
                i = static_cast<std::size_t>(found->second);
            }
            // Proteins held directly by the pathway push but never move.
            if (node->getParent() != inner || inner == nullptr || !snap.active[i]) {
                continue;
            }
            const double dx = fx[i], dy = fy[i];
            if (std::isnan(dx)) {
                continue;
            }
            const Vector3 at = node->getLocalFrame().translation;
            node->moveInParent(
                Vector3(at.x + static_cast<float>(dx), at.y + static_cast<float>(dy), at.z));
        }
    };
    shareRange(nodes.size(), threads, kProteinsPerRun, move);
}

void PathwayLayoutEntity::stopLayouter() {
    if (layouter_ == nullptr) {
        return;
    }
    layouter_->requestStop();
    layouter_->wait();
    // Taking the mutex once more orders the thread's last write-back before
    // whatever the caller reads next, in a way race checkers can see too
    // (the thread library's wait is invisible to them).
    std::lock_guard<std::mutex> lock(layoutMutex);
}

void PathwayLayoutEntity::startLayouter() {
    if (layouter_ != nullptr) {
        stopLayouter();
        layouter_.reset();
    }
    layouter_ = std::make_unique<PathwayLayouter>(this);
    layouter_->step = 1.0;
    layouter_->start(QThread::InheritPriority);
}
