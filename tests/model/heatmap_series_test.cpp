// Tests of the experiment store: queries, text and XML loads, both colourings.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <random>

#include <QDir>
#include <QTemporaryDir>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "model/HeatmapSeries.h"
#include "model/TextConversions.h"

namespace {

class HeatmapSeriesTest : public ::testing::Test {
protected:
    // Writes a file into the scratch folder and answers its path.
    std::string write(const std::string& name, const std::string& content) {
        const std::string path = dir.path().toStdString() + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // Colours of the only entry for (protein, experiment).
    HeatmapColours coloursOf(const HeatmapSeries& s, const std::string& p, const std::string& e) {
        Array<HeatmapColours> lists;
        Array<std::string> details, notes;
        s.experimentValues(p, lists, details, e, notes);
        EXPECT_EQ(lists.size(), 1u) << p << " in " << e;
        return lists.empty() ? HeatmapColours() : lists[0];
    }

    QTemporaryDir dir;
};

void expectColour(const Vector3& c, float r, float g, float b) {
    EXPECT_NEAR(c.x, r, 1e-5);
    EXPECT_NEAR(c.y, g, 1e-5);
    EXPECT_NEAR(c.z, b, 1e-5);
}

// One row of a ratio experiment as the plain computation gives it.
struct RatioRow {
    std::string experiment, protein, label, detail, values, note;
    bool operator==(const RatioRow&) const = default;
};

std::ostream& operator<<(std::ostream& out, const RatioRow& r) {
    return out << r.experiment << " " << r.protein << " " << r.label << " " << r.detail << " ["
               << r.values << "] " << r.note;
}

// A text is a value when, past blanks and a sign, it starts with a digit or ".digit".
bool plainValue(std::string text, double& v) {
    text.erase(text.find_last_not_of("\r\n") + 1);
    size_t i = text.find_first_not_of(" ");
    i = i == std::string::npos ? text.size() : i;
    i += i < text.size() && (text[i] == '+' || text[i] == '-');
    const auto digit = [&](size_t k) { return k < text.size() && std::isdigit(text[k]); };
    if (!digit(i) && !(i < text.size() && text[i] == '.' && digit(i + 1))) {
        return false;
    }
    v = stringToDouble(text);
    return std::isfinite(v);
}

// Every ordered pair of experiments, every entry of the first against every entry of the
// second with the same protein, label and detail, scanning the whole store each time.
Array<RatioRow> plainRatios(const HeatmapSeries& s) {
    Array<std::string> names;
    s.experimentNames(names);
    Array<RatioRow> rows;
    for (const std::string& x : names) {
        for (const std::string& y : names) {
            for (int a = 0; x != y && a < s.entryCount(); ++a) {
                for (int b = 0; s.experimentAt(a) == x && b < s.entryCount(); ++b) {
                    if (s.experimentAt(b) != y || s.proteinAt(b) != s.proteinAt(a) ||
                        s.labelAt(b) != s.labelAt(a) || s.detailAt(b) != s.detailAt(a)) {
                        continue;
                    }
                    const Array<std::string> av = split(s.valuesAt(a), "\t");
                    const Array<std::string> bv = split(s.valuesAt(b), "\t");
                    std::string text;
                    for (size_t j = 0; j < av.size(); ++j) {
                        double p = 0;
                        double q = 0;
                        if (j < bv.size() && plainValue(av[j], p) && plainValue(bv[j], q) &&
                            q != 0 && std::isfinite(p / q)) {
                            text += doubleToString(p / q);
                        }
                        text += "\t";
                    }
                    rows.push_back({x + "/" + y, s.proteinAt(b), s.labelAt(b), s.detailAt(b), text,
                                    s.noteAt(b)});
                }
            }
        }
    }
    return rows;
}

}  // namespace

TEST_F(HeatmapSeriesTest, StoreQueriesAndRemoval) {
    HeatmapSeries s;
    Array<std::string> names{"stale"};
    s.experimentNames(names);
    EXPECT_TRUE(names.empty());
    Array<std::string> proteins;
    s.proteinsOfExperiment(proteins, "e");
    EXPECT_TRUE(proteins.empty());

    s.addEntry("l1", "P1", "d1", "1\t", "B", "n1");
    s.addEntry("l2", "P2", "d2", "2\t", "A", "n2");
    s.addEntry("l3", "P1", "d3", "3\t", "B", "n3");
    s.experimentNames(names);
    EXPECT_EQ(names, (Array<std::string>{"B", "A"}));

    proteins = {"P9", "P1"};
    s.proteinsOfExperiment(proteins, "B");
    EXPECT_EQ(proteins, (Array<std::string>{"P9", "P1"}));

    Array<HeatmapColours> lists;
    Array<std::string> details, notes;
    s.experimentValues("P1", lists, details, "B", notes);
    EXPECT_EQ(details, (Array<std::string>{"d1", "d3"}));
    EXPECT_EQ(notes, (Array<std::string>{"n1", "n3"}));

    s.removeEntry(-1);
    s.removeEntry(3);
    EXPECT_EQ(s.entryCount(), 3);
    s.removeEntry(0);
    ASSERT_EQ(s.entryCount(), 2);
    EXPECT_EQ(s.proteinAt(0), "P2");
    details.clear();
    s.experimentValues("P1", lists, details, "B", notes);
    EXPECT_EQ(details, (Array<std::string>{"d3"}));

    s.addEntry("", "P1", "d4", "", "B", "", HeatmapColours{Vector3(1, 0, 0)});
    lists.clear();
    details.clear();
    s.experimentValues("P1", lists, details, "B", notes);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[1].size(), 1u);
}

