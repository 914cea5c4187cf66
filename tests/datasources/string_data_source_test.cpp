// The STRING source against the sample human database of the test server.
#include <algorithm>
#include <set>
#include <thread>
#include <tuple>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/PropertyGraph.h"
#include "model/ProteinGraph.h"
#include "model/TextConversions.h"
#include "string_test_server.h"

namespace {

const std::string TP53 = "9606.ENSP00000269305";
const std::string MDM2 = "9606.ENSP00000258149";
const std::string CDKN1A = "9606.ENSP00000244741";
const std::string ATM = "9606.ENSP00000278616";
const std::string CHEK2 = "9606.ENSP00000372023";
const std::string AKT1 = "9606.ENSP00000349960";
const std::string EGFR = "9606.ENSP00000275493";
const std::string GRB2 = "9606.ENSP00000339007";
const std::string MAP2K1 = "9606.ENSP00000302486";
const std::string MAPK1 = "9606.ENSP00000215832";
const std::string MAPK3 = "9606.ENSP00000263025";
const std::string TTN = "9606.ENSP00000467141";
const std::string MOUSE_P53 = "10090.ENSMUSP00000104298";

using Pair = std::tuple<std::string, std::string, int>;

// Each interaction with its ends in name order: the source picks the direction.
std::multiset<Pair> pairs(const Array<std::string>& from, const Array<std::string>& to,
                          const Array<int>& scores) {
    std::multiset<Pair> out;
    for (size_t i = 0; i < from.size(); ++i) {
        out.insert({std::min(from[i], to[i]), std::max(from[i], to[i]), scores[i]});
    }
    return out;
}

std::multiset<Pair> once(std::initializer_list<Pair> undirected) {
    std::multiset<Pair> out;
    for (const auto& [a, b, s] : undirected)
        out.insert({std::min(a, b), std::max(a, b), s});
    return out;
}

std::multiset<Pair> expand(StringDataSource& source, Array<std::string> seeds, int confidence,
                           int levels) {
    Array<std::string> from{"stale"}, to{"stale"};
    Array<int> scores{1};
    source.expandNetwork(seeds, from, to, scores, confidence, levels, "human");
    EXPECT_EQ(from.size(), to.size());
    EXPECT_EQ(from.size(), scores.size());
    return pairs(from, to, scores);
}

// Asks the server directly, on a connection of the test's own.
bool tableExists(const std::string& name) {
    bool exists = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QODBC", "probe");
        db.setDatabaseName("postgre");
        EXPECT_TRUE(db.open());
        QSqlQuery q(db);
        EXPECT_TRUE(
            q.exec(QString::fromStdString("select to_regclass('" + name + "') is not null")));
        exists = q.next() && q.value(0).toBool();
    }
    QSqlDatabase::removeDatabase("probe");
    return exists;
}

}  // namespace

TEST_F(StringDatabaseTest, NamesGoOutInBatchesOfTwentyOneThenTwenty) {
    Array<std::string> names{"stale"};
    testing::internal::CaptureStdout();
    source->getNames({TP53}, names, {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "exec names 0\n");
    EXPECT_THAT(names, testing::ElementsAre("TP53|string"));

    Array<std::string> ids(21, "unknown");
    ids[0] = MDM2;
    ids[20] = TP53 + "_3";
    testing::internal::CaptureStdout();
    source->getNames(ids, names, {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "exec names 20\n");
    ASSERT_EQ(names.size(), 21u);
    EXPECT_EQ(names[0], "MDM2|string");
    EXPECT_EQ(names[1], "");
    EXPECT_EQ(names[20], "TP53|string");

    ids.push_back(ATM);
    testing::internal::CaptureStdout();
    source->getNames(ids, names, {});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "exec names 20\nexec names 21\n");
    ASSERT_EQ(names.size(), 22u);
    EXPECT_EQ(names[21], "ATM|string");

    source->getNames({}, names, {});
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(source->failed()) << source->lastError();
}

TEST_F(StringDatabaseTest, CountsGoOutInBatchesOfHundredAndStripCopies) {
    Array<std::string> ids;
    for (int i = 0; i < 250; ++i)
        ids.push_back("none" + std::to_string(i));
    ids[0] = TP53;
    ids[100] = MDM2 + "_2";
    ids[249] = "9606.ENSP00000329623";  // BCL2, no links at all
    Array<int> counts{7};
    testing::internal::CaptureStdout();
    source->getInteractionCounts(ids, counts, "human");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "exec nr. interactions 100\nexec nr. interactions 200\nexec nr. interactions 249\n");
    ASSERT_EQ(counts.size(), 250u);
    EXPECT_EQ(counts[0], 6);
    EXPECT_EQ(counts[100], 3);
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(counts[249], 0);

    // Unquoted names fold to lower case on the server; the source does the same.
    source->getInteractionCounts({TP53}, counts, "HUMAN");
    EXPECT_THAT(counts, testing::ElementsAre(6));
    EXPECT_FALSE(source->failed()) << source->lastError();
}

