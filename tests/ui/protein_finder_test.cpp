#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include "engine/render/Image.h"
#include "pathway/ImageProcessorSelection.h"
#include "ui/ProteinFinder.h"

namespace {

// A finder whose search answers from a list and records what it was asked.
struct FinderFixture : testing::Test {
    std::vector<App::ProteinHit> answer;
    std::string failure;
    std::vector<std::string> asked;
    ProteinFinder finder{[this](const std::string& text, std::string& why) {
        asked.push_back(text);
        why = failure;
        return answer;
    }};

    void search(const QString& text) {
        finder.searchBox()->setText(text);
        QTest::mouseClick(finder.searchButton(), Qt::LeftButton);
    }
    QStringList listed() const {
        QStringList out;
        for (int i = 0; i < finder.matchList()->count(); ++i) {
            out << finder.matchList()->item(i)->text();
        }
        return out;
    }
};

TEST_F(FinderFixture, FreshDialogHasNoResultAndPlacesNothing) {
    EXPECT_EQ(finder.windowTitle(), "Search proteins");
    EXPECT_TRUE(finder.noMatches());
    EXPECT_FALSE(finder.placeButton()->isEnabled());
    EXPECT_FALSE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "");
    EXPECT_EQ(finder.resultId(), "");
    finder.placeProteinCreate();
    EXPECT_FALSE(finder.chosen());
}

TEST_F(FinderFixture, MatchWithCommasInItsAnnotationIsListedDetailedAndPlaced) {
    answer = {{"1234", "GRB2", 57, "kinase, adaptor"}, {"99", "GRB7", 3, ""}};
    search("Grb");
    ASSERT_EQ(asked, std::vector<std::string>{"Grb"});
    EXPECT_EQ(listed(), (QStringList{"GRB2", "GRB7"}));
    EXPECT_FALSE(finder.placeButton()->isEnabled());

    finder.matchList()->setCurrentRow(0);
    EXPECT_EQ(finder.detailsBox()->toPlainText(),
              "Id:1234\nName: GRB2\n# Interactions: 57\nAnnot: kinase, adaptor");
    EXPECT_TRUE(finder.placeButton()->isEnabled());

    QTest::mouseClick(finder.placeButton(), Qt::LeftButton);
    EXPECT_TRUE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "GRB2");
    EXPECT_EQ(finder.resultId(), "1234");
    EXPECT_EQ(finder.result(), QDialog::Accepted);
}

TEST_F(FinderFixture, SearchWithoutMatchesAfterOneWithShowsOnlyTheHints) {
    answer = {{"1234", "GRB2", 57, "adaptor"}};
    search("Grb2");
    finder.matchList()->setCurrentRow(0);
    ASSERT_TRUE(finder.placeButton()->isEnabled());

    answer.clear();
    search("Grb2xyz");
    EXPECT_TRUE(finder.noMatches());
    EXPECT_EQ(listed(), (QStringList{"No matches have been found",
                                     "Make your search string more general (Grb2 -> Grb)"}));
    EXPECT_FALSE(finder.placeButton()->isEnabled());
    finder.matchList()->setCurrentRow(1);
    EXPECT_EQ(finder.detailsBox()->toPlainText(), "");
    EXPECT_FALSE(finder.placeButton()->isEnabled());
    finder.placeProteinCreate();
    EXPECT_FALSE(finder.chosen());
}

TEST_F(FinderFixture, JustSomeLabelGivesTheTextAsNameAndId) {
    finder.searchBox()->setText("MyLabel");
    QTest::mouseClick(finder.labelButton(), Qt::LeftButton);
    EXPECT_TRUE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "MyLabel");
    EXPECT_EQ(finder.resultId(), "MyLabel");
}