TEST_F(HeatmapSeriesTest, TextFileExampleAndColours) {
    HeatmapSeries s;
    ASSERT_TRUE(s.loadExperimentFile(write("exp.txt", "P1\tS10\tpY\t1.0\tND\t3.0\n\n"), 0));
    ASSERT_EQ(s.entryCount(), 1);
    EXPECT_EQ(s.proteinAt(0), "P1");
    EXPECT_EQ(s.labelAt(0), "S10");
    EXPECT_EQ(s.detailAt(0), "pY");
    EXPECT_EQ(s.experimentAt(0), "exp.txt");
    EXPECT_EQ(s.valuesAt(0), "1.0\tND\t3.0");
    const HeatmapColours c = s.coloursAt(0);
    ASSERT_EQ(c.size(), 3u);
    expectColour(c[0], 0, 0, 1);
    expectColour(c[1], 1, 1, 1);
    expectColour(c[2], 1, 1, 0);
}

TEST_F(HeatmapSeriesTest, CrLfZerosNegativesAndMissingValues) {
    HeatmapSeries s;
    const std::string path = write("crlf.tsv",
                                   "P1\tL\tD\t0\t2\t4\t8\t?\r\n"
                                   "P2\tL\tD\t-3\tND\r\n"
                                   "P3\tL\tD\t4\r\n"
                                   "P4\tL\tD\tND\r\n"
                                   "P5\tL\tD\t0\r\n");
    ASSERT_TRUE(s.loadExperimentFile(path, 0));
    ASSERT_EQ(s.entryCount(), 5);
    const HeatmapColours p1 = coloursOf(s, "P1", "crlf.tsv");
    ASSERT_EQ(p1.size(), 5u);
    expectColour(p1[0], 0, 0, 1);  // a measured 0 is the strongest low
    expectColour(p1[1], 0, 0, 1);
    expectColour(p1[2], 0, 0, 0);  // 4 is the middle of 2..8
    expectColour(p1[3], 1, 1, 0);
    expectColour(p1[4], 1, 1, 1);  // "?\r" is missing
    const HeatmapColours p2 = coloursOf(s, "P2", "crlf.tsv");
    ASSERT_EQ(p2.size(), 2u);
    expectColour(p2[0], 0, 0, 1);
    expectColour(p2[1], 1, 1, 1);
    // Single values ramp from blue at 0 to red at the experiment's top value (8).
    expectColour(coloursOf(s, "P3", "crlf.tsv")[0], 0.5f, 0, 0.5f);
    expectColour(coloursOf(s, "P4", "crlf.tsv")[0], 1, 1, 1);
    expectColour(coloursOf(s, "P5", "crlf.tsv")[0], 0, 0, 1);
    for (int i = 0; i < s.entryCount(); ++i) {
        for (const Vector3& c : s.coloursAt(i)) {
            for (float f : {c.x, c.y, c.z}) {
                EXPECT_TRUE(f >= 0 && f <= 1) << i;
            }
        }
    }
}

TEST_F(HeatmapSeriesTest, SingleValueRampWithoutPositiveTop) {
    HeatmapSeries s;
    ASSERT_TRUE(s.loadExperimentFile(write("neg.txt", "P1\tL\tD\t-2\nP2\tL\tD\t0\n"), 0));
    expectColour(coloursOf(s, "P1", "neg.txt")[0], 0, 0, 1);
    expectColour(coloursOf(s, "P2", "neg.txt")[0], 0, 0, 1);
}

