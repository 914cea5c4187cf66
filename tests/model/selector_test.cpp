// Tests of the selector rules, their marking of the graph and the path measure.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "model/Property.h"
#include "model/PropertyGraph.h"
#include "model/ProteinGraph.h"
#include "model/SelectorKinds.h"
#include "model/SelectorPathSearch.h"

namespace {

using Ids = Array<std::string>;

Ids sorted(Ids ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

Ids selectAt(Selector& s, int threshold) {
    Ids out{"stale"};
    s.select(threshold, out);
    return sorted(out);
}

std::string describeOf(const Selector& s) {
    std::string out;
    s.describe(out);
    return out;
}

void addEdges(PropertyGraph& g, const Array<std::pair<std::string, std::string>>& edges) {
    for (const auto& [a, b] : edges) {
        g.addEdge(a, b);
    }
}

// The path search written out as a search from each member, one path at a time, with
// the scan going on past neighbours it cannot extend.
void searchFrom(const PropertyGraph& g, Ids& path, const Ids& members, int maxLength,
                Table<std::string, int>& measures) {
    Ids next;
    g.getNeighbours(path.back(), next);
    for (const std::string& b : next) {
        if (std::find(path.begin(), path.end(), b) != path.end()) {
            continue;
        }
        if (std::find(members.begin(), members.end(), b) != members.end()) {
            const int n = static_cast<int>(path.size());
            for (int i = 1; i < n; ++i) {
                const auto it = measures.find(path[i]);
                const int old = it == measures.end() ? 100000 : it->second;
                measures[path[i]] = std::min(old, n - 1);
            }
            continue;
        }
        if (static_cast<int>(path.size()) > maxLength) {
            continue;
        }
        path.push_back(b);
        searchFrom(g, path, members, maxLength, measures);
        path.pop_back();
    }
}

Table<std::string, int> directMeasures(const PropertyGraph& g, const Ids& members, int maxLength) {
    Table<std::string, int> measures;
    for (const std::string& p : members) {
        Ids path{p};
        searchFrom(g, path, members, maxLength, measures);
        measures[p] = 0;
    }
    return measures;
}

}  // namespace

TEST(SelectorTest, NamesDescriptionsAndDescribeTexts) {
    ProteinGraph g;
    addEdges(g, {{"a", "b"}, {"b", "c"}});
    PathSelectorFactory pathFactory(2);
    pathFactory.setProteins({"a", "c"});
    ProteinConnectivitySelectorFactory connectivity;
    AnnotationSelectorFactory annotation;
    ExploredSelectorFactory explored;
    ExperimentalSelectorFactory experimental;
    PathwayProteinsSelectorFactory pathway;
    struct Row {
        SelectorFactory* factory;
        std::string factoryName, selectorName, description, plain, inverted;
    };
    const Array<Row> rows = {
        {&connectivity, "Protein Connectivity", "Protein Connectivity",
         "Selects protein that gave more interactions than a certain number",
         "Selected proteins that have more or equal 1 interactions",
         "Selected proteins that have less than 1 interactions"},
        {&annotation, "Protein Annotation", "Protein Annotation",
         "Selects protein that have a term in their annotation/name",
         "Selected proteins that contain RECEPTOR in annotation",
         "Selected proteins that don't contain RECEPTOR in annotation"},
        {&pathFactory, "Path", "Path",
         "Selects protein that are one paths between two sets of proteins",
         "Selected proteins that are on paths shorter than 0",
         "Selected proteins that are not on paths shorter than 0"},
        {&explored, "Already explored", "Already Explored",
         "Selects proteins that haven't been looked at",
         "Selected proteins that have'n been looked at 0 %",
         "Selected proteins that have been looked at 0&"},
        {&experimental, "Experimental proteins", "Experimental Proteins",
         "Selects proteins that have heatmaps",
         "Selected proteins that have more or equal 0 experimental sites",
         "Selected proteins that have less than 0 experimental sites"},
        {&pathway, "Pathway Proteins", "Pathway Proteins",
         "Selects proteins that are in the pathway model",
         "Selected proteins that are in the pathway model", "All proteins selected"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.factory->getName(), row.factoryName);
        EXPECT_EQ(row.factory->getDescription(), row.description);
        std::unique_ptr<Selector> s = row.factory->create("S", &g, false);
        EXPECT_EQ(s->getName(), row.selectorName);
        EXPECT_EQ(s->getDescription(), row.description);
        // Before any select the text speaks of the smallest threshold.
        EXPECT_EQ(s->getLastThreshold(), s->getMinThreshold()) << row.selectorName;
        EXPECT_EQ(describeOf(*s), row.plain);
        s->invert();
        EXPECT_EQ(describeOf(*s), row.inverted);
    }
}

TEST(SelectorTest, ConnectivityOnAStar) {
    PropertyGraph g;
    addEdges(g, {{"hub", "l1"}, {"hub", "l2"}, {"hub", "l3"}, {"hub", "l4"}, {"hub", "l5"}});
    ProteinConnectivitySelector s("c", &g, false);
    EXPECT_EQ(s.getMinThreshold(), 1);
    EXPECT_EQ(s.getMaxThreshold(), 5);
    EXPECT_EQ(selectAt(s, 3), Ids{"hub"});
    s.invert();
    EXPECT_EQ(selectAt(s, 3), (Ids{"l1", "l2", "l3", "l4", "l5"}));
    EXPECT_EQ(describeOf(s), "Selected proteins that have less than 3 interactions");
    // Proteins removed since construction are never answered.
    g.removeNode("l2");
    EXPECT_EQ(selectAt(s, 3), (Ids{"l1", "l3", "l4", "l5"}));
}

TEST(SelectorTest, AnnotationIgnoresCaseAndClampsThreshold) {
    PropertyGraph g;
    for (const auto& [id, longname] : Array<std::pair<std::string, std::string>>{
             {"k", "Tyrosine-protein Kinase"}, {"r", "insulin receptor"}, {"b", "DNA binding"}}) {
        g.addNode(id);
        g.addNodeProperty(id, std::make_unique<Property>("longname", longname));
    }
    g.addNode("none");
    AnnotationSelector s("a", &g, false);
    EXPECT_EQ(s.getMaxThreshold(), 2);
    EXPECT_EQ(selectAt(s, 1), Ids{"k"});
    EXPECT_EQ(selectAt(s, -1), Ids{"r"});
    EXPECT_EQ(s.getLastThreshold(), 0);
    EXPECT_EQ(selectAt(s, 3), Ids{"b"});
    EXPECT_EQ(describeOf(s), "Selected proteins that contain BINDING in annotation");
    s.invert();
    EXPECT_EQ(selectAt(s, 1), (Ids{"b", "none", "r"}));
}

TEST(SelectorTest, PathMeasuresOnAChain) {
    PropertyGraph g;
    addEdges(g, {{"a", "b"}, {"b", "c"}, {"c", "d"}});
    g.addNode("lone");
    PathSelector s("p", &g, 3, {"a", "c"}, false);
    EXPECT_EQ(s.getMeasure("a"), 0);
    EXPECT_EQ(s.getMeasure("b"), 1);
    EXPECT_EQ(s.getMeasure("c"), 0);
    EXPECT_EQ(s.getMeasure("d"), 4);
    EXPECT_EQ(s.getMeasure("lone"), 4);
    EXPECT_EQ(s.getMinThreshold(), 0);
    EXPECT_EQ(s.getMaxThreshold(), 4);
    EXPECT_EQ(selectAt(s, 1), (Ids{"a", "b", "c"}));
    s.invert();
    EXPECT_EQ(selectAt(s, 1), (Ids{"d", "lone"}));
}

TEST(SelectorTest, PathScanGoesOnPastNeighboursItCannotExtend) {
    // b's neighbours come in the order x, a, c; with length 1 x cannot be extended,
    // and c must still be seen to complete a - b - c.
    PropertyGraph g;
    addEdges(g, {{"b", "x"}, {"a", "b"}, {"b", "c"}});
    PathSelector s("p", &g, 1, {"a", "c"}, false);
    EXPECT_EQ(s.getMeasure("b"), 1);
    EXPECT_EQ(s.getMeasure("x"), 2);
}

TEST(SelectorTest, PathMeasuresMatchTheDirectSearch) {
    std::mt19937 rng(20240607);
    int compared = 0;
    int onPaths = 0;
    for (int round = 0; round < 2000; ++round) {
        PropertyGraph g;
        const int n = 3 + static_cast<int>(rng() % 10);
        const int density = 15 + static_cast<int>(rng() % 50);
        for (int i = 0; i < n; ++i) {
            g.addNode("n" + std::to_string(i));
        }
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                if (static_cast<int>(rng() % 100) < density) {
                    if (rng() % 2) {
                        g.addEdge("n" + std::to_string(i), "n" + std::to_string(j));
                    } else {
                        g.addEdge("n" + std::to_string(j), "n" + std::to_string(i));
                    }
                }
            }
        }
        Ids members;
        for (int i = 0; i < n; ++i) {
            if (rng() % 4 == 0) {
                members.push_back("n" + std::to_string(i));
            }
            if (rng() % 9 == 0) {
                g.addTag("n" + std::to_string(i), "t");
            }
        }
        if (rng() % 5 == 0) {
            members.push_back("absent");
        }
        g.filteringEnabled = rng() % 3 != 0;
        const int length = static_cast<int>(rng() % 6);
        const Table<std::string, int> expected = directMeasures(g, members, length);
        PathSelector s("p", &g, length, members, false);
        Ids nodes;
        g.getNodes(nodes);
        for (const std::string& node : nodes) {
            const auto it = expected.find(node);
            const int want = it == expected.end() ? length + 1 : it->second;
            ASSERT_EQ(s.getMeasure(node), want) << "round " << round << " node " << node;
            ++compared;
            onPaths += want >= 2 && want <= length ? 1 : 0;
        }
    }
    EXPECT_GT(compared, 10000);
    EXPECT_GT(onPaths, 1000);  // enough longer paths for the comparison to mean something
}