TEST_F(FinderFixture, OnlyWhatWouldCorruptThePathwayFileIsRefused) {
    // A free label is its own identifier, which ends at "#" and joins interactions with "|".
    for (const QString& text : {QString("a#b"), QString("a|b"), QString("a\tb")}) {
        finder.searchBox()->setText(text);
        QTest::mouseClick(finder.labelButton(), Qt::LeftButton);
        EXPECT_FALSE(finder.chosen()) << text.toStdString();
        EXPECT_EQ(finder.resultName(), "") << text.toStdString();
        EXPECT_FALSE(finder.detailsBox()->toPlainText().isEmpty()) << text.toStdString();
    }
    // An identifier the seed list could not hold.
    answer = {{"7#8", "A", 1, ""}};
    search("A");
    finder.matchList()->setCurrentRow(0);
    finder.placeProteinCreate();
    EXPECT_FALSE(finder.chosen());

    // The names a STRING source gives are placed as they are.
    answer = {{"9606.ENSP00000269305", "TP53|string", 12, ""}};
    search("TP53");
    finder.matchList()->setCurrentRow(0);
    finder.placeProteinCreate();
    EXPECT_TRUE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "TP53|string");
    EXPECT_EQ(finder.resultId(), "9606.ENSP00000269305");
}

TEST_F(FinderFixture, AnEmptyFreeLabelIsTaken) {
    QTest::mouseClick(finder.labelButton(), Qt::LeftButton);
    EXPECT_TRUE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "");
    EXPECT_EQ(finder.resultId(), "");
}

TEST_F(FinderFixture, ASearchTheSourceCouldNotRunSaysWhy) {
    failure = "species \"Mouse\" has no tables\nsecond line";
    search("TP53");
    EXPECT_EQ(listed(), (QStringList{"The data source could not search:",
                                     "species \"Mouse\" has no tables", "second line"}));
    finder.matchList()->setCurrentRow(1);
    EXPECT_FALSE(finder.placeButton()->isEnabled());
}

TEST_F(FinderFixture, CancelGivesFalseAndNone) {
    finder.searchBox()->setText("MyLabel");
    QTest::mouseClick(finder.cancelButton(), Qt::LeftButton);
    EXPECT_FALSE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "none");
    EXPECT_EQ(finder.resultId(), "none");
    EXPECT_EQ(finder.result(), QDialog::Rejected);
}

TEST_F(FinderFixture, ClosingLeavesTheResultsEmpty) {
    finder.show();
    finder.close();
    EXPECT_FALSE(finder.chosen());
    EXPECT_EQ(finder.resultName(), "");
    EXPECT_EQ(finder.resultId(), "");
}

TEST(ProteinFinderPreview, ThreeChannelImageIsReadAsRgb) {
    Image image(3, 2, 3);
    image.setPixel(0, 0, {10, 20, 30, 255});
    image.setPixel(2, 1, {200, 100, 50, 255});
    ASSERT_EQ(image.channels(), 3);
    const QImage preview = previewImage(image);
    ASSERT_EQ(preview.size(), QSize(3, 2));
    EXPECT_EQ(preview.format(), QImage::Format_RGB32);
    EXPECT_EQ(preview.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(preview.pixel(2, 1), qRgb(200, 100, 50));
    EXPECT_EQ(preview.pixel(1, 0), qRgb(0, 0, 0));
}

TEST(ProteinFinderPreview, AlphaIsIgnoredAndTheRegionBoxIsCut) {
    Image image(4, 4, 4);
    image.setPixel(1, 2, {5, 6, 7, 0});
    const QImage whole = previewImage(image);
    EXPECT_EQ(qAlpha(whole.pixel(1, 2)), 255);
    EXPECT_EQ(whole.pixel(1, 2), qRgb(5, 6, 7));

    ImageProcessorSelection region(1, 2, 2, 3, false);
    const QImage piece = regionPreview(image, region);
    ASSERT_EQ(piece.size(), QSize(2, 2));
    EXPECT_EQ(piece.pixel(0, 0), qRgb(5, 6, 7));

    ImageProcessorSelection outside(10, 10, 12, 12, false);
    EXPECT_TRUE(regionPreview(image, outside).isNull());
}

}  // namespace