TEST_F(HeatmapSeriesTest, FileKindsAndUnreadableFiles) {
    HeatmapSeries s;
    EXPECT_FALSE(s.loadExperimentFile(dir.path().toStdString() + "/missing.txt", 0));
    EXPECT_EQ(s.entryCount(), 0);
    // Upper-case .XML is a text file: the XML markup becomes one text entry.
    ASSERT_TRUE(s.loadExperimentFile(write("data.XML", "<a>\tb\tc\t1\n"), 0));
    ASSERT_EQ(s.entryCount(), 1);
    EXPECT_EQ(s.proteinAt(0), "<a>");
    EXPECT_EQ(s.experimentAt(0), "data.XML");
}

TEST_F(HeatmapSeriesTest, WhatIsNoExperimentFileAddsNothing) {
    const std::string folder = dir.path().toStdString();
    const std::string fifo = folder + "/pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    HeatmapSeries s;
    for (const std::string& path :
         {folder, fifo, std::string("/dev/null"), std::string("/dev/zero"), write("empty.txt", ""),
          write("three.txt", "P1\tS1\tpY\nP2\tS2\n"), write("picture.png", "\x89PNG\r\n\x1a\n"),
          write("rows.xml", "<ROOT><RESULTSET></RESULTSET></ROOT>")}) {
        EXPECT_FALSE(s.loadExperimentFile(path, 0)) << path;
    }
    // Random bytes hold rows of four fields too, but mostly rows that are not.
    std::mt19937 random(7);
    std::string noise(20000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    EXPECT_FALSE(s.loadExperimentFile(write("noise.txt", noise), 0));
    EXPECT_EQ(s.entryCount(), 0);
    // Half the rows well formed is enough; the others are kept too.
    EXPECT_TRUE(s.loadExperimentFile(write("one.txt", "P1\tS1\nP2\tS2\tpY\t1\n"), 0));
    EXPECT_EQ(s.entryCount(), 2);
}

TEST_F(HeatmapSeriesTest, XmlFileWithTwoExperiments) {
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    auto col = [](const std::string& v) { return "<COL><V>" + v + "</V></COL>"; };
    auto list = [](const Array<std::string>& vs) {
        std::string s = "<COL>";
        for (const auto& v : vs) {
            s += "<V>" + v + "</V>";
        }
        return s + "</COL>";
    };
    // The second row ends before its count and experiment columns: both carry over.
    // The third row names a second experiment; its middle value is empty.
    const std::string xml =
        "<ROOT><RESULTSET>"
        "<ROW>" +
        col("c0") + col("c1") + col("P1") + col("S1") + col("pY") + col("2") + col("E1") +
        list({"1", "4", "99"}) + list({"x"}) + col("n9") + col("n10") +
        "</ROW>"
        "<ROW><SKIP/>" +
        col("c0") + col("c1") + col("P2") + col("S2") + col("pS") +
        "</ROW>"
        "<ROW>" +
        col("c0") + col("c1") + col("P3") + col("S3") + col("pT") + col("3") + col("E2") +
        list({"5", "", "7"}) +
        "</ROW>"
        "</RESULTSET></ROOT>";
    // A file of that name in the working folder is the user's, not the loader's.
    write("mine.txt", "keep me");
    std::filesystem::create_symlink(dir.path().toStdString() + "/mine.txt",
                                    dir.path().toStdString() + "/experiment_text.txt");
    HeatmapSeries s;
    const bool ok = s.loadExperimentFile(write("two.xml", xml), 0);
    const bool rejected = s.loadExperimentFile(write("bad.xml", "<ROOT><RESULTSET>"), 0);
    std::ifstream mine("mine.txt");
    std::string kept;
    std::getline(mine, kept);
    QDir::setCurrent(oldCwd);
    EXPECT_FALSE(rejected);
    EXPECT_EQ(kept, "keep me");

    ASSERT_TRUE(ok);
    ASSERT_EQ(s.entryCount(), 3);
    EXPECT_EQ(s.proteinAt(0), "P1");
    EXPECT_EQ(s.labelAt(0), "S1");
    EXPECT_EQ(s.detailAt(0), "pY_c0");
    EXPECT_EQ(s.valuesAt(0), "1\t4\t");  // at most `count` values
    EXPECT_EQ(s.noteAt(0), "n9,n10");
    EXPECT_EQ(s.experimentAt(1), "E1");
    EXPECT_EQ(s.noteAt(1), ",");
    EXPECT_EQ(s.experimentAt(2), "E2");
    EXPECT_EQ(s.valuesAt(2), "5\t\t7\t");
    EXPECT_EQ(s.valuesAt(1), "");
    // Both experiments are coloured.
    EXPECT_EQ(s.coloursAt(0).size(), 2u);
    ASSERT_EQ(s.coloursAt(2).size(), 3u);
    expectColour(s.coloursAt(2)[1], 1, 1, 1);
}

TEST_F(HeatmapSeriesTest, XmlCountStartsAtZeroAndBadXmlAddsNothing) {
    const QString oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    HeatmapSeries s;
    const bool bad = s.loadExperimentFile(write("bad.xml", "<ROOT><RESULTSET>"), 0);
    const bool ok = s.loadExperimentFile(
        write("nocount.xml",
              "<R><RESULTSET><ROW><COL/><COL/><COL><V>P</V></COL><COL/><COL/><COL/><COL/>"
              "<COL><V>1</V></COL></ROW></RESULTSET></R>"),
        0);
    QDir::setCurrent(oldCwd);
    EXPECT_FALSE(bad);
    ASSERT_TRUE(ok);
    ASSERT_EQ(s.entryCount(), 1);
    EXPECT_EQ(s.valuesAt(0), "");
    EXPECT_EQ(s.experimentAt(0), "");
}

TEST_F(HeatmapSeriesTest, RatioExperimentsPairByProteinLabelAndDetail) {
    HeatmapSeries s;
    // The label S1/pY occurs for two proteins; each pairs only with its own protein.
    s.addEntry("S1", "P1", "pY", "2\t4\tND", "X", "nx");
    s.addEntry("S1", "P2", "pY", "3\t1", "X", "nx");
    s.addEntry("S1", "P1", "pY", "1\t0\t5", "Y", "ny1");
    s.addEntry("S1", "P2", "pY", "3\t2", "Y", "ny2");
    s.addRatioExperiments();

    Array<std::string> names;
    s.experimentNames(names);
    EXPECT_EQ(names, (Array<std::string>{"X", "Y", "X/Y", "Y/X"}));
    ASSERT_EQ(s.entryCount(), 8);
    EXPECT_EQ(s.experimentAt(4), "X/Y");
    EXPECT_EQ(s.proteinAt(4), "P1");
    EXPECT_EQ(s.valuesAt(4), "2.\t\t\t");  // 4/0 and ND are missing
    EXPECT_EQ(s.noteAt(4), "ny1");
    EXPECT_EQ(s.proteinAt(5), "P2");
    EXPECT_EQ(s.valuesAt(5), "1.\t0.5\t");
    EXPECT_EQ(s.valuesAt(6), "0.5\t0.\t\t");

    const HeatmapColours xy2 = s.coloursAt(5);
    ASSERT_EQ(xy2.size(), 2u);
    expectColour(xy2[0], 0, 0, 0);  // exactly 1 is black
    expectColour(xy2[1], 0, 0, 1);  // the lowest ratio of X/Y
    const HeatmapColours xy1 = s.coloursAt(4);
    ASSERT_EQ(xy1.size(), 3u);
    expectColour(xy1[0], 1, 1, 0);
    expectColour(xy1[1], 1, 1, 1);
    const HeatmapColours yx1 = s.coloursAt(6);
    expectColour(yx1[1], 0, 0, 1);  // a ratio of 0 is the strongest low
}

TEST_F(HeatmapSeriesTest, ExperimentIndexFollowsAppendsAndRemovals) {
    HeatmapSeries s;
    EXPECT_TRUE(s.entriesOfExperiment("A").empty());
    s.addEntry("l", "P1", "d", "1\t", "A", "");
    s.addEntry("l", "P2", "d", "2\t", "B", "");
    s.addEntry("l", "P3", "d", "4\t", "A", "");
    EXPECT_EQ(s.entriesOfExperiment("A"), (Array<int>{0, 2}));

    // Appends after a query land in the index without a rebuild.
    s.addEntry("l", "P4", "d", "8\t", "B", "");
    s.addEntry("l", "P5", "d", "3\t", "C", "");
    EXPECT_EQ(s.entriesOfExperiment("B"), (Array<int>{1, 3}));
    Array<std::string> names;
    s.experimentNames(names);
    EXPECT_EQ(names, (Array<std::string>{"A", "B", "C"}));

    // A removal shifts every later index.
    s.removeEntry(1);
    EXPECT_EQ(s.entriesOfExperiment("A"), (Array<int>{0, 1}));
    EXPECT_EQ(s.entriesOfExperiment("B"), (Array<int>{2}));
    s.removeEntry(2);
    EXPECT_TRUE(s.entriesOfExperiment("B").empty());
    s.experimentNames(names);
    EXPECT_EQ(names, (Array<std::string>{"A", "C"}));
    Array<std::string> proteins;
    s.proteinsOfExperiment(proteins, "A");
    EXPECT_EQ(proteins, (Array<std::string>{"P1", "P3"}));

    // Colouring one experiment leaves the entries of another alone.
    s.computeColours("A");
    EXPECT_EQ(s.coloursAt(0).size(), 1u);
    EXPECT_TRUE(s.coloursAt(2).empty());
}

TEST_F(HeatmapSeriesTest, RatioExperimentsOfSeveralFilesMatchThePlainComputation) {
    // Four files: proteins missing from some, a protein twice in one file, value lists of
    // different lengths, missing values, zeros, negatives, quotients that overflow or
    // fall below the normal range, and CR line ends.
    const std::string files[] = {
        "P1\tS1\tpY\t2\t4\tND\t8\r\n"
        "P2\tS1\tpY\t3\t1\r\n"
        "P3\tT7\tpT\t1e300\t1e-300\t5\r\n"
        "P1\tS1\tpY\t6\t\t-2\r\n",
        "P1\tS1\tpY\t1\t0\t5\t 4\n"
        "P3\tT7\tpT\t1e-300\t1e300\t.5\n"
        "P4\tS9\tpS\t7\n",
        "P2\tS1\tpY\t3\t2\t9\n"
        "P4\tS9\tpS\t-7\tx\n"
        "P1\tS1\tpT\t5\n",
        "P2\tS1\tpY\t0.1\t0.3\n"
        "P1\tS1\tpY\t+3\t1.5\t2\t1\n"
        "P4\tS9\tpS\t7\n",
    };
    HeatmapSeries s;
    for (int f = 0; f < 4; ++f) {
        ASSERT_TRUE(s.loadExperimentFile(write("e" + std::to_string(f) + ".txt", files[f])));
    }
    const int loaded = s.entryCount();
    const Array<RatioRow> expected = plainRatios(s);
    s.addRatioExperiments();

    Array<RatioRow> got;
    for (int i = loaded; i < s.entryCount(); ++i) {
        got.push_back({s.experimentAt(i), s.proteinAt(i), s.labelAt(i), s.detailAt(i),
                       s.valuesAt(i), s.noteAt(i)});
    }
    EXPECT_EQ(got, expected);
    ASSERT_GT(expected.size(), 20u);

    Array<std::string> names;
    s.experimentNames(names);
    Array<std::string> expectedNames = {"e0.txt", "e1.txt", "e2.txt", "e3.txt"};
    for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) {
            if (x != y) {
                expectedNames.push_back(expectedNames[x] + "/" + expectedNames[y]);
            }
        }
    }
    EXPECT_EQ(names, expectedNames);  // every pair has a row here

    // The colours are those the stored texts give.
    HeatmapSeries fromText = s;
    for (size_t e = 4; e < names.size(); ++e) {
        fromText.computeRatioColours(names[e]);
    }
    for (int i = 0; i < s.entryCount(); ++i) {
        EXPECT_EQ(s.coloursAt(i), fromText.coloursAt(i)) << i;
    }
}

