// The property graph: edges without orientation, tags and the filtering switch,
// refusal of what the text form cannot carry, and exact text round trips.
#include "model/PropertyGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "model/TextFile.h"

namespace {

Array<std::string> nodesOf(const PropertyGraph& g) {
    Array<std::string> out;
    g.getNodes(out);
    return out;
}

Array<std::string> edgesOf(const PropertyGraph& g, bool both = false) {
    Array<std::string> from, to, out;
    g.getEdges(from, to, both);
    for (size_t i = 0; i < from.size(); ++i) {
        out.push_back(from[i] + "|" + to[i]);
    }
    return out;
}

Array<std::string> neighboursOf(const PropertyGraph& g, const std::string& id) {
    Array<std::string> out{"stale"};
    g.getNeighbours(id, out);
    return out;
}

std::unique_ptr<Property> prop(std::string name, Array<std::string> values) {
    return std::make_unique<Property>(std::move(name), std::move(values));
}

Array<std::string> textOf(const PropertyGraph& g) {
    Array<std::string> lines;
    g.writeGraph(lines);
    return lines;
}

class GraphFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("corvidane_pgraph_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string writeFile(const Array<std::string>& lines, const std::string& tail = "") {
        const std::string path = (dir_ / ("g" + std::to_string(counter_++) + ".txt")).string();
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : lines) {
            out << line << "\n";
        }
        out << tail;
        return path;
    }

    bool readInto(PropertyGraph& g, const std::string& path) {
        TextFileReader reader;
        reader.open(path);
        const bool ok = g.readGraph(reader);
        reader.close();
        return ok;
    }

    std::filesystem::path dir_;
    int counter_ = 0;
};

TEST(PropertyTest, DefaultsAndFirstValue) {
    Property p;
    EXPECT_EQ(p.values, (Array<std::string>{""}));
    p.values.clear();
    EXPECT_TRUE(std::isinf(p.getVector3().x));
    EXPECT_TRUE(p.setValue(Vector3(1, 2.5f, -3)));
    EXPECT_EQ(p.getVector3(), Vector3(1, 2.5f, -3));
    p.values = {"a", "b"};
    EXPECT_TRUE(p.setValue("c"));
    EXPECT_FALSE(p.setValue("two\nlines"));
    EXPECT_FALSE(p.addValue("}"));
    EXPECT_EQ(p.values, (Array<std::string>{"c", "b"}));
}

TEST(PropertyGraphTest, EdgesHaveNoOrientation) {
    PropertyGraph g;
    EXPECT_TRUE(g.addEdge("a", "b"));
    EXPECT_TRUE(g.addEdge("b", "a"));
    EXPECT_EQ(nodesOf(g), (Array<std::string>{"a", "b"}));
    EXPECT_EQ(edgesOf(g), (Array<std::string>{"a|b"}));
    EXPECT_EQ(edgesOf(g, true), (Array<std::string>{"a|b", "b|a"}));
    EXPECT_EQ(neighboursOf(g, "a"), (Array<std::string>{"b"}));
    EXPECT_EQ(neighboursOf(g, "b"), (Array<std::string>{"a"}));

    EXPECT_EQ(g.getEdgeProperties("a", "b"), nullptr);
    ASSERT_NE(g.addEdgeProperty("a", "b", prop("confidence", {"900"})), nullptr);
    ASSERT_NE(g.getEdgeProperties("b", "a"), nullptr);
    EXPECT_EQ(g.findEdgeProperty("b", "a", "confidence")->getValue(), "900");
    EXPECT_EQ(g.addEdgeProperty("b", "a", prop("confidence", {"1"})), nullptr);
    EXPECT_EQ(g.addEdgeProperty("a", "zz", prop("confidence", {"1"})), nullptr);

    g.removeEdge("b", "a");
    EXPECT_TRUE(edgesOf(g).empty());
    EXPECT_TRUE(neighboursOf(g, "a").empty());
    EXPECT_FALSE(g.hasEdge("a", "b"));
    g.addEdge("a", "b");
    EXPECT_EQ(g.getEdgeProperties("a", "b"), nullptr);  // the old list went with the edge
}