TEST(SelectorTest, AutomaticPathLengthCountsHiddenNodes) {
    PathSelectorFactory automatic;
    PathSelectorFactory fixed(5);
    for (const auto& [count, length] :
         Array<std::pair<int, int>>{{1000, 4}, {1001, 3}, {2000, 3}, {2001, 2}}) {
        PropertyGraph g;
        for (int i = 0; i < count; ++i) {
            g.addNode("n" + std::to_string(i));
        }
        g.addTag("n0", "hidden");
        EXPECT_EQ(automatic.pathLengthFor(&g), length) << count;
        EXPECT_EQ(fixed.pathLengthFor(&g), 5);
    }
    PropertyGraph small;
    addEdges(small, {{"a", "b"}});
    std::unique_ptr<Selector> s = automatic.create("p", &small, false);
    EXPECT_EQ(s->getMaxThreshold(), 5);
}

TEST(SelectorTest, StackedMarkingSelectorsAndDeletionThroughTheBase) {
    PropertyGraph g;
    addEdges(g, {{"hub", "a"}, {"hub", "b"}, {"a", "b"}, {"hub", "c"}, {"d", "e"}});
    g.addNode("z");
    ProteinConnectivitySelectorFactory factory;
    std::unique_ptr<Selector> first = factory.create("Filter1", &g, true);
    first->markGraph(1);  // hides z
    Ids visible;
    visible.clear();
    g.getNodes(visible);
    EXPECT_EQ(visible.size(), 6u);

    std::unique_ptr<Selector> second = factory.create("Filter2", &g, true);
    second->markGraph(2);  // keeps hub, a, b; z is already hidden and gets no second tag
    visible.clear();
    g.getNodes(visible);
    EXPECT_EQ(sorted(visible), (Ids{"a", "b", "hub"}));

    first.reset();  // what only the first hid comes back
    visible.clear();
    g.getNodes(visible);
    EXPECT_EQ(sorted(visible), (Ids{"a", "b", "hub", "z"}));
    second.reset();
    visible.clear();
    g.getNodes(visible);
    EXPECT_EQ(visible.size(), 7u);

    // Marking again after inverting hides what was selected before.
    {
        ProteinConnectivitySelector s("again", &g, true);
        s.markGraph(2);
        s.invert();
        s.markGraph(2);
        visible.clear();
        g.getNodes(visible);
        EXPECT_EQ(sorted(visible), (Ids{"c", "d", "e", "z"}));
    }
    visible.clear();
    g.getNodes(visible);
    EXPECT_EQ(visible.size(), 7u);

    // With filtering off every node takes tags; marking twice must not leave a second
    // tag behind once the selector is gone.
    g.filteringEnabled = false;
    {
        ProteinConnectivitySelector s("twice", &g, true);
        s.markGraph(2);
        s.markGraph(2);
        EXPECT_TRUE(g.hasNodeTags("c"));
        EXPECT_FALSE(g.hasNodeTags("hub"));
    }
    EXPECT_FALSE(g.hasNodeTags("c"));
    g.filteringEnabled = true;

    // A non-marking selector never tags.
    ProteinConnectivitySelector quiet("quiet", &g, false);
    quiet.markGraph(100);
    EXPECT_FALSE(g.hasNodeTags("a"));
}

