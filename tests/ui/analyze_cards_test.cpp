#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "model/Property.h"
#include "model/PropertyList.h"
#include "ui/AnalyzeCards.h"

using namespace analyzecards;

namespace {

PropertyList listOf(std::initializer_list<std::pair<std::string, Array<std::string>>> entries) {
    PropertyList list("P1");
    for (const auto& [name, values] : entries) {
        list.addProperty(std::make_unique<Property>(name, values));
    }
    return list;
}

const std::string kTeal = "<p><font color=\"#008080\"><b>";
const std::string kPubmed =
    "https://www.ncbi.nlm.nih.gov/entrez/"
    "query.fcgi?cmd=Retrieve&db=pubmed&dopt=Abstract&list_uids=";

TEST(AnalyzeCards, ProteinCardShowsTextBlocksThenLinkBlocksOfRatedPropertiesItHas) {
    const PropertyList properties = listOf({{"links", {"http://a.org/1", "http://b.org/2"}},
                                            {"name", {"TP53"}},
                                            {"annotation", {"tumour suppressor", "nuclear"}},
                                            {"unrated", {"hidden"}}});
    Ratings ratings;
    ratings.text = {"annotation", "missing", "name"};
    ratings.links = {"links"};
    EXPECT_EQ(proteinCard("p53", properties, ratings),
              kTeal + "Id: </b></font>p53</p>" + kTeal +
                  "annotation: </b></font><br>tumour suppressor<br>nuclear<br></p>" + kTeal +
                  "name: </b></font><br>TP53<br></p>" + kTeal +
                  "links: </b></font><br>"
                  "<a href=\"http://a.org/1\">http://a.org/1</a><br>"
                  "<a href=\"http://b.org/2\">http://b.org/2</a><br></p>");
}

TEST(AnalyzeCards, NoInformationTextsAreExact) {
    EXPECT_EQ(noProteinCard(),
              "<p><font color=\"#008080\"><b>No information. No protein selected or protein is "
              "filtered out</b></font></p>");
    EXPECT_EQ(noInteractionCard(),
              "<p><font color=\"#008080\"><b>No information because no interaction is selected "
              "or interaction was filtered out</b></font></p>");
}

TEST(AnalyzeCards, ValuesAreEscapedAndFixedPiecesAreNot) {
    const PropertyList properties = listOf({{"note", {"<b>&\"'"}}, {"site", {"x\"><script>"}}});
    Ratings ratings;
    ratings.text = {"note"};
    ratings.links = {"site"};
    EXPECT_EQ(proteinCard("A<B", properties, ratings),
              kTeal + "Id: </b></font>A&lt;B</p>" + kTeal +
                  "note: </b></font><br>&lt;b&gt;&amp;&quot;&#39;<br></p>" + kTeal +
                  "site: </b></font><br><a href=\"x&quot;&gt;&lt;script&gt;\">"
                  "x&quot;&gt;&lt;script&gt;</a><br></p>");
    // The literature prefix keeps its own "&"; the id is escaped.
    EXPECT_NE(experimentBlock("t#c#s#1&2").find(kPubmed + "1&amp;2\">"), std::string::npos);
}

TEST(AnalyzeCards, InteractionCardWithAndWithoutProperties) {
    const PropertyList properties = listOf({{"confidence", {"900"}}});
    Ratings ratings;
    ratings.text = {"confidence"};
    EXPECT_EQ(interactionCard("EGFR", "GRB2", &properties, ratings),
              kTeal + "Interaction: </b></font>EGFR - GRB2</p>" + kTeal +
                  "confidence: </b></font><br>900<br></p>");
    EXPECT_EQ(interactionCard("EGFR", "GRB2", nullptr, ratings),
              kTeal + "Interaction: </b></font>EGFR - GRB2</p>");
}

TEST(AnalyzeCards, ExperimentBlockOfFullAndShortRecords) {
    const std::string full = experimentBlock("in vivo#binds#http://src.org/x#12345");
    EXPECT_EQ(full,
              "<br><font color=\"#008080\"><b>Type: </b></font>in vivo<br>"
              "<font color=\"#008080\"><b>Comment: </b></font>binds<br>"
              "<font color=\"#008080\"><b>Source: </b></font>"
              "<a href=\"http://src.org/x\">http://src.org/x</a><br>"
              "<font color=\"#008080\"><b>Pubmed: </b></font><a href=\"" +
                  kPubmed + "12345\">" + kPubmed + "12345</a><br>");
    // Three fields: the literature id reads as empty.
    EXPECT_EQ(experimentBlock("in vitro#none#src"),
              "<br><font color=\"#008080\"><b>Type: </b></font>in vitro<br>"
              "<font color=\"#008080\"><b>Comment: </b></font>none<br>"
              "<font color=\"#008080\"><b>Source: </b></font><a href=\"src\">src</a><br>"
              "<font color=\"#008080\"><b>Pubmed: </b></font><a href=\"" +
                  kPubmed + "\">" + kPubmed + "</a><br>");
    // Nothing at all still gives four empty fields.
    EXPECT_EQ(experimentBlock(""), experimentBlock("###"));
}

TEST(AnalyzeCards, ProteinDialogListsPresentFieldsInFixedOrderThenExperimentals) {
    const PropertyList properties = listOf({{"sequence", {"MEEP", "ignored"}},
                                            {"name", {"TP53"}},
                                            {"experimental", {"a#b#c#1", "d#e"}}});
    EXPECT_EQ(proteinDialogTitle("p53"), "info for p53");
    EXPECT_EQ(proteinDialogText("00001", &properties),
              kTeal + "Id: </b></font>00001</p>" + kTeal + "Name: </b></font>TP53</p>" + kTeal +
                  "Sequence: </b></font>MEEP</p>" +
                  "<br><br><br><font size=4 color=\"#008080\"><b>Experimentals </b></font><br>" +
                  experimentBlock("a#b#c#1") + experimentBlock("d#e"));
    // A protein whose properties are gone: the id line only.
    EXPECT_EQ(proteinDialogText("", nullptr), kTeal + "Id: </b></font></p>");
}

TEST(AnalyzeCards, InteractionDialogShowsConfidenceAndOnlySharedRecords) {
    const PropertyList edge = listOf({{"confidence", {"750", "1"}}});
    const PropertyList first = listOf({{"experimental", {"x#1#s#9", "shared#c#s#2"}}});
    const PropertyList second = listOf({{"experimental", {"shared#c#s#2", "y#2#s#8"}}});
    const PropertyList none = listOf({{"name", {"N"}}});
    EXPECT_EQ(interactionDialogTitle("EGFR", "GRB2"), "info for EGFR<->GRB2");
    EXPECT_EQ(interactionDialogText(&edge, &first, &second),
              kTeal + "Confidence: </b></font>750</p>" + experimentBlock("shared#c#s#2"));
    EXPECT_EQ(interactionDialogText(nullptr, &first, &none), "");
    EXPECT_EQ(interactionDialogText(nullptr, nullptr, nullptr), "");
}

}  // namespace