TEST_F(StringDatabaseTest, AnnotationsOnePerIdInOrder) {
    Array<std::string> annotations{"stale"};
    source->getAnnotations({EGFR + "_1", "unknown", GRB2}, annotations);
    ASSERT_EQ(annotations.size(), 3u);
    EXPECT_THAT(annotations[0], testing::StartsWith("Epidermal growth factor receptor;"));
    EXPECT_EQ(annotations[1], "");
    EXPECT_THAT(annotations[2], testing::StartsWith("Growth factor receptor-bound protein 2;"));
}

TEST_F(StringDatabaseTest, ExpansionByLevels) {
    // Levels 0 still asks for the links among the seeds. The table holds both
    // directions of every link; each comes back once.
    EXPECT_EQ(expand(*source, {TP53, MDM2, ATM}, 900, 0),
              once({{TP53, MDM2, 999}, {TP53, ATM, 950}}));

    // MDM2-CDKN1A scores 700 and stays out although both ends are in.
    auto level1 = once({{TP53, MDM2, 999},
                        {TP53, CDKN1A, 990},
                        {TP53, ATM, 950},
                        {TP53, CHEK2, 920},
                        {ATM, CHEK2, 980}});
    EXPECT_EQ(expand(*source, {TP53}, 900, 1), level1);

    // Level 2 reaches AKT1 through MDM2; ATR links at 850 and exactly 900 stay out.
    auto level2 = level1;
    level2.merge(once({{AKT1, MDM2, 920}}));
    EXPECT_EQ(expand(*source, {TP53}, 900, 2), level2);

    // A lower threshold lets the 700 link in.
    EXPECT_EQ(expand(*source, {MDM2, CDKN1A}, 600, 0), once({{MDM2, CDKN1A, 700}}));
    EXPECT_TRUE(expand(*source, {}, 900, 2).empty());
    EXPECT_TRUE(expand(*source, {"unknown"}, 900, 2).empty());
    EXPECT_FALSE(source->failed()) << source->lastError();
}

TEST_F(StringDatabaseTest, ExpansionHandsBackEveryCopy) {
    EXPECT_EQ(expand(*source, {TP53 + "_1", TP53 + "_2", MDM2}, 900, 0),
              once({{TP53 + "_1", MDM2, 999}, {TP53 + "_2", MDM2, 999}}));
    // A copy seeded alone keeps its suffix in every pair.
    EXPECT_EQ(expand(*source, {MAP2K1 + "_4", MAPK1}, 900, 0), once({{MAP2K1 + "_4", MAPK1, 999}}));
}

TEST_F(StringDatabaseTest, SequencesAreReadWhole) {
    Array<std::string> sequences = source->getSequences({TTN + "_2", "unknown", MDM2});
    ASSERT_EQ(sequences.size(), 3u);
    EXPECT_EQ(sequences[0].size(), 34350u);
    EXPECT_EQ(sequences[0][0], 'M');
    EXPECT_EQ(sequences[0].find_first_not_of("ACDEFGHIKLMNPQRSTVWY"), std::string::npos);
    EXPECT_EQ(sequences[1], "");
    EXPECT_FALSE(sequences[2].empty());
}

TEST_F(StringDatabaseTest, ExperimentalSetsAndSpecies) {
    Array<std::string> sets = source->getExperimentalSets({TP53, "unknown", EGFR});
    ASSERT_EQ(sets.size(), 3u);
    Array<std::string> tp53 = split(sets[0], "|");
    EXPECT_THAT(tp53, testing::UnorderedElementsAre(
                          "p53 target gene screen#chromatin immunoprecipitation followed by "
                          "expression profiling#https://sets.example.org/1001#90000101#1001",
                          "p53 target gene screen#chromatin immunoprecipitation followed by "
                          "expression profiling#https://sets.example.org/1001#90000102#1001",
                          "DNA damage response kinases#kinase assays after ionising "
                          "radiation#https://sets.example.org/1003#90000301#1003",
                          "DNA damage response kinases#kinase assays after ionising "
                          "radiation#https://sets.example.org/1003#90000302#1003"));
    EXPECT_EQ(sets[1], "");
    EXPECT_EQ(sets[2],
              "EGF receptor signalling complex#affinity purification and mass "
              "spectrometry#https://sets.example.org/1002#90000201#1002");

    EXPECT_THAT(source->getSpeciesNames({TP53 + "_1", MOUSE_P53, "unknown"}),
                testing::ElementsAre("Homo sapiens", "Mus musculus", ""));
}

