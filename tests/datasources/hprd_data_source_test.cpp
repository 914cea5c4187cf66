// HPRD flat-file source: loading and its traces, name search, network expansion,
// per-id lookups and the progress it reports.
#include <memory>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "datasources/HPRDDataSource.h"
#include "datasources/hprd_test_support.h"
#include "model/WindowServices.h"

namespace {

using hprdtest::load;
using hprdtest::row;
using hprdtest::ScratchDir;

using testing::ElementsAre;
using testing::UnorderedElementsAre;

struct Expansion {
    Array<std::string> from, to;
    Array<int> scores;
    std::string traces;
};

Expansion expand(HPRDDataSource& source, Array<std::string> seeds, int levels) {
    Expansion e;
    testing::internal::CaptureStdout();
    source.expandNetwork(std::move(seeds), e.from, e.to, e.scores, 900, levels, "");
    e.traces = testing::internal::GetCapturedStdout();
    return e;
}

Array<std::string> pairsOf(const Expansion& e) {
    Array<std::string> out;
    for (size_t k = 0; k < e.from.size(); ++k) {
        out.push_back(e.from[k] + "-" + e.to[k]);
    }
    return out;
}

class RecordingWindow : public WindowServices {
public:
    void createProgressDialog(int minimum, int maximum, const std::string& label) override {
        calls.push_back("create " + std::to_string(minimum) + " " + std::to_string(maximum) + " " +
                        label);
    }
    void stepProgress(int value) override { steps.push_back(value); }
    void requestRepaint() override {}
    void makeBackground(const Image&) override {}
    void startShapeFinderTimer(int) override {}
    void stopShapeFinderTimer() override {}
    void startTimers(double, double) override {}

