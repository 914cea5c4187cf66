// Editing of proteins and interactions, the selected proteins, named
// selections through a save and load of the graph, visibility after
// filtering, the stimulus and stored neighbourhood positions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "model/Cache.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"
#include "pathway/PathwayLayoutEntity.h"

namespace {

class PathwayEditing : public ::testing::Test {
protected:
    PathwayEditing() : p(Vector3(0, 0, 0), "pathway", Vector3(2, 1, 1), Color4(1, 1, 1, 1)) {}

    NodeEntity* protein(const std::string& id, bool important = false, Vector3 at = Vector3()) {
        p.graph().addNode(id);
        if (important) {
            p.graph().setImportant(id);
        }
        NodeEntity* node = p.createNode(CoordinateFrame(at), id, important);
        p.registerNode(id, node);
        return node;
    }

    EdgeEntity* interaction(const std::string& a, const std::string& b, bool large = false) {
        p.graph().addEdge(a, b);
        EdgeEntity* edge = p.createEdge(p.getNode(a), p.getNode(b), large);
        p.registerEdge(a, b, edge);
        return edge;
    }

    std::string metaValue(const std::string& group, const std::string& key) {
        const Property* property = p.graph().getMetaProperty(group, key);
        return property == nullptr ? "<none>" : property->getValue();
    }

    // Writes the graph to a file and reads it into a fresh graph, as a pathway
    // save and load does.
    void roundTripGraph() {
        Array<std::string> lines;
        p.graph().save(lines);
        const auto path = std::filesystem::temp_directory_path() /
                          ("corvidane_pathway_edit_" + std::to_string(::getpid()) + ".txt");
        {
            std::ofstream out(path);
            for (const std::string& line : lines) {
                out << line << "\n";
            }
        }
        TextFileReader reader;
        ASSERT_TRUE(reader.open(path.string()));
        auto fresh = std::make_unique<ProteinGraph>();
        ASSERT_TRUE(fresh->load(reader));
        reader.close();
        std::filesystem::remove(path);
        p.replaceGraph(std::move(fresh));
    }

    PathwayLayoutEntity p;
};

}  // namespace

TEST_F(PathwayEditing, EditsGoToEntityAndGraph) {
    NodeEntity* node = protein("P1");
    protein("P2");
    EdgeEntity* edge = interaction("P1", "P2");
    ASSERT_FLOAT_EQ(edge->color.a, 0.2f);

    p.setNodeColor(node, 0.5f, 0.25f, 1);
    EXPECT_EQ(node->getColor(), Color4(0.5f, 0.25f, 1, 1));
    EXPECT_EQ(p.graph().findNodeProperty("P1", "color")->getValue(), "(0.5, 0.25, 1, 1)");

    p.setEdgeColor(edge, 1, 0, 0);
    EXPECT_EQ(edge->color, Color4(1, 0, 0, 1));
    EXPECT_EQ(p.graph().findEdgeProperty("P1", "P2", "color")->getValue(), "(1, 0, 0, 1)");

    p.setNodeFontColor(node, 0, 1, 0);
    EXPECT_EQ(node->getFontColor(), Color4(0, 1, 0, 1));
    p.setNodeShape(node, "ovalglow");
    EXPECT_EQ(node->shapeName, "ovalglow");
    EXPECT_EQ(p.graph().findNodeProperty("P1", "texture")->getValue(), "ovalglow");
    p.setNodeRating(node, 4);
    EXPECT_EQ(p.graph().findNodeProperty("P1", "rating")->getValue(), "4");

    // An edit of a value that was stored before replaces it.
    p.setNodeColor(node, 0, 0, 0);
    const Property* colour = p.graph().findNodeProperty("P1", "color");
    ASSERT_EQ(colour->values.size(), 1u);
    EXPECT_EQ(colour->values[0], "(0, 0, 0, 1)");

    p.scaleEdgeSize(edge, 2);
    const Property* width = p.graph().findEdgeProperty("P1", "P2", "prefsize");
    ASSERT_EQ(width->values.size(), 3u);
    EXPECT_EQ(width->values[0],
              doubleToString(static_cast<double>(static_cast<float>(edge->width) / 2.0f)));
    EXPECT_EQ(width->values[1], "");
}