TEST_F(StringDatabaseTest, PropertiesForEveryVisibleNode) {
    ProteinGraph graph;
    graph.addNode(TP53 + "_2");
    graph.addNode("unknown");
    graph.addNode(MDM2);
    graph.addTag(MDM2, "hidden");
    source->getProperties(&graph);
    EXPECT_EQ(graph.getNodeProperties(MDM2), nullptr);
    graph.filteringEnabled = false;
    EXPECT_EQ(graph.getNodeProperties(MDM2), nullptr);
    graph.filteringEnabled = true;

    Property* longname = graph.findNodeProperty(TP53 + "_2", "longname");
    ASSERT_NE(longname, nullptr);
    EXPECT_THAT(longname->getValue(), testing::StartsWith("Cellular tumor antigen p53"));
    Property* experimental = graph.findNodeProperty(TP53 + "_2", "experimental");
    ASSERT_NE(experimental, nullptr);
    EXPECT_EQ(experimental->values.size(), 4u);
    ASSERT_NE(graph.findNodeProperty(TP53 + "_2", "sequence"), nullptr);
    EXPECT_THAT(graph.findNodeProperty(TP53 + "_2", "sequence")->getValue(),
                testing::StartsWith("M"));
    EXPECT_EQ(graph.findNodeProperty(TP53 + "_2", "species")->getValue(), "Homo sapiens");

    // Unknown proteins get the properties all the same, empty.
    EXPECT_EQ(graph.findNodeProperty("unknown", "longname")->getValue(), "");
    EXPECT_TRUE(graph.findNodeProperty("unknown", "experimental")->values.empty());
    EXPECT_EQ(graph.findNodeProperty("unknown", "species")->getValue(), "");
}

TEST_F(StringDatabaseTest, SearchNeedsEveryWordInAnyOrder) {
    Array<std::string> sources{"stale"};
    Array<std::string> found = source->searchProteins("map kinase", "human", &sources);
    EXPECT_THAT(found, testing::UnorderedElementsAre(MAP2K1, MAPK1, MAPK3));
    EXPECT_EQ(sources, Array<std::string>(found.size(), "string"));
    EXPECT_THAT(source->searchProteins("kinase  MAP", "human", &sources),
                testing::UnorderedElementsAre(MAP2K1, MAPK1, MAPK3));

    // A name hit that the annotations do not give comes after the word hits, once.
    found = source->searchProteins("tp53", "human", &sources);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(std::count(found.begin(), found.end(), TP53), 1);

    EXPECT_TRUE(source->searchProteins("", "human", &sources).empty());
    EXPECT_TRUE(source->searchProteins("   ", "human", &sources).empty());
    EXPECT_TRUE(sources.empty());
    EXPECT_FALSE(source->failed()) << source->lastError();

    // The server refuses a NUL; dropped, it fails neither this search nor later ones.
    EXPECT_THAT(source->searchProteins(std::string("tp\0"
                                                   "53",
                                                   5),
                                       "human", &sources),
                testing::Contains(TP53));
    EXPECT_TRUE(source->searchProteins(std::string(1, '\0'), "human", &sources).empty());
    EXPECT_FALSE(source->failed()) << source->lastError();
}

TEST_F(StringDatabaseTest, UserTextCannotChangeTheStatements) {
    Array<std::string> sources;
    EXPECT_TRUE(source->searchProteins("x'); select deleteseeds(); --", "human", &sources).empty());
    const std::string attack = "x'); create table injected_marker (x int); --";
    EXPECT_TRUE(source->searchProteins(attack, "human", &sources).empty());
    EXPECT_TRUE(
        source->searchProteins("a(b) & !c:* <-> \\ ? {fn now()}", "human", &sources).empty());
    EXPECT_TRUE(
        source->searchProteins("&& - . , \" $ # @ ~ ` ^ = + [ ] { } ; / \t --", "human", &sources)
            .empty());
    EXPECT_FALSE(source->failed()) << source->lastError();

    // LIKE wildcards in the user's text match only themselves.
    EXPECT_TRUE(source->searchProteins("%", "human", &sources).empty());
    EXPECT_TRUE(source->searchProteins("MAP_K1", "human", &sources).empty());

    Array<std::string> names;
    source->getNames({"x' or protein_id like '%", TP53, attack}, names, {});
    EXPECT_THAT(names, testing::ElementsAre("", "TP53|string", ""));
    Array<int> counts;
    source->getInteractionCounts({"o'brien", TP53}, counts, "human");
    EXPECT_THAT(counts, testing::ElementsAre(0, 6));
    EXPECT_TRUE(expand(*source, {attack, "it's"}, 0, 2).empty());
    EXPECT_FALSE(source->failed()) << source->lastError();
    EXPECT_FALSE(tableExists("injected_marker"));

    // A species that is no identifier sends nothing.
    EXPECT_TRUE(source->searchProteins("tp53", "human_proteins; drop table proteins; --", &sources)
                    .empty());
    EXPECT_TRUE(source->failed());
    EXPECT_THAT(source->lastError(), testing::HasSubstr("species"));
    source->clearFailure();
    source->getInteractionCounts({TP53}, counts, "");
    EXPECT_THAT(counts, testing::ElementsAre(0));
    EXPECT_TRUE(source->failed());
    EXPECT_TRUE(tableExists("proteins"));
}

