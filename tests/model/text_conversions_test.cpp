// Text forms and string helpers: exact bytes, read-back, and locale independence.
#include "model/TextConversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using Strings = Array<std::string>;
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(TextConversions, StringHelpers) {
    EXPECT_EQ(beforeDelimiter("abc", "|"), "abc");
    EXPECT_EQ(afterDelimiter("abc", "|"), "");
    EXPECT_EQ(afterDelimiter("P1#label#x", "#"), "label#x");
    EXPECT_EQ(split("a||b", "||"), (Strings{"a", "b"}));
    EXPECT_EQ(split("a|b", "||"), (Strings{"a|b"}));
    EXPECT_EQ(split("a,,b", ","), (Strings{"a", "", "b"}));
    EXPECT_EQ(split(",a", ","), (Strings{"", "a"}));
    EXPECT_EQ(split("a,", ","), (Strings{"a"}));
    EXPECT_TRUE(split("", ",").empty());
    EXPECT_EQ(split("abc", ""), (Strings{"abc"}));  // would never advance
    EXPECT_EQ(replaceAll(" a b  c ", " ", ""), "abc");
    EXPECT_EQ(replaceAll("aab", "ab", "b"), "b");  // a replacement may complete a new match
    EXPECT_EQ(replaceAll("abc", "b", "bb"), "abc");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(toUpper("abZ9_\xe4"), "ABZ9_\xe4");
    EXPECT_EQ(toLower("ABz9_\xc4"), "abz9_\xc4");
}

TEST(TextConversions, ShortFormsAndTheirParsers) {
    EXPECT_EQ(vector3ToString(Vector3(1e6f, 1e-5f, 123456.7f)), "(1e+06, 1e-05, 123457)");
    EXPECT_EQ(color4ToString(0.5f, 0.25f, 1.0f, 1.0f), "(0.5, 0.25, 1, 1)");
    Matrix3 m;
    m(0, 1) = 2;
    m(2, 0) = -0.125f;
    CoordinateFrame f(m, Vector3(1, 2, 3));
    EXPECT_EQ(coordinateFrameToString(f), "((1, 2, 3);[1, 2, 0; 0, 1, 0; -0.125, 0, 1])");
    EXPECT_EQ(stringToCoordinateFrame(coordinateFrameToString(f)), f);
    EXPECT_EQ(stringToMatrix3(matrix3ToString(m)), m);
    EXPECT_EQ(stringToVector3("[1,2,3]"), Vector3(1, 2, 3));
    EXPECT_EQ(stringToVector4("(1, -2, 3.5, 4)"), Vector4(1, -2, 3.5f, 4));
    EXPECT_EQ(stringToColor4(color4ToString(0.5f, 0.25f, 1, 1)), Color4(0.5f, 0.25f, 1, 1));
    EXPECT_EQ(intToString(std::numeric_limits<int>::min()), "-2147483648");
}

TEST(TextConversions, ParsersGiveZeroForMissingFields) {
    EXPECT_EQ(stringToVector3("("), Vector3());
    EXPECT_EQ(stringToVector3("(1, 2)"), Vector3(1, 2, 0));
    EXPECT_EQ(stringToVector3("(1,,3)"), Vector3(1, 0, 3));
    // Blanks go before the fields are read, even inside a number.
    EXPECT_EQ(stringToVector3("( 1 , 2 5,\t3, )"), Vector3(1, 25, 3));
    EXPECT_EQ(stringToColor4("(0.5)"), Color4(0.5f, 0, 0, 0));
    Matrix3 expected;
    expected.m[0][0] = 1, expected.m[0][1] = 2, expected.m[1][0] = 3;
    expected.m[1][1] = expected.m[2][2] = 0;
    EXPECT_EQ(stringToMatrix3("[1, 2; 3]"), expected);
    CoordinateFrame f = stringToCoordinateFrame("((4, 5, 6))");
    EXPECT_EQ(f.translation, Vector3(4, 5, 6));
    EXPECT_EQ(f.rotation(0, 0), 0);
    EXPECT_EQ(stringToCoordinateFrame("x").translation, Vector3());
}

