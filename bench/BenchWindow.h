// What the window benchmarks share: a built pathway file of any size and a
// scratch working folder that holds what the main window reads at start.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"

// A built network as the batch job leaves it: names, positions in the unit
// square, every 50th protein important, two interactions per protein: between
// random pairs, lines across the view, or with `nearPairs` between proteins
// next to each other, as a layout leaves them.
inline void writeBuiltPathway(const std::string& path, int proteins, bool nearPairs = false) {
    PathwayLayoutEntity p(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    p.setVisual(false);
    ProteinGraph& g = p.graph();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.02f, 0.98f);
    std::vector<Vector3> positions;
    for (int i = 0; i < proteins; ++i) {
        const std::string id = "P" + std::to_string(i);
        g.addNode(id);
        g.setProteinName(id, "PROT" + std::to_string(i));
        positions.push_back(Vector3(unit(rng), -unit(rng), 0));
        g.setPosition(id, positions.back());
        if (i % 50 == 0)
            g.setImportant(id);
    }
    auto link = [&g](int a, int b) {
        g.addEdge("P" + std::to_string(a), "P" + std::to_string(b));
        g.setConfidence("P" + std::to_string(a), "P" + std::to_string(b), 900);
    };
    if (nearPairs) {
        // Along rows of about sqrt(N) proteins, turning at their ends, each
        // linked to the next two.
        const int rows = std::max(1, static_cast<int>(std::sqrt(double(proteins))));
        std::vector<std::pair<std::pair<int, float>, int>> order;
        for (int i = 0; i < proteins; ++i) {
            const Vector3& at = positions[std::size_t(i)];
            const int row = std::min(rows - 1, int(-at.y * float(rows)));
            order.push_back({{row, row % 2 == 0 ? at.x : -at.x}, i});
        }
        std::sort(order.begin(), order.end());
        for (std::size_t i = 0; i + 2 < order.size(); ++i) {
            link(order[i].second, order[i + 1].second);
            link(order[i].second, order[i + 2].second);
        }
    } else {
        std::uniform_int_distribution<int> pick(0, proteins - 1);
        std::set<std::pair<int, int>> seen;
        while (static_cast<int>(seen.size()) < 2 * proteins) {
            const int a = pick(rng), b = pick(rng);
            if (a == b || !seen.insert({std::min(a, b), std::max(a, b)}).second)
                continue;
            link(a, b);
        }
    }
    p.setHasNetwork(true);
    if (!p.savePathway(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Makes `root` a working folder as scripts/run leaves it (the textures and
// config.txt) and enters it.
inline void enterScratchFolder(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    const fs::path source = CORVIDANE_SOURCE_DIR;
    fs::create_directory_symlink(source / "resources" / "textures", root / "textures");
    fs::copy_file(source / "samples" / "config.txt", root / "config.txt");
    fs::current_path(root);
}

// The one window session of a benchmark program, made on first use. main
// ends it with sessionHolder<S>().reset() while the application object still
// exists, since the window cannot outlive it.
template <class S>
std::unique_ptr<S>& sessionHolder() {
    static std::unique_ptr<S> held;
    return held;
}

template <class S>
S& sessionOf() {
    std::unique_ptr<S>& held = sessionHolder<S>();
    if (!held)
        held = std::make_unique<S>();
    return *held;
}