TEST_F(PathwayEditing, NodeSizeIsStoredAsSinglePrecisionFractions) {
    NodeEntity* node = protein("P1");
    node->setSize(0.1f, 0.05f, 0.01f);
    p.scaleNodeSize(node, 2, 2);
    EXPECT_FLOAT_EQ(node->getSize().x, 0.2f);
    EXPECT_FLOAT_EQ(node->getSize().y, 0.1f);
    EXPECT_FLOAT_EQ(node->getSize().z, 0.01f);
    const Property* prefsize = p.graph().findNodeProperty("P1", "prefsize");
    ASSERT_EQ(prefsize->values.size(), 3u);
    EXPECT_EQ(prefsize->values[0], doubleToString(static_cast<double>(0.1f)));
    EXPECT_EQ(prefsize->values[1], doubleToString(static_cast<double>(0.1f)));
    EXPECT_EQ(prefsize->values[2], doubleToString(static_cast<double>(0.01f)));
}

TEST_F(PathwayEditing, EntityWithoutTableEntryChangesOnlyTheEntity) {
    NodeEntity* loose = p.createNode(CoordinateFrame(), "loose", true);
    p.setNodeColor(loose, 0, 0, 1);
    p.scaleNodeSize(loose, 2, 1);
    p.setNodeRating(loose, 3);
    p.renameNode(loose, "still loose");
    EXPECT_EQ(loose->getColor(), Color4(0, 0, 1, 1));
    EXPECT_EQ(loose->getName(), "still loose");
    EXPECT_EQ(p.graph().nodeCount(), 0);
    p.selectNode(loose);
    EXPECT_TRUE(p.getSelectedNodes().empty());
    EXPECT_FALSE(p.isNodeSelected(loose));
}

TEST_F(PathwayEditing, RenameKeepsDisplayNamesUnique) {
    NodeEntity* a = protein("P1");
    NodeEntity* b = protein("P2");
    p.renameNode(a, "X");
    p.renameNode(b, "X");
    EXPECT_EQ(b->getName(), "X");
    EXPECT_EQ(p.graph().getProteinName("P2"), "X_1");
}

TEST_F(PathwayEditing, SelectedProteinsExpandAndInvert) {
    for (const char* id : {"a", "b", "c", "d", "e"}) {
        protein(id);
    }
    interaction("a", "b");
    interaction("b", "c");
    interaction("c", "d");

    p.selectNode(p.getNode("a"));
    p.addSelectedNodeId("a");
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"a"}));
    p.expandSelection();
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"a", "b"}));
    p.expandSelection();
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"a", "b", "c"}));

    p.clearSelectedNodes();
    p.addSelectedNodeId("d");
    p.addSelectedNodeId("a");
    p.invertSelection();
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"b", "c", "e"}));
    p.invertSelection();
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"a", "d"}));

    p.deselectId("a");
    p.deselectId("zzz");
    EXPECT_EQ(p.getSelectedNodes(), (Array<std::string>{"d"}));
    EXPECT_TRUE(p.isNodeSelected(p.getNode("d")));
    p.deselectNode(p.getNode("d"));
    EXPECT_TRUE(p.getSelectedNodes().empty());
}

