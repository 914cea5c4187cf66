// How the STRING source puts user text into SQL: no server needed.
#include <gtest/gtest.h>

#include "datasources/StringDataSource.h"

TEST(SqlQuotingTest, IdListsAreOneArrayValue) {
    const Array<std::string> ids{"9606.ENSP1",           "o'brien", "a\"b", "c\\d", "", "x,y}",
                                 std::string("n\0ul", 4)};
    EXPECT_EQ(StringDataSource::textArray(ids, 0, 1), "{\"9606.ENSP1\"}");
    // Only the array syntax is escaped: the value never becomes SQL.
    EXPECT_EQ(StringDataSource::textArray(ids, 1, 5),
              "{\"o'brien\",\"a\\\"b\",\"c\\\\d\",\"\",\"x,y}\"}");
    EXPECT_EQ(StringDataSource::textArray(ids, 6, 1), "{\"nul\"}");
    EXPECT_EQ(StringDataSource::textArray(ids, 5, 10), "{\"x,y}\",\"nul\"}");
    EXPECT_EQ(StringDataSource::textArray(ids, 0, 0), "{}");
}

TEST(SqlQuotingTest, LikePatternsEscapeWildcards) {
    EXPECT_EQ(StringDataSource::escapeLike("MAP KINASE"), "MAP KINASE");
    EXPECT_EQ(StringDataSource::escapeLike("100%_x\\"), "100\\%\\_x\\\\");
}

TEST(SqlQuotingTest, SpeciesMustBeAnIdentifier) {
    for (const char* ok : {"human", "Human", "_x", "h9606", "mus_musculus"}) {
        EXPECT_TRUE(StringDataSource::isValidSpecies(ok)) << ok;
    }
    for (const char* bad : {"", "9606", "human proteins", "human;", "x'", "human-2", "h\xc3\xa9"}) {
        EXPECT_FALSE(StringDataSource::isValidSpecies(bad)) << bad;
    }
}

TEST(SqlQuotingTest, BareIdsLoseTheirCopySuffix) {
    EXPECT_EQ(StringDataSource::bareId("P1_2"), "P1");
    EXPECT_EQ(StringDataSource::bareId("P1_2_3"), "P1");
    EXPECT_EQ(StringDataSource::bareId("P1"), "P1");
    EXPECT_EQ(StringDataSource::bareId("_2"), "");
}