TEST(PropertyGraphTest, EdgeVisitsGiveTheEndsPlacesInNodeOrder) {
    PropertyGraph g;
    g.addEdge("a", "b");
    g.addEdge("c", "a");
    g.addEdge("b", "b");
    int visits = 0;
    g.forEachEdge([&](const PropertyGraph::EdgeVisit& e) {
        ++visits;
        EXPECT_EQ(static_cast<std::ptrdiff_t>(e.placeOfA), g.placeOf(e.a)) << e.a << "|" << e.b;
        EXPECT_EQ(static_cast<std::ptrdiff_t>(e.placeOfB), g.placeOf(e.b)) << e.a << "|" << e.b;
    });
    EXPECT_EQ(visits, 3);
    EXPECT_EQ(g.placeOf("c"), 2);
    EXPECT_EQ(g.placeOf("d"), -1);
}

TEST(PropertyGraphTest, FilteringHidesTaggedNodesAndTheirEdges) {
    PropertyGraph g;
    g.addEdge("hub", "n");
    g.addEdge("hub", "m");
    g.addEdge("n", "m");
    g.addNodeProperty("n", prop("name", {"N"}));
    g.addTag("n", "sel");

    EXPECT_EQ(nodesOf(g), (Array<std::string>{"hub", "m"}));
    EXPECT_EQ(edgesOf(g), (Array<std::string>{"hub|m"}));
    EXPECT_EQ(g.getNodeProperties("n"), nullptr);
    EXPECT_EQ(g.findNodeProperty("n", "name"), nullptr);
    EXPECT_EQ(g.degree("hub"), 1);
    EXPECT_FALSE(g.isNodeVisible("n"));
    EXPECT_FALSE(g.isEdgeVisible("hub", "n"));
    EXPECT_TRUE(neighboursOf(g, "n").empty());

    g.filteringEnabled = false;
    EXPECT_EQ(nodesOf(g), (Array<std::string>{"hub", "n", "m"}));
    EXPECT_EQ(edgesOf(g).size(), 3u);
    EXPECT_EQ(g.findNodeProperty("n", "name")->getValue(), "N");
    // The neighbour test ignores the switch.
    EXPECT_EQ(neighboursOf(g, "hub"), (Array<std::string>{"m"}));
    EXPECT_EQ(g.degree("hub"), 1);
    EXPECT_EQ(g.nodeCount(), 3);
}

TEST(PropertyGraphTest, TagsUnderFiltering) {
    PropertyGraph g;
    g.addNode("n");
    g.addTag("n", "t1");
    g.addTag("n", "t2");  // hidden already: takes no further tag
    g.removeTag("n", "t1");
    EXPECT_TRUE(g.isNodeVisible("n"));
    g.addTag("n", "a");
    g.filteringEnabled = false;
    g.addTag("n", "b");
    g.removeTag("n", "");
    EXPECT_FALSE(g.hasNodeTags("n"));
    g.filteringEnabled = true;
    g.addTag("n", "c");
    g.removeNode("n");
    g.addNode("n");  // back without the tag it went with
    EXPECT_TRUE(g.isNodeVisible("n"));
}

TEST(PropertyGraphTest, RefusesWhatTheTextFormCannotCarry) {
    PropertyGraph g;
    for (const std::string bad : {"", "{", "}", "a\nb", "a\rb", "a|b"}) {
        EXPECT_FALSE(g.addNode(bad)) << bad;
        EXPECT_FALSE(g.addEdge("ok", bad)) << bad;
    }
    EXPECT_EQ(g.nodeCount(), 0);

    g.addNode("n");
    EXPECT_EQ(g.addNodeProperty("n", prop("}", {"v"})), nullptr);
    EXPECT_EQ(g.addNodeProperty("n", prop("", {"v"})), nullptr);
    EXPECT_EQ(g.addNodeProperty("n", prop("x", {"one\ntwo"})), nullptr);
    EXPECT_EQ(g.addNodeProperty("n", prop("x", {"}"})), nullptr);
    EXPECT_EQ(g.getNodeProperties("n"), nullptr);
    EXPECT_EQ(g.setMetaProperty("k", prop("a|b", {"v"})), nullptr);
    EXPECT_EQ(g.setMetaProperty("k\n", prop("grp", {"v"})), nullptr);
    EXPECT_EQ(g.setMetaProperty("k", prop("grp", {"v\n"})), nullptr);
    EXPECT_EQ(g.getMetaProperty("grp", "k"), nullptr);
    EXPECT_EQ(g.addNodeProperty("n", nullptr), nullptr);
}