TEST_F(PathwayEditing, NamedSelectionsSurviveAGraphWriteAndRead) {
    for (const char* id : {"p1", "p2", "p3"}) {
        protein(id);
    }
    p.addSelectedNodeId("p1");
    p.addSelectedNodeId("p2");
    ASSERT_TRUE(p.saveSelection("A"));
    p.clearSelectedNodes();
    p.addSelectedNodeId("p3");
    ASSERT_TRUE(p.saveSelection("B"));
    p.clearSelectedNodes();
    ASSERT_TRUE(p.saveSelection("Empty"));
    EXPECT_EQ(metaValue("selection_names", "selection_names"), "A B Empty");
    EXPECT_EQ(metaValue("A", "selection"), "p1 p2");

    roundTripGraph();
    EXPECT_EQ(p.getSelectionNames(), (Array<std::string>{"A", "B", "Empty"}));
    EXPECT_EQ(p.getSavedSelection("A"), (Array<std::string>{"p1", "p2"}));
    EXPECT_EQ(p.getSavedSelection("B"), (Array<std::string>{"p3"}));
    EXPECT_TRUE(p.getSavedSelection("Empty").empty());
    EXPECT_TRUE(p.getSavedSelection("missing").empty());

    p.removeSelection("A");
    EXPECT_EQ(p.getSelectionNames(), (Array<std::string>{"B", "Empty"}));
    EXPECT_EQ(p.graph().getMetaProperty("A", "selection"), nullptr);
    p.removeSelection("not listed");
    EXPECT_EQ(p.getSelectionNames(), (Array<std::string>{"B", "Empty"}));
    p.removeSelection("B");
    p.removeSelection("Empty");
    EXPECT_EQ(metaValue("selection_names", "selection_names"), "");

    // After the last name went, a new one starts the list without a blank.
    roundTripGraph();
    ASSERT_TRUE(p.saveSelection("C"));
    EXPECT_EQ(metaValue("selection_names", "selection_names"), "C");
    EXPECT_EQ(p.getSelectionNames(), (Array<std::string>{"C"}));
}

TEST_F(PathwayEditing, SaveSelectionRefusesNamesItCannotKeep) {
    protein("p1");
    p.addSelectedNodeId("p1");
    ASSERT_TRUE(p.saveSelection("kept"));
    for (const std::string bad : {"", "two words", "a|b", "line\nbreak", "kept", "}"}) {
        EXPECT_FALSE(p.saveSelection(bad)) << bad;
    }
    EXPECT_EQ(p.getSelectionNames(), (Array<std::string>{"kept"}));
}

TEST_F(PathwayEditing, VisibilityFollowsTheFilterTags) {
    p.setEdgesVisible(true);
    protein("I1", true, Vector3(0.2f, -0.2f, 0.3f));
    protein("I2", true, Vector3(0.4f, -0.2f, 0));
    NodeEntity* s1 = protein("s1", false, Vector3(0.6f, -0.2f, 0.3f));
    protein("s2", false, Vector3(0.8f, -0.2f, 0));
    EdgeEntity* ofHidden = interaction("s1", "s2");
    EdgeEntity* own = interaction("I1", "s1", true);
    p.graph().addNode("noEntity");
    p.graph().addTag("I1", "sel");
    p.graph().addTag("s1", "sel");
    p.graph().addTag("noEntity", "sel");
    auto z = [&](const std::string& id) { return p.getNode(id)->getLocalFrame().translation.z; };

    p.updateVisibility(false, false);
    EXPECT_FLOAT_EQ(z("I1"), -1.0f);
    EXPECT_FLOAT_EQ(z("I2"), 0.001f);
    EXPECT_FLOAT_EQ(z("s1"), -1.0f);
    EXPECT_FLOAT_EQ(z("s2"), 0.0f);
    EXPECT_FLOAT_EQ(s1->getLocalFrame().translation.x, 0.6f);
    EXPECT_TRUE(ofHidden->hidden);
    EXPECT_FALSE(own->hidden);

    // A kept protein loses its tags for good: the flags off again leave it shown.
    EdgeEntity* ofKept = interaction("I1", "s2");
    p.updateVisibility(true, false);
    EXPECT_FLOAT_EQ(z("I1"), 0.001f);
    EXPECT_FALSE(ofKept->hidden);
    EXPECT_FALSE(p.graph().hasNodeTags("I1"));
    EXPECT_TRUE(p.graph().hasNodeTags("noEntity")) << "no entity, nothing to keep";
    EXPECT_FLOAT_EQ(z("s1"), -1.0f);
    p.updateVisibility(false, false);
    EXPECT_FLOAT_EQ(z("I1"), 0.001f);
    EXPECT_FALSE(ofKept->hidden);

    // Proteins with experimental data are kept the same way, and shown on the
    // layer of the important ones.
    p.graph().filteringEnabled = false;
    ASSERT_NE(p.graph().addNodeProperty("s1", std::make_unique<Property>("heatmap", "1")), nullptr);
    p.graph().filteringEnabled = true;
    p.graph().addTag("I1", "sel");
    p.updateVisibility(false, true);
    EXPECT_FLOAT_EQ(z("s1"), 0.001f);
    EXPECT_FALSE(ofHidden->hidden);
    EXPECT_FLOAT_EQ(z("I1"), -1.0f);
    p.graph().removeTag("I1", "");
    p.updateVisibility(false, false);
    EXPECT_FLOAT_EQ(z("s1"), 0.001f);
    EXPECT_FLOAT_EQ(z("I1"), 0.001f);
}