TEST(SelectorTest, SelectorsOutlivingTheirGraphLeaveItAlone) {
    // A window page may hold filters past the pathway that owned the graph.
    std::unique_ptr<Selector> filter;
    std::unique_ptr<Selector> pathway;
    {
        ProteinGraph g;
        addEdges(g, {{"hub", "a"}, {"hub", "b"}});
        g.setImportant("hub");
        filter = ProteinConnectivitySelectorFactory().create("Filter1", &g, true);
        filter->markGraph(2);
        pathway = PathwayProteinsSelectorFactory().create("Filter2", &g, true);
    }
    filter->markGraph(1);
    Ids out{"stale"};
    pathway->select(0, out);
    EXPECT_TRUE(out.empty());
    filter.reset();
    pathway.reset();
}

TEST(SelectorTest, PathwayProteinsFourCases) {
    ProteinGraph g;
    addEdges(g, {{"seed", "x"}, {"x", "y"}});
    g.setImportant("seed");
    PathwayProteinsSelector s("pp", &g, false);
    EXPECT_EQ(selectAt(s, 0), Ids{"seed"});
    EXPECT_EQ(describeOf(s), "Selected proteins that are in the pathway model");
    EXPECT_EQ(selectAt(s, 1), (Ids{"seed", "x", "y"}));
    EXPECT_EQ(describeOf(s), "All proteins selected");
    s.invert();
    EXPECT_EQ(selectAt(s, 0), (Ids{"seed", "x", "y"}));
    EXPECT_EQ(describeOf(s), "All proteins selected");
    EXPECT_EQ(selectAt(s, 1), Ids{"seed"});
    EXPECT_EQ(describeOf(s), "Selected proteins that are in the pathway model");
}