TEST_F(StringDatabaseTest, QueryErrorsAreRecorded) {
    // No tables for mouse: the server refuses the statements.
    Array<std::string> sources;
    EXPECT_TRUE(source->searchProteins("p53", "mouse", &sources).empty());
    EXPECT_TRUE(source->failed());
    EXPECT_FALSE(source->lastError().empty());
    // What the network build sees through the interface.
    EXPECT_THAT(static_cast<const DataSource&>(*source).failure(),
                testing::HasSubstr(source->lastError()));

    source->clearFailure();
    Array<std::string> from, to;
    Array<int> scores;
    source->expandNetwork({MOUSE_P53}, from, to, scores, 900, 1, "Mouse");
    EXPECT_TRUE(from.empty() && to.empty() && scores.empty());
    EXPECT_TRUE(source->failed());

    // The connection stays usable.
    source->clearFailure();
    EXPECT_EQ(expand(*source, {TP53, MDM2}, 900, 0), once({{TP53, MDM2, 999}}));
    EXPECT_FALSE(source->failed());
    EXPECT_EQ(static_cast<const DataSource&>(*source).failure(), "");
}

TEST_F(StringDatabaseTest, SourcesKeepConnectionsOfTheirOwn) {
    const auto connections = QSqlDatabase::connectionNames().size();
    auto second = std::make_unique<StringDataSource>("postgre");
    ASSERT_TRUE(second->isOpen());
    EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections + 1);
    second.reset();
    EXPECT_EQ(QSqlDatabase::connectionNames().size(), connections);
    Array<std::string> names;
    source->getNames({MDM2}, names, {});
    EXPECT_THAT(names, testing::ElementsAre("MDM2|string"));

    // Two clients expanding at once each see only their own seeds.
    auto work = [](std::string seed, std::multiset<Pair> expected, bool* ok) {
        StringDataSource own("postgre");
        *ok = own.isOpen();
        for (int i = 0; i < 25 && *ok; ++i) {
            Array<std::string> from, to;
            Array<int> scores;
            own.expandNetwork({seed}, from, to, scores, 900, 1, "human");
            *ok = pairs(from, to, scores) == expected;
        }
    };
    bool okA = false, okB = false;
    std::thread a(work, EGFR, once({{EGFR, GRB2, 999}, {EGFR, "9606.ENSP00000263967", 940}}), &okA);
    std::thread b(work, MAPK3,
                  once({{MAPK3, MAP2K1, 999}, {MAPK3, MAPK1, 910}, {MAP2K1, MAPK1, 999}}), &okB);
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
}

TEST(StringConnectionTest, UnreachableDatabaseAnswersEmptyAndReportsIt) {
    pointOdbcAtTestServer();
    testing::internal::CaptureStdout();
    StringDataSource source("no_such_data_source");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_THAT(out, testing::StartsWith("db not open\n"));
    EXPECT_GT(out.size(), std::string("db not open\n\n").size() - 1);
    EXPECT_FALSE(source.isOpen());
    EXPECT_TRUE(source.failed());

    Array<std::string> names, annotations, sources;
    Array<int> counts;
    source.getNames({"a", "b"}, names, {});
    EXPECT_THAT(names, testing::ElementsAre("", ""));
    source.getAnnotations({"a"}, annotations);
    EXPECT_THAT(annotations, testing::ElementsAre(""));
    source.getInteractionCounts({"a", "b"}, counts, "human");
    EXPECT_THAT(counts, testing::ElementsAre(0, 0));
    EXPECT_TRUE(source.searchProteins("kinase", "human", &sources).empty());
    Array<std::string> from, to;
    Array<int> scores;
    source.expandNetwork({"a"}, from, to, scores, 900, 2, "human");
    EXPECT_TRUE(from.empty());
    source.clearFailure();
    EXPECT_FALSE(static_cast<const DataSource&>(source).failure().empty())
        << "a connection that never opened still fails";
    source.getNames({"a"}, names, {});
    EXPECT_TRUE(source.failed());
}