TEST_F(PathwayEditing, StimulusIsALargeProteinInTheCorner) {
    ProteinGraph seeds;
    p.applyStimulus({"a", "b"}, &seeds);
    NodeEntity* stimulus = p.findNodeByName("stimulus");
    ASSERT_NE(stimulus, nullptr);
    EXPECT_TRUE(p.hasChild(stimulus));
    EXPECT_EQ(stimulus->getLocalFrame().translation, Vector3(0.95f * 2, -0.95f, 0));
    EXPECT_TRUE(seeds.hasEdge("stimulus", "a"));
    EXPECT_TRUE(seeds.hasEdge("stimulus", "b"));
    EXPECT_TRUE(p.edges().empty());
}

TEST_F(PathwayEditing, StorePositionsAsFractionsOfThePathway) {
    protein("P1", false, Vector3(1, -0.25f, 0));
    p.graph().addNode("noEntity");
    p.storePositions();
    EXPECT_EQ(p.graph().findNodeProperty("P1", "position")->getVector3(),
              Vector3(0.5f, -0.25f, 1e-06f));
    EXPECT_EQ(p.graph().findNodeProperty("noEntity", "position"), nullptr);
}

TEST_F(PathwayEditing, LookupOfStoredNeighbourhoodPositions) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("corvidane_pathway_cache_" + std::to_string(::getpid()) + ".cache");
    Cache cache(path.string());
    ASSERT_TRUE(cache.insert("exppos1", "a", "a|b#(0, 0, 0)|(1, 1, 0)|(2, 2, 0)"));
    Array<Vector3> out;
    ASSERT_TRUE(p.lookupNeighbourhoodPositions({"a", "b"}, out, &cache));
    EXPECT_EQ(out, (Array<Vector3>{Vector3(0, 0, 0), Vector3(1, 1, 0), Vector3(2, 2, 0)}));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"b", "a"}, out, &cache));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"a"}, out, &cache));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"a", "c"}, out, &cache));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({}, out, &cache));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"a", "b"}, out, nullptr));

    // The other position set is a table of its own.
    p.neighbourhoods().setPositionSet(false);
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"a", "b"}, out, &cache));
    ASSERT_TRUE(cache.insert("exppos0", "a", "a|b#(9, 9, 0)|(2, 2, 0)|(1, 1, 0)"));
    ASSERT_TRUE(p.lookupNeighbourhoodPositions({"a", "b"}, out, &cache));
    EXPECT_EQ(out[1], Vector3(2, 2, 0));
    ASSERT_TRUE(cache.insert("exppos0", "b", "b|a#(0, 0, 0)|(1, 1, 0)"));
    EXPECT_FALSE(p.lookupNeighbourhoodPositions({"b", "a"}, out, &cache));
}
