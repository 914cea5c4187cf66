// How the STRING source puts user text into SQL: no server needed.
#include <gtest/gtest.h>

#include "datasources/StringDataSource.h"

TEST(SqlQuotingTest, LiteralsDoubleTheirQuotesOnly) {
    EXPECT_EQ(StringDataSource::quoteLiteral("9606.ENSP00000269305"), "9606.ENSP00000269305");
    EXPECT_EQ(StringDataSource::quoteLiteral("o'brien"), "o''brien");
    EXPECT_EQ(StringDataSource::quoteLiteral("''"), "''''");
    EXPECT_EQ(StringDataSource::quoteLiteral("a\\b"), "a\\b");
    EXPECT_EQ(StringDataSource::quoteLiteral(""), "");
    EXPECT_EQ(StringDataSource::quoteLiteral(std::string("a\0'b", 4)), "a''b");
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
