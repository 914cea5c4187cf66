// What the window benchmarks share: a built pathway file of any size and a
// scratch working folder that holds what the main window reads at start.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "model/ProteinGraph.h"
#include "pathway/PathwayLayoutEntity.h"

// A built network as the batch job leaves it: names, positions in the unit
// square, every 50th protein important, two interactions per protein.
inline void writeBuiltPathway(const std::string& path, int proteins) {
    PathwayLayoutEntity p(Vector3(0, 0, 0), "pathway", Vector3(1, 1, 0.01f), Color4(1, 1, 1, 1));
    p.setVisual(false);
    ProteinGraph& g = p.graph();
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0.02f, 0.98f);
    for (int i = 0; i < proteins; ++i) {
        const std::string id = "P" + std::to_string(i);
        g.addNode(id);
        g.setProteinName(id, "PROT" + std::to_string(i));
        g.setPosition(id, Vector3(unit(rng), -unit(rng), 0));
        if (i % 50 == 0)
            g.setImportant(id);
    }
    std::uniform_int_distribution<int> pick(0, proteins - 1);
    std::set<std::pair<int, int>> seen;
    while (static_cast<int>(seen.size()) < 2 * proteins) {
        const int a = pick(rng), b = pick(rng);
        if (a == b || !seen.insert({std::min(a, b), std::max(a, b)}).second)
            continue;
        g.addEdge("P" + std::to_string(a), "P" + std::to_string(b));
        g.setConfidence("P" + std::to_string(a), "P" + std::to_string(b), 900);
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