TEST(SelectorTest, ExploredAndExperimentalValues) {
    ProteinGraph g;
    addEdges(g, {{"p", "q"}, {"p", "r"}});
    g.addNodeProperty("r", std::make_unique<Property>("explored", "70"));
    g.setExplorationScore("p", 10);
    g.setExplorationScore("q", 20);
    // p: 10 + 0.5 * mean(q: 20 + 0.5 * 10, r: 0 + 0.5 * 10) = 17.5, 35 % of the cap;
    // q: 20 + 0.5 * (p: 10 + 0.5 * mean(20, 0)) = 27.5, 55 %; r has its own value.
    ExploredSelector explored("e", &g, false);
    EXPECT_EQ(explored.getMaxThreshold(), 100);
    EXPECT_EQ(selectAt(explored, 35), (Ids{"p", "q", "r"}));
    EXPECT_EQ(selectAt(explored, 36), (Ids{"q", "r"}));
    EXPECT_EQ(selectAt(explored, 56), Ids{"r"});

    g.addNodeProperty("q", std::make_unique<Property>("heatmap", Ids{"e1", "e2", "e3"}));
    g.addNodeProperty("p", std::make_unique<Property>("heatmap", Ids{"e1"}));
    ExperimentalSelector experimental("x", &g, false);
    EXPECT_EQ(experimental.getMaxThreshold(), 3);
    EXPECT_EQ(selectAt(experimental, 1), (Ids{"p", "q"}));
    EXPECT_EQ(selectAt(experimental, 2), Ids{"q"});
}