    Array<std::string> calls;
    Array<int> steps;
};

const std::string kNomenclature =
    "00001\tEGFR\tRefSeq\tERBB1;HER1\n"
    "00002\tGRB2\tRefSeq\tASH-GRB3,3\n"
    "00003\tSOS1\tRefSeq\t\n";

TEST(HPRDLoading, TracesEveryStepByteForByte) {
    ScratchDir dir;
    const std::string n = dir.write("n.txt", kNomenclature);
    const std::string i =
        dir.write("i.txt", row("00001", "00002") + "x\t00002\tA\tRA\t00003\tRB\tin vivo\n" +
                               row("00002", "00003", "in vitro"));
    testing::internal::CaptureStdout();
    HPRDDataSource source(n, i, "", nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "open nomenclature file \n"
              "read nomenclature file \n"
              "done tabular\n"
              "closed nomenclature file \n"
              "1)done line 0  0  4\n"
              "1)done line 1  3  4\n"
              "1)done line 2  7  3\n"
              "1)done line 3  8  0\n"
              "open interaction file \n"
              "done tabular\n"
              "close interaction file \n"
              "2) done line 0 \n"
              "2) done line 1 \n"
              "i = 1\n"
              "2) done line 2 \n"
              "2) done line 3 \n"
              "i = 3\n"
              "done loading hprd\n");
    Array<int> counts;
    source.getInteractionCounts({"00001", "00002", "00003"}, counts, "");
    EXPECT_THAT(counts, ElementsAre(1, 1, 0));
}

TEST(HPRDLoading, MissingFilesGiveAnEmptySource) {
    ScratchDir dir;
    testing::internal::CaptureStdout();
    HPRDDataSource source(dir.file("none1.txt"), dir.file("none2.txt"), "", nullptr);
    const std::string traces = testing::internal::GetCapturedStdout();
    EXPECT_EQ(traces.find("1)done"), std::string::npos);
    EXPECT_NE(traces.find("done loading hprd\n"), std::string::npos);
    EXPECT_TRUE(source.nameIndexTable().empty());
    EXPECT_THAT(static_cast<const DataSource&>(source).failure(), testing::HasSubstr("HPRD"));
    Array<std::string> names;
    source.getNames({"00001"}, names, {});
    EXPECT_THAT(names, ElementsAre("???"));
}

TEST(HPRDLoading, CrLfAndMissingFinalBreakReadLikeLf) {
    ScratchDir dir;
    auto lf = load(dir, kNomenclature, row("00001", "00002") + row("00002", "00003"));
    std::string crlfNomenclature =
        "00001\tEGFR\tRefSeq\tERBB1;HER1\r\n"
        "00002\tGRB2\tRefSeq\tASH-GRB3,3\r\n"
        "00003\tSOS1\tRefSeq\t";
    std::string crlfInteractions = row("00001", "00002");
    crlfInteractions.insert(crlfInteractions.size() - 1, "\r");
    crlfInteractions += "x\t00002\tA\tRA\t00003\tRB\tin vivo\t1000001";
    auto crlf = load(dir, crlfNomenclature, crlfInteractions);

    EXPECT_EQ(lf->nameIndexTable(), crlf->nameIndexTable());
    EXPECT_EQ(lf->interactionInfoTable(), crlf->interactionInfoTable());
    Array<std::string> a, b;
    lf->getAnnotations({"00001", "00002", "00003"}, a);
    crlf->getAnnotations({"00001", "00002", "00003"}, b);
    EXPECT_EQ(a, b);
    EXPECT_THAT(b, ElementsAre("ERBB1;HER1", "ASH-GRB3,3", ""));
}

TEST(HPRDLoading, ShortNomenclatureRowsAreSafe) {
    ScratchDir dir;
    auto source = load(dir, "00009\n00010\tSTAT3\n00011\tSTAT5A\tRefSeq\n", "");
    Array<std::string> names, annotations;
    source->getNames({"00009", "00010", "00011"}, names, {});
    source->getAnnotations({"00010", "00011"}, annotations);
    EXPECT_THAT(names, ElementsAre("???", "STAT3", "STAT5A"));
    EXPECT_THAT(annotations, ElementsAre("", ""));
}

TEST(HPRDLoading, ReportsProgressOnlyThroughTheWindow) {
    ScratchDir dir;
    RecordingWindow window;
    load(dir, kNomenclature, row("00001", "00002"), &window);
    EXPECT_THAT(window.calls, ElementsAre("create 0 102 Loading HPRD..."));
    // 4 nomenclature rows and 2 interaction rows (each file ends in a line break).
    EXPECT_THAT(window.steps, ElementsAre(1, 2, 1, 13, 26, 38, 52, 52, 77, 102));
}

TEST(HPRDNameIndex, AliasesSplitAtEverySeparatorAndHoldTheIdOnce) {
    ScratchDir dir;
    auto source = load(dir, "00042\tABC1\tRefSeq\tX-Y;Z W;X,Y\n", "");
    const auto& index = source->nameIndexTable();
    ASSERT_EQ(index.size(), 5u);
    for (const char* key : {"ABC1", "X", "Y", "Z", "W"}) {
        ASSERT_TRUE(index.contains(key)) << key;
        EXPECT_THAT(index.at(key), ElementsAre("00042")) << key;
    }
}

TEST(HPRDNameIndex, AliasRepeatedAcrossRowsOfOneIdIsHeldOnce) {
    ScratchDir dir;
    auto source = load(dir,
                       "00042\tABC1\tRefSeq\tFOO\n00043\tDEF1\tRefSeq\tFOO\n"
                       "00042\tABC1\tRefSeq\tfoo;BAR\n",
                       "");
    EXPECT_THAT(source->nameIndexTable().at("FOO"), ElementsAre("00042", "00043"));
    // The name itself is indexed once per row, as the rows list it.
    EXPECT_THAT(source->nameIndexTable().at("ABC1"), ElementsAre("00042", "00042"));
}

TEST(HPRDSearch, SharedNameFindsBothProteins) {
    ScratchDir dir;
    auto source = load(dir, "00001\tp62\tRefSeq\tSQSTM1\n00002\tP62\tRefSeq\tNUP62\n", "");
    EXPECT_THAT(source->nameIndexTable().at("P62"), ElementsAre("00001", "00002"));
    Array<std::string> sources;
    EXPECT_THAT(source->searchProteins("p62", "", &sources), ElementsAre("00001", "00002"));
    EXPECT_TRUE(sources.empty());
}

TEST(HPRDSearch, WordsIntersectOverAllKeysOfAProtein) {
    ScratchDir dir;
    auto source = load(dir,
                       "00001\tMAP2K1\tRefSeq\tMEK1;kinase\n"  // 2 and KINASE, two keys
                       "00002\tMAPK1\tRefSeq\tERK2 kinase\n"   // both
                       "00003\tAKT1\tRefSeq\tPKB kinase\n"     // KINASE only
                       "00004\tJAK2\tRefSeq\tJanus\n",         // 2 only
                       "");
    EXPECT_THAT(source->searchProteins("kinase 2", "", nullptr), ElementsAre("00001", "00002"));
    EXPECT_THAT(source->searchProteins("Kinase", "", nullptr),
                ElementsAre("00001", "00002", "00003"));
    EXPECT_TRUE(source->searchProteins("", "", nullptr).empty());
    EXPECT_TRUE(source->searchProteins("kinase zzz", "", nullptr).empty());
}

class HPRDExpansion : public testing::Test {
protected:
    void SetUp() override {
        // Chain A - B - C - D, with E also on B, and B - A listed again backwards.
        source = load(dir, "A\tAlpha\t\tal\nB\tBeta\t\tbe\nC\tGamma\t\tga\n",
                      row("A", "B") + row("B", "C") + row("C", "D") + row("B", "E") +
                          row("B", "A", "in vivo", "1000002") +
                          row("A", "C", "in vivo;yeast 2-hybrid") + row("A", "D", "in vitro"));
    }
    ScratchDir dir;
    std::unique_ptr<HPRDDataSource> source;
};

TEST_F(HPRDExpansion, LevelsWidenTheWalkOneStepEach) {
    EXPECT_TRUE(expand(*source, {"A"}, 0).from.empty());
    EXPECT_THAT(pairsOf(expand(*source, {"A"}, 1)), ElementsAre("A-B"));
    EXPECT_THAT(pairsOf(expand(*source, {"A"}, 2)), ElementsAre("A-B", "B-C", "B-E"));
    EXPECT_THAT(pairsOf(expand(*source, {"A"}, 3)), ElementsAre("A-B", "B-C", "B-E", "C-D"));
}

TEST_F(HPRDExpansion, EveryPairHasTheTopScore) {
    const Expansion e = expand(*source, {"A"}, 3);
    EXPECT_EQ(e.to.size(), e.from.size());
    EXPECT_THAT(e.scores, ElementsAre(1000, 1000, 1000, 1000));
}

TEST_F(HPRDExpansion, PairInBothDirectionsRecordedOnceCountedTwice) {
    Array<int> counts;
    source->getInteractionCounts({"A", "B", "Z"}, counts, "");
    // A: B twice (both directions); the mixed-type and in vitro rows do not count.
    EXPECT_THAT(counts, ElementsAre(2, 4, 0));
    EXPECT_EQ(source->interactionInfoTable().at("A#B"), "in vivo,1000001,1000002");
    EXPECT_FALSE(source->interactionInfoTable().contains("B#A"));
    EXPECT_FALSE(source->interactionInfoTable().contains("A#C"));
}

TEST_F(HPRDExpansion, CopiesGetEveryInteractionOncePerCopy) {
    const Expansion e = expand(*source, {"A_1", "A_2", "C"}, 1);
    EXPECT_EQ(e.traces,
              "trimming A_1 from seeds\n"
              "removing A_2 from seeds\n"
              "trimming C from seeds\n");
    EXPECT_THAT(pairsOf(e), ElementsAre("A_1-B", "A_2-B", "C-B", "C-D"));
}

TEST_F(HPRDExpansion, BareAndSuffixedSeedOfOneProtein) {
    const Expansion e = expand(*source, {"B", "B_2"}, 1);
    EXPECT_THAT(pairsOf(e), ElementsAre("B-A", "B_2-A", "B-C", "B_2-C", "B-E", "B_2-E"));
}

TEST_F(HPRDExpansion, OutputsAreClearedFirst) {
    Expansion e;
    e.from = {"junk"};
    e.to = {"junk", "junk"};
    e.scores = {7};
    testing::internal::CaptureStdout();
    source->expandNetwork({"Q"}, e.from, e.to, e.scores, 0, 2, "");
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(e.from.empty());
    EXPECT_TRUE(e.to.empty());
    EXPECT_TRUE(e.scores.empty());
}

TEST_F(HPRDExpansion, LookupsIgnoreTheCopySuffix) {
    Array<std::string> names, annotations;
    Array<int> counts;
    source->getNames({"A_2", "B", "nobody", "nobody_2"}, names, {});
    source->getAnnotations({"A_2", "nobody"}, annotations);
    source->getInteractionCounts({"C_7"}, counts, "");
    EXPECT_THAT(names, ElementsAre("Alpha", "Beta", "???", "???"));
    EXPECT_THAT(annotations, ElementsAre("al", ""));
    EXPECT_THAT(counts, ElementsAre(2));

    source->getNames({}, names, {});
    source->getAnnotations({}, annotations);
    source->getInteractionCounts({}, counts, "");
    EXPECT_TRUE(names.empty() && annotations.empty() && counts.empty());
}

TEST(HPRDExpansionScale, StarWithFiveLevelsFinishesAtOnce) {
    ScratchDir dir;
    std::string rows;
    for (int k = 0; k < 600; ++k) {
        rows += row("HUB", "L" + std::to_string(k));
        rows += row("L" + std::to_string(k), "HUB");
    }
    auto source = load(dir, "", rows);
    const Expansion e = expand(*source, {"HUB"}, 5);
    ASSERT_EQ(e.from.size(), 600u);
    EXPECT_EQ(e.from.front(), "HUB");
    EXPECT_EQ(e.to.back(), "L599");
}

TEST(HPRDSampleData, LoadsAndGrowsANetworkFromEGFR) {
    const std::string data = std::string(CORVIDANE_SOURCE_DIR) + "/data/";
    testing::internal::CaptureStdout();
    HPRDDataSource source(data + "PROTEIN_NOMENCLATURE.txt", data + "PROTEIN_INTERACTIONS.txt", "",
                          nullptr);
    const std::string traces = testing::internal::GetCapturedStdout();
    EXPECT_EQ(traces.find("i = "), traces.rfind("i = "))
        << "only the final empty row may have the wrong field count";

    const Array<std::string> egfr = source.searchProteins("egfr", "", nullptr);
    ASSERT_FALSE(egfr.empty());
    Array<std::string> names;
    source.getNames(egfr, names, {});
    EXPECT_EQ(names.front(), "EGFR");

    const Expansion one = expand(source, {egfr.front()}, 1);
    const Expansion two = expand(source, {egfr.front()}, 2);
    EXPECT_GE(one.from.size(), 5u);
    EXPECT_GT(two.from.size(), one.from.size());
    Array<std::string> partnerNames;
    source.getNames(one.to, partnerNames, {});
    EXPECT_THAT(partnerNames, testing::Contains("GRB2"));
}

}  // namespace
