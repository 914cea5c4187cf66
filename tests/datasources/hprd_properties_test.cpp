// HPRD properties on a protein graph, and networks built through the graph from
// the shipped sample data and from full-size synthetic files.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../../tools/HprdGenerator.h"
#include "datasources/HPRDDataSource.h"
#include "datasources/hprd_test_support.h"
#include "model/ProteinGraph.h"

namespace {

using hprdtest::load;
using hprdtest::row;
using hprdtest::ScratchDir;
using testing::ElementsAre;

Array<std::string> values(const ProteinGraph& graph, const std::string& node,
                          const std::string& name) {
    const Property* p = graph.findNodeProperty(node, name);
    return p ? p->values : Array<std::string>{"<none>"};
}

Array<std::string> edgeValues(const ProteinGraph& graph, const std::string& a, const std::string& b,
                              const std::string& name) {
    const Property* p = graph.findEdgeProperty(a, b, name);
    return p ? p->values : Array<std::string>{"<none>"};
}

class HPRDProperties : public testing::Test {
protected:
    void SetUp() override {
        source = load(dir, "00001\tEGFR\t\tERBB1;HER1\n00005\tGRB2\t\tASH\n",
                      row("00001", "00005", "in vivo", "11,12") +
                          row("00005", "00001", "in vivo", "12,13") + row("00005", "00009"));
        testing::internal::CaptureStdout();
        graph.addEdge("00001", "00005");
        graph.addEdge("00001_2", "00005");
        graph.addEdge("00005", "00009");
        graph.addEdge("00009", "07777");
        graph.addNode("hidden");
        graph.addTag("hidden", "selector");
        source->getProperties(&graph);
        testing::internal::GetCapturedStdout();
    }
    ScratchDir dir;
    std::unique_ptr<HPRDDataSource> source;
    ProteinGraph graph;
};

TEST_F(HPRDProperties, NodesGetLongNameLinkAndCountAlsoForCopies) {
    EXPECT_THAT(values(graph, "00001", "longname"), ElementsAre("ERBB1;HER1"));
    EXPECT_THAT(values(graph, "00001_2", "longname"), ElementsAre("ERBB1;HER1"));
    EXPECT_THAT(values(graph, "00001_2", "linkout"),
                ElementsAre("http://www.hprd.org/summary?protein=00001&isoform_id=00001_1"
                            "&isoform_name=Isoform_1"));
    EXPECT_THAT(values(graph, "00001", "# of interactions"), ElementsAre("2"));
    EXPECT_THAT(values(graph, "00005", "# of interactions"), ElementsAre("3"));
    EXPECT_THAT(values(graph, "07777", "longname"), ElementsAre(""));
    EXPECT_THAT(values(graph, "07777", "# of interactions"), ElementsAre("0"));

    graph.filteringEnabled = false;
    EXPECT_EQ(graph.findNodeProperty("hidden", "longname"), nullptr);
}

TEST_F(HPRDProperties, EdgesGetTypeAndEveryPubmedOfRepeatedRows) {
    const std::string link = "https://www.ncbi.nlm.nih.gov/pubmed/";
    EXPECT_THAT(edgeValues(graph, "00001", "00005", "exp. type"), ElementsAre("in vivo"));
    EXPECT_THAT(edgeValues(graph, "00005", "00001", "pubmeds"),
                ElementsAre(link + "11?dopt=Abstract", link + "12?dopt=Abstract",
                            link + "13?dopt=Abstract"));
    EXPECT_THAT(edgeValues(graph, "00001_2", "00005", "pubmeds").size(), 3u);
    EXPECT_THAT(edgeValues(graph, "00009", "00005", "pubmeds"),
                ElementsAre(link + "1000001?dopt=Abstract"));
    EXPECT_EQ(graph.findEdgeProperty("00009", "07777", "exp. type"), nullptr);
}

TEST_F(HPRDProperties, RatingsMarkTextAndLinks) {
    Array<std::string> text, links;
    graph.getPropertiesWithRating(1, text);
    graph.getPropertiesWithRating(2, links);
    EXPECT_THAT(text, ElementsAre("longname", "# of interactions", "exp. type"));
    EXPECT_THAT(links, ElementsAre("linkout", "pubmeds"));
}

TEST(HPRDNetworkBuild, SampleDataGrowsANamedNetworkAroundEGFR) {
    const std::string data = std::string(CORVIDANE_SOURCE_DIR) + "/data/";
    ProteinGraph graph;
    PropertyGraph seeds;
    testing::internal::CaptureStdout();
    graph.source = std::make_unique<HPRDDataSource>(data + "PROTEIN_NOMENCLATURE.txt",
                                                    data + "PROTEIN_INTERACTIONS.txt", "", nullptr);
    const Array<std::string> egfr = graph.source->searchProteins("EGFR", "", nullptr);
    ASSERT_FALSE(egfr.empty());
    seeds.addNode(egfr.front());
    ASSERT_TRUE(graph.buildFromSource(seeds, 2, 900, ""));
    ASSERT_TRUE(graph.applyNames(false));
    ASSERT_TRUE(graph.loadProperties());
    testing::internal::GetCapturedStdout();

    EXPECT_GT(graph.nodeCount(), 20);
    EXPECT_TRUE(graph.isImportant(egfr.front()));
    for (const char* name : {"EGFR", "GRB2", "SOS1", "SHC1", "STAT3"}) {
        EXPECT_NE(graph.getNodeByName(name), "") << name;
    }
    const std::string grb2 = graph.getNodeByName("GRB2");
    const Property* confidence = graph.findEdgeProperty(egfr.front(), grb2, "confidence");
    ASSERT_NE(confidence, nullptr);
    EXPECT_EQ(confidence->getValue(), "1000");
    EXPECT_NE(graph.findEdgeProperty(egfr.front(), grb2, "pubmeds"), nullptr);
}

TEST(HPRDStress, FullSizeFilesLoadAndDeepHubExpansionStaysSmall) {
    ScratchDir dir;
    const std::string n = dir.file("n.txt");
    const std::string i = dir.file("i.txt");
    HprdGeneratorOptions options;
    options.seed = 7;
    ASSERT_TRUE(writeSyntheticHprd(n, i, options, nullptr));
    testing::internal::CaptureStdout();
    HPRDDataSource source(n, i, "", nullptr);
    testing::internal::GetCapturedStdout();

    Array<int> counts;
    Array<std::string> ids;
    for (int k = 0; k < options.proteins; ++k) {
        ids.push_back(hprdgen::proteinId(k));
    }
    source.getInteractionCounts(ids, counts, "");
    const auto hub = std::max_element(counts.begin(), counts.end());
    EXPECT_GE(*hub, 200);

    // Its speed is measured by bench/hprd_bench, not here: a sanitizer build or
    // a busy machine would fail a time limit with nothing wrong.
    Array<std::string> from, to;
    Array<int> scores;
    testing::internal::CaptureStdout();
    source.expandNetwork({ids[static_cast<size_t>(hub - counts.begin())]}, from, to, scores, 0, 5,
                         "");
    testing::internal::GetCapturedStdout();
    // Five levels from a hub reach most of the map, yet each pair comes once.
    EXPECT_GT(from.size(), 10000u);
    EXPECT_LE(from.size(), 40000u);
    EXPECT_EQ(scores.size(), from.size());

    // The same seed gives the same bytes.
    const std::string again = dir.file("again.txt");
    ASSERT_TRUE(writeSyntheticHprd(dir.file("n2.txt"), again, options, nullptr));
    std::ifstream a(i, std::ios::binary), b(again, std::ios::binary);
    EXPECT_TRUE(std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                           std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>()));
}

}  // namespace
