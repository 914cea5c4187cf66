// Text forms and string helpers: exact bytes, read-back, and locale independence.
#include "model/TextConversions.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

TEST(TextConversions, DelimitersAreWholeStrings) {
    EXPECT_EQ(beforeDelimiter("abc", "|"), "abc");
    EXPECT_EQ(afterDelimiter("abc", "|"), "");
    EXPECT_EQ(beforeDelimiter("P1#label#x", "#"), "P1");
    EXPECT_EQ(afterDelimiter("P1#label#x", "#"), "label#x");
    EXPECT_EQ(split("a||b", "||"), (Array<std::string>{"a", "b"}));
    EXPECT_EQ(split("a|b", "||"), (Array<std::string>{"a|b"}));
}

TEST(TextConversions, SplitKeepsInnerAndLeadingEmptyFields) {
    EXPECT_EQ(split("a,,b", ","), (Array<std::string>{"a", "", "b"}));
    EXPECT_EQ(split(",a", ","), (Array<std::string>{"", "a"}));
    EXPECT_EQ(split("a,", ","), (Array<std::string>{"a"}));
    EXPECT_TRUE(split("", ",").empty());
    EXPECT_EQ(split(",,", ","), (Array<std::string>{"", ""}));
    // An empty delimiter would never advance.
    EXPECT_EQ(split("abc", ""), (Array<std::string>{"abc"}));
    EXPECT_TRUE(split("", "").empty());
}

TEST(TextConversions, ReplaceAllRescansAndRefusesEndlessWork) {
    EXPECT_EQ(replaceAll(" a b  c ", " ", ""), "abc");
    // Searching again from the start: a replacement may complete a new match.
    EXPECT_EQ(replaceAll("aab", "ab", "b"), "b");
    EXPECT_EQ(replaceAll("xaaby", "ab", "b"), "xby");
    EXPECT_EQ(replaceAll("abc", "b", "bb"), "abc");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("a.b.c", ".", "::"), "a::b::c");
}

TEST(TextConversions, CaseChangesTouchOnlyAsciiLetters) {
    EXPECT_EQ(toUpper("abZ9_\xe4"), "ABZ9_\xe4");
    EXPECT_EQ(toLower("ABz9_\xc4"), "abz9_\xc4");
}

TEST(TextConversions, ShortFormsMatchPrintfG) {
    EXPECT_EQ(vector3ToString(Vector3(0.5f, 1.0f, -2.25f)), "(0.5, 1, -2.25)");
    EXPECT_EQ(vector3ToString(Vector3(1e6f, 1e-5f, 123456.7f)), "(1e+06, 1e-05, 123457)");
    EXPECT_EQ(color4ToString(0.5f, 0.25f, 1.0f, 1.0f), "(0.5, 0.25, 1, 1)");
    Matrix3 m;
    m(0, 1) = 2;
    m(2, 0) = -0.125f;
    EXPECT_EQ(matrix3ToString(m), "[1, 2, 0; 0, 1, 0; -0.125, 0, 1]");
    CoordinateFrame f(m, Vector3(1, 2, 3));
    EXPECT_EQ(coordinateFrameToString(f), "((1, 2, 3);[1, 2, 0; 0, 1, 0; -0.125, 0, 1])");
    EXPECT_EQ(intToString(-42), "-42");
    EXPECT_EQ(intToString(std::numeric_limits<int>::min()), "-2147483648");
}

TEST(TextConversions, ParsersReadTheirWritersBack) {
    EXPECT_EQ(stringToVector3("(1, 2, 3)"), Vector3(1, 2, 3));
    EXPECT_EQ(stringToVector3("[1,2,3]"), Vector3(1, 2, 3));
    EXPECT_EQ(stringToColor4(color4ToString(0.5f, 0.25f, 1, 1)), Color4(0.5f, 0.25f, 1, 1));
    auto v4 = stringToVector4("(1, -2, 3.5, 4)");
    EXPECT_EQ(v4, Vector4(1, -2, 3.5f, 4));

    Matrix3 m;
    m(0, 0) = 0.5f;
    m(1, 2) = -3;
    m(2, 1) = 7;
    EXPECT_EQ(stringToMatrix3(matrix3ToString(m)), m);
    CoordinateFrame f(m, Vector3(-1, 0.25f, 9));
    EXPECT_EQ(stringToCoordinateFrame(coordinateFrameToString(f)), f);
}

TEST(TextConversions, ParsersGiveZeroForMissingFields) {
    EXPECT_EQ(stringToVector3(""), Vector3());
    EXPECT_EQ(stringToVector3("("), Vector3());
    EXPECT_EQ(stringToVector3("()"), Vector3());
    EXPECT_EQ(stringToVector3("(1, 2)"), Vector3(1, 2, 0));
    EXPECT_EQ(stringToVector3("(1,,3)"), Vector3(1, 0, 3));
    EXPECT_EQ(stringToColor4("(0.5)"), Color4(0.5f, 0, 0, 0));
    Matrix3 partial = stringToMatrix3("[1, 2; 3]");
    EXPECT_EQ(partial(0, 0), 1);
    EXPECT_EQ(partial(0, 1), 2);
    EXPECT_EQ(partial(1, 0), 3);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            if (!(r == 0 && c < 2) && !(r == 1 && c == 0)) {
                EXPECT_EQ(partial(r, c), 0) << r << "," << c;
            }
        }
    }
    CoordinateFrame f = stringToCoordinateFrame("((4, 5, 6))");
    EXPECT_EQ(f.translation, Vector3(4, 5, 6));
    EXPECT_EQ(f.rotation(0, 0), 0);
    EXPECT_EQ(stringToCoordinateFrame("x").translation, Vector3());
}