TEST(TextConversions, DoubleForm) {
    const std::pair<double, const char*> cases[] = {
        {50, "50."},         {0, "0."},
        {-3, "-3."},         {0.1, "0.1"},
        {-1.25, "-1.25"},    {1.0 / 3.0, "0.3333333333333333"},
        {0.0001, "0.0001"},  {0.00001, "1e-05"},
        {1.5e-7, "1.5e-07"}, {1e16, "10000000000000000."},
        {1e17, "1e+17"},     {-2.5e100, "-2.5e+100"},
        {kInf, "inf"},       {std::nan(""), "nan"}};
    std::string appended = "x";
    for (auto [value, text] : cases) {
        EXPECT_EQ(doubleToString(value), text);
        appendDouble(appended, value);
        appended += text;
    }
    // Appending keeps what was there and writes the same text.
    std::string expected = "x";
    for (auto [value, text] : cases) {
        expected += std::string(text) + text;
    }
    EXPECT_EQ(appended, expected);
}

TEST(TextConversions, DoubleFormReadsBackExactly) {
    auto roundTrips = [](double x) {
        double back = stringToDouble(doubleToString(x));
        return std::memcmp(&back, &x, sizeof x) == 0;
    };
    for (double x : {std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(),
                     std::numeric_limits<double>::min(), std::numeric_limits<double>::denorm_min(),
                     std::nextafter(1.0, 2.0), 1e17 - 16, -0.0}) {
        EXPECT_TRUE(roundTrips(x)) << doubleToString(x);
    }
    std::mt19937_64 random(12345);
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 5; ++i) {
        std::uint64_t bits = random();
        double x, y = std::ldexp(static_cast<double>(bits % 1000000007), -(i % 40));
        std::memcpy(&x, &bits, sizeof x);
        for (double v : {x, y}) {
            if (std::isfinite(v) && !roundTrips(v)) {
                ++failures;
                ADD_FAILURE() << doubleToString(v);
            }
        }
    }
}

TEST(TextConversions, ReadersAcceptWhatAtofAndAtoiAccept) {
    const std::pair<const char*, double> doubles[] = {
        {"  \t12abc", 12}, {"+1.5e3x", 1500}, {"-.5", -0.5}, {"1e", 1},      {"1e+017", 1e17},
        {"0x1p3", 8},      {"abc", 0},        {"", 0},       {"+-1", 0},     {"-inf", -kInf},
        {"1e400", kInf},   {"-1e400", -kInf}, {"1e-400", 0}, {"123e-500", 0}};
    for (auto [text, value] : doubles) {
        EXPECT_EQ(stringToDouble(text), value) << text;
    }
    EXPECT_TRUE(std::isnan(stringToDouble("nan")));
    const std::pair<const char*, int> ints[] = {{" 42abc", 42},
                                                {"+7", 7},
                                                {"3.9", 3},
                                                {"abc", 0},
                                                {"-2147483648", std::numeric_limits<int>::min()},
                                                {"99999999999", std::numeric_limits<int>::max()},
                                                {"-99999999999", std::numeric_limits<int>::min()}};
    for (auto [text, value] : ints) {
        EXPECT_EQ(stringToInt(text), value) << text;
    }
}

TEST(TextConversions, FormsIgnoreACommaDecimalLocale) {
    std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%g", 0.5);
    std::string localised = probe;
    std::string vector = vector3ToString(Vector3(0.5f, 1.25f, -3));
    std::string number = doubleToString(2.5);
    double parsed = stringToDouble("0.75");
    std::setlocale(LC_ALL, saved.c_str());

    EXPECT_EQ(localised, "0,5");  // the locale really was in force
    EXPECT_EQ(vector, "(0.5, 1.25, -3)");
    EXPECT_EQ(number, "2.5");
    EXPECT_EQ(parsed, 0.75);
}