TEST(PropertyGraphTest, WritesTheDocumentedForm) {
    PropertyGraph g;
    g.addEdge("1234", "99");
    g.addNodeProperty("1234", prop("confidence", {"0.9"}));
    g.setMetaProperty("1234|99", prop("distance", {"1#1234"}));
    std::string joined;
    for (const std::string& line : textOf(g)) {
        joined += line + "\n";
    }
    EXPECT_EQ(joined,
              "nodes\n{\n1234\n99\n}\nedges\n{\n1234|99\n}\n"
              "node properties\n1234\n{\nconfidence\n{\n0.9\n}\n}\n}\n"
              "edge properties\n}\nmeta properties\ndistance|1234|99\n{\n1#1234\n}\n}\n");
    // With filtering on, hidden parts are left out.
    g.addTag("99", "t");
    Array<std::string> hidden = textOf(g);
    EXPECT_EQ(std::count(hidden.begin(), hidden.end(), "99"), 0);
}

TEST_F(GraphFileTest, WriteReadWriteIsByteIdentical) {
    PropertyGraph g;
    g.addEdge("P1", "P2");
    g.addEdge("P3", "P1");
    g.addNode("lonely one");
    g.addNodeProperty("P1", prop("name", {"Alpha"}));
    g.addNodeProperty("P1", prop("blankFirst", {"", "x"}));
    g.addNodeProperty("P1", prop("onlyBlank", {""}));
    g.addNodeProperty("P1", prop("none", {}));
    g.addNodeProperty("P2", prop("braces", {"{", "a } b", "\t"}));
    g.addEdgeProperty("P1", "P3", prop("confidence", {"700"}));
    g.setMetaProperty("s|n", prop("distance", {"2#P1"}));
    g.setMetaProperty("mine", prop("selection", {"P1 P2"}));
    g.setMetaProperty("selection_names", prop("selection_names", {"mine"}));

    const Array<std::string> first = textOf(g);
    PropertyGraph back;
    ASSERT_TRUE(readInto(back, writeFile(first)));
    EXPECT_EQ(textOf(back), first);

    EXPECT_EQ(back.findNodeProperty("P1", "blankFirst")->values, (Array<std::string>{"", "x"}));
    EXPECT_EQ(back.findNodeProperty("P1", "onlyBlank")->values, (Array<std::string>{""}));
    EXPECT_TRUE(back.findNodeProperty("P1", "none")->values.empty());
    EXPECT_EQ(back.findNodeProperty("P2", "braces")->values,
              (Array<std::string>{"{", "a } b", "\t"}));
    EXPECT_EQ(back.findEdgeProperty("P3", "P1", "confidence")->getValue(), "700");
    EXPECT_EQ(back.getMetaProperty("distance", "s|n")->getValue(), "2#P1");
    EXPECT_EQ(back.getMetaProperty("selection", "mine")->getValue(), "P1 P2");
    EXPECT_EQ(nodesOf(back), (Array<std::string>{"P1", "P2", "P3", "lonely one"}));
}

TEST_F(GraphFileTest, ReadingReplacesTheGraphAndToleratesCrLf) {
    PropertyGraph g;
    g.addEdge("a", "b");
    g.addNodeProperty("a", prop("v", {"", "x"}));
    std::string crlf;
    for (const std::string& line : textOf(g)) {
        crlf += line + "\r\n";
    }
    PropertyGraph back;
    back.addEdge("old", "stuff");
    back.addTag("old", "t");
    ASSERT_TRUE(readInto(back, writeFile({}, crlf)));
    EXPECT_EQ(nodesOf(back), (Array<std::string>{"a", "b"}));
    EXPECT_FALSE(back.hasNode("old"));
    EXPECT_EQ(back.findNodeProperty("a", "v")->values, (Array<std::string>{"", "x"}));
}