TEST_F(HeatmapSeriesTest, RatioExperimentNamedLikeALoadedOneColoursBoth) {
    // An XML experiment may be called "A/B": the ratios of A to B join it, and the whole
    // experiment is coloured on the ratio scale.
    HeatmapSeries s;
    s.addEntry("S1", "P1", "pY", "2\t8\t", "A", "");
    s.addEntry("S1", "P1", "pY", "1\t2\t", "B", "");
    s.addEntry("S5", "P5", "pY", "16\t0.5\t", "A/B", "n");
    const Array<RatioRow> expected = plainRatios(s);
    s.addRatioExperiments();

    EXPECT_EQ(s.entriesOfExperiment("A/B"), (Array<int>{2, 3}));
    ASSERT_EQ(s.entryCount(), 5);
    EXPECT_EQ((RatioRow{s.experimentAt(3), s.proteinAt(3), s.labelAt(3), s.detailAt(3),
                        s.valuesAt(3), s.noteAt(3)}),
              expected[0]);
    EXPECT_EQ(s.valuesAt(3), "2.\t4.\t");
    // The scale runs from 0.5 to 16: 16 is the strongest high, 4 half of it.
    expectColour(s.coloursAt(2)[0], 1, 1, 0);
    expectColour(s.coloursAt(2)[1], 0, 0, 1);
    expectColour(s.coloursAt(3)[1], 0.5f, 0.5f, 0);
}