TEST(TextConversions, DoubleFormKeepsPointAndDropsZeros) {
    EXPECT_EQ(doubleToString(50), "50.");
    EXPECT_EQ(stringToDouble("50."), 50);
    EXPECT_EQ(doubleToString(0), "0.");
    EXPECT_EQ(doubleToString(-3), "-3.");
    EXPECT_EQ(doubleToString(0.5), "0.5");
    EXPECT_EQ(doubleToString(-1.25), "-1.25");
    EXPECT_EQ(doubleToString(0.1), "0.1");
    EXPECT_EQ(doubleToString(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(doubleToString(0.0001), "0.0001");
    EXPECT_EQ(doubleToString(0.00012), "0.00012");
    EXPECT_EQ(doubleToString(0.00001), "1e-05");
    EXPECT_EQ(doubleToString(1.5e-7), "1.5e-07");
    EXPECT_EQ(doubleToString(1e16), "10000000000000000.");
    EXPECT_EQ(doubleToString(1e17), "1e+17");
    EXPECT_EQ(doubleToString(-2.5e100), "-2.5e+100");
    EXPECT_EQ(doubleToString(123456.789), "123456.789");
    EXPECT_EQ(doubleToString(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(doubleToString(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(doubleToString(std::nan("")), "nan");
}

TEST(TextConversions, DoubleFormReadsBackExactly) {
    std::mt19937_64 random(12345);
    auto roundTrips = [](double x) {
        double back = stringToDouble(doubleToString(x));
        return std::memcmp(&back, &x, sizeof x) == 0 || (x == 0 && back == 0);
    };
    const double special[] = {0.1,
                              0.2,
                              1.0 / 3.0,
                              1e-4,
                              9.9999999999999991e-5,
                              1e17 - 16,
                              1e17,
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::lowest(),
                              std::numeric_limits<double>::min(),
                              std::numeric_limits<double>::denorm_min(),
                              std::nextafter(1.0, 2.0),
                              -0.0};
    for (double x : special) {
        EXPECT_TRUE(roundTrips(x)) << doubleToString(x);
    }
    int failures = 0;
    for (int i = 0; i < 200000 && failures < 5; ++i) {
        std::uint64_t bits = random();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        if (!std::isfinite(x)) {
            continue;
        }
        if (!roundTrips(x)) {
            ++failures;
            ADD_FAILURE() << doubleToString(x);
        }
        double y = std::ldexp(static_cast<double>(bits % 1000000007), -static_cast<int>(i % 40));
        if (!roundTrips(y)) {
            ++failures;
            ADD_FAILURE() << doubleToString(y);
        }
    }
    for (int i = -1000; i <= 1000; ++i) {
        EXPECT_EQ(stringToDouble(doubleToString(i)), i);
    }
}

TEST(TextConversions, StringToDoubleAcceptsWhatAtofAccepts) {
    EXPECT_EQ(stringToDouble("  \t12abc"), 12);
    EXPECT_EQ(stringToDouble("+1.5e3x"), 1500);
    EXPECT_EQ(stringToDouble("-.5"), -0.5);
    EXPECT_EQ(stringToDouble("1e"), 1);
    EXPECT_EQ(stringToDouble("1.e+01"), 10);
    EXPECT_EQ(stringToDouble("1e+017"), 1e17);
    EXPECT_EQ(stringToDouble("0x1p3"), 8);
    EXPECT_EQ(stringToDouble("abc"), 0);
    EXPECT_EQ(stringToDouble(""), 0);
    EXPECT_EQ(stringToDouble("+-1"), 0);
    EXPECT_EQ(stringToDouble("-"), 0);
    EXPECT_TRUE(std::isinf(stringToDouble("inf")));
    EXPECT_LT(stringToDouble("-Infinity"), 0);
    EXPECT_TRUE(std::isnan(stringToDouble("nan")));
    EXPECT_EQ(stringToDouble("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(stringToDouble("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(stringToDouble("1e-400"), 0);
    EXPECT_EQ(stringToDouble("123e-500"), 0);
    EXPECT_EQ(stringToDouble("0.0001e400"), std::numeric_limits<double>::infinity());
}

TEST(TextConversions, StringToIntAcceptsWhatAtoiAccepts) {
    EXPECT_EQ(stringToInt(" 42abc"), 42);
    EXPECT_EQ(stringToInt("+7"), 7);
    EXPECT_EQ(stringToInt("-13"), -13);
    EXPECT_EQ(stringToInt("3.9"), 3);
    EXPECT_EQ(stringToInt("abc"), 0);
    EXPECT_EQ(stringToInt(""), 0);
    EXPECT_EQ(stringToInt("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(stringToInt("99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(stringToInt("-99999999999999999999"), std::numeric_limits<int>::min());
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
    Vector3 parsedVector = stringToVector3("(0.5, 1.25, -3)");
    std::string color = color4ToString(0.5f, 0.25f, 1, 1);

    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(localised, "0,5");  // the locale really is in force
    EXPECT_EQ(vector, "(0.5, 1.25, -3)");
    EXPECT_EQ(number, "2.5");
    EXPECT_EQ(parsed, 0.75);
    EXPECT_EQ(parsedVector, Vector3(0.5f, 1.25f, -3));
    EXPECT_EQ(color, "(0.5, 0.25, 1, 1)");
}