TEST_F(GraphFileTest, TruncatedOrMalformedFormsFail) {
    PropertyGraph g;
    g.addEdge("a", "b");
    g.addNodeProperty("a", prop("v", {"1", "2"}));
    g.addEdgeProperty("a", "b", prop("w", {"3"}));
    g.setMetaProperty("k", prop("grp", {"4"}));
    const Array<std::string> full = textOf(g);

    // Every cut before the last line ends the reading with a failure.
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Array<std::string> head(full.begin(), full.begin() + cut);
        PropertyGraph back;
        EXPECT_FALSE(readInto(back, writeFile(head))) << "cut at " << cut;
        EXPECT_FALSE(back.hasNode(""));
    }

    Array<std::string> noBrace = full;
    noBrace[1] = "nodes again";
    PropertyGraph back;
    EXPECT_FALSE(readInto(back, writeFile(noBrace)));

    Array<std::string> badEdge = full;
    badEdge[7] = "a-b";
    EXPECT_FALSE(readInto(back, writeFile(badEdge)));
    EXPECT_FALSE(back.hasNode(""));

    EXPECT_FALSE(readInto(back, (dir_ / "missing.txt").string()));
}

TEST_F(GraphFileTest, RemoveNodeNextToTaggedNeighbourLeavesNothingBehind) {
    PropertyGraph g;
    g.addEdge("gone", "hidden");
    g.addEdge("gone", "kept");
    g.addEdgeProperty("gone", "hidden", prop("confidence", {"5"}));
    g.addNodeProperty("gone", prop("name", {"G"}));
    g.addTag("hidden", "selector");

    g.removeNode("gone");
    g.filteringEnabled = false;
    EXPECT_EQ(nodesOf(g), (Array<std::string>{"hidden", "kept"}));
    EXPECT_TRUE(edgesOf(g).empty());

    PropertyGraph back;
    ASSERT_TRUE(readInto(back, writeFile(textOf(g))));
    EXPECT_FALSE(back.hasNode("gone"));
    EXPECT_TRUE(edgesOf(back).empty());
}

TEST(PropertyGraphTest, SelfLoopIsOneEdge) {
    PropertyGraph g;
    g.addEdge("a", "a");
    EXPECT_EQ(edgesOf(g), (Array<std::string>{"a|a"}));
    g.removeEdge("a", "a");
    EXPECT_TRUE(edgesOf(g).empty());
    EXPECT_TRUE(neighboursOf(g, "a").empty());
}

TEST(PropertyGraphTest, SelfLoopsInNodeOrderHiddenOnesToo) {
    PropertyGraph g;
    g.addEdge("c", "b");
    g.addEdge("b", "b");
    g.addEdge("a", "c");
    g.addEdge("c", "c");
    g.addEdge("a", "a");
    g.addTag("c", "selector");
    Array<std::string> loops;
    g.getSelfLoops(loops);
    EXPECT_EQ(loops, (Array<std::string>{"c", "b", "a"}));
    g.removeEdge("b", "b");
    loops.clear();
    g.getSelfLoops(loops);
    EXPECT_EQ(loops, (Array<std::string>{"c", "a"}));
}

}  // namespace

TEST_F(GraphFileTest, DistanceEntriesOfAnyFormKeepTheirBytesAndOrder) {
    PropertyGraph g;
    g.addEdge("s", "n");
    g.setMetaProperty("mine", prop("selection", {"s n"}));
    // The usual form beside forms a hand-edited file may hold.
    g.setMetaProperty("s|n", prop("distance", {"2#s"}));
    g.setMetaProperty("s|m", prop("distance", {"007#x"}));
    g.setMetaProperty("lonely", prop("distance", {"1#a", "second"}));
    g.setMetaProperty("s|", prop("distance", {}));
    g.setMetaProperty("n|s|x", prop("distance", {"-3#"}));
    g.setMetaProperty("a|b", prop("distance", {"99999999999#v"}));
    g.setMetaProperty("selection", prop("distance", {"s"}));  // a selection named "distance"
    const Array<std::string> first = textOf(g);

    PropertyGraph back;
    ASSERT_TRUE(readInto(back, writeFile(first)));
    EXPECT_EQ(textOf(back), first);
    Array<std::string> values;
    ASSERT_TRUE(back.getMetaValues("distance", "lonely", values));
    EXPECT_EQ(values, (Array<std::string>{"1#a", "second"}));
    EXPECT_TRUE(back.getMetaValues("distance", "n|s|x", values));
    EXPECT_EQ(values, (Array<std::string>{"-3#"}));
    EXPECT_FALSE(back.getMetaValues("distance", "n|s", values));
    EXPECT_EQ(back.getMetaProperty("distance", "selection")->getValue(), "s");

    // A property handed out for an entry writes through, in the entry's place.
    Property* entry = back.getMetaProperty("distance", "s|n");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->name, "distance");
    entry->setValue("5#z");
    Array<std::string> changed = first;
    const auto at = std::find(changed.begin(), changed.end(), "distance|s|n");
    ASSERT_NE(at, changed.end());
    *(at + 2) = "5#z";
    EXPECT_EQ(textOf(back), changed);

    // Replacing keeps the place; removing and adding again goes to the end.
    back.setMetaProperty("s|n", prop("distance", {"2#s"}));
    EXPECT_EQ(textOf(back), first);
    back.removeMetaProperty("distance", "s|m");
    EXPECT_FALSE(back.getMetaValues("distance", "s|m", values));
    back.setMetaProperty("s|m", prop("distance", {"007#x"}));
    Array<std::string> text = textOf(back);
    EXPECT_EQ(text[text.size() - 5], "distance|s|m");

    // The group goes as a whole and comes back after the others.
    back.removeMetaGroup("distance");
    back.setMetaProperty("s|n", prop("distance", {"1#s"}));
    back.setMetaProperty("other", prop("selection_names", {"mine"}));
    text = textOf(back);
    const auto group = std::find(text.begin(), text.end(), "distance|s|n");
    ASSERT_NE(group, text.end());
    EXPECT_EQ(std::count(text.begin(), text.end(), "distance|a|b"), 0);
    EXPECT_LT(std::find(text.begin(), text.end(), "selection|mine"), group);
    EXPECT_LT(group, std::find(text.begin(), text.end(), "selection_names|other"));
}

TEST(PropertyGraphTest, RemovingManyNodesAtOnceEqualsRemovingThemOneByOne) {
    // A hub, a chain, self-loops, tags and properties on both sides of the cut.
    auto build = [](PropertyGraph& g) {
        for (int i = 0; i < 60; ++i) {
            const std::string id = "n" + std::to_string(i);
            g.addEdge("hub", id);
            g.addEdge(id, "n" + std::to_string((i * 7 + 3) % 60));
            g.addNodeProperty(id, prop("v", {std::to_string(i)}));
            g.addEdgeProperty("hub", id, prop("w", {std::to_string(i)}));
        }
        g.addEdge("n5", "n5");
        g.addEdge("n6", "n6");
        g.addNode("alone");
        g.addTag("n7", "hidden");
    };
    PropertyGraph many, single;
    build(many);
    build(single);
    Array<std::string> doomed{"ghost", "n6"};
    for (int i = 0; i < 60; i += 3) {
        doomed.push_back("n" + std::to_string(i));
    }
    doomed.push_back("n3");  // twice
    many.removeNodes(doomed);
    for (const std::string& id : doomed) {
        single.removeNode(id);
    }
    many.filteringEnabled = single.filteringEnabled = false;
    EXPECT_EQ(textOf(many), textOf(single));
    EXPECT_EQ(nodesOf(many), nodesOf(single));
    EXPECT_EQ(neighboursOf(many, "hub"), neighboursOf(single, "hub"));
    EXPECT_EQ(many.degree("hub"), 39);  // 40 left, n7 hidden
    EXPECT_FALSE(many.hasEdge("hub", "n0"));
    EXPECT_TRUE(many.hasEdge("n5", "n5"));
    EXPECT_FALSE(many.hasNode("n6"));
    EXPECT_TRUE(many.hasNodeTags("n7"));
    // A removed node comes back bare.
    many.addEdge("n0", "hub");
    EXPECT_EQ(many.getNodeProperties("n0"), nullptr);
    EXPECT_EQ(many.getEdgeProperties("hub", "n0"), nullptr);
}
