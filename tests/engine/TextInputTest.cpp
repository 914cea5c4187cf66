// Tokenizer behaviour the configuration readers depend on.
#include "engine/TextInput.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Seen {
    Token::Type type;
    std::string text;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> tokens(const std::string& text) {
    TextInput in = TextInput::fromString(text);
    std::vector<Seen> out;
    for (int guard = 0; guard < 1000 && in.hasMore(); ++guard) {
        Token t = in.read();
        out.push_back({t.type, t.text});
    }
    EXPECT_EQ(in.read().type, Token::Type::End);
    return out;
}

constexpr auto Sym = Token::Type::Symbol;
constexpr auto Num = Token::Type::Number;
constexpr auto Str = Token::Type::String;
constexpr auto Err = Token::Type::Error;

void PrintTo(const Seen& s, std::ostream* os) {
    *os << static_cast<int>(s.type) << ":'" << s.text << "'";
}

}  // namespace

TEST(TextInput, ConfigurationEntries) {
    EXPECT_EQ(tokens("levels = 3;\ndatasource = string;\nspecies = \"9606\";\nfilterPaths = ;"),
              (std::vector<Seen>{{Sym, "levels"},
                                 {Sym, "="},
                                 {Num, "3"},
                                 {Sym, ";"},
                                 {Sym, "datasource"},
                                 {Sym, "="},
                                 {Sym, "string"},
                                 {Sym, ";"},
                                 {Sym, "species"},
                                 {Sym, "="},
                                 {Str, "9606"},
                                 {Sym, ";"},
                                 {Sym, "filterPaths"},
                                 {Sym, "="},
                                 {Sym, ";"}}));
    EXPECT_EQ(tokens("levels : 3"), (std::vector<Seen>{{Sym, "levels"}, {Sym, ":"}, {Num, "3"}}));
}

TEST(TextInput, MultiCharacterOperatorsAreOneSymbol) {
    std::vector<Seen> expected;
    for (const char* op : {"==", "!=", "<=", ">=", "&&", "||", "->", "::", "++", "--",
                           "+=", "-=", "*=", "/=", "<<", ">>"}) {
        expected.push_back({Sym, op});
    }
    EXPECT_EQ(tokens("== != <= >= && || -> :: ++ -- += -= *= /= << >>"), expected);
    EXPECT_EQ(tokens("a===b"),
              (std::vector<Seen>{{Sym, "a"}, {Sym, "=="}, {Sym, "="}, {Sym, "b"}}));
    EXPECT_EQ(tokens("x_1.y"), (std::vector<Seen>{{Sym, "x_1"}, {Sym, "."}, {Sym, "y"}}));
}

TEST(TextInput, NumbersKeepTheirWrittenForm) {
    EXPECT_EQ(tokens("0.50 1e-3 2E+10 .5 7. 0x1F"), (std::vector<Seen>{{Num, "0.50"},
                                                                       {Num, "1e-3"},
                                                                       {Num, "2E+10"},
                                                                       {Num, ".5"},
                                                                       {Num, "7."},
                                                                       {Num, "0x1F"}}));
    // An "e" without digits is not an exponent.
    EXPECT_EQ(tokens("2e"), (std::vector<Seen>{{Num, "2"}, {Sym, "e"}}));
}

TEST(TextInput, SignBelongsToNumberOnlyWhereNoOperandPrecedes) {
    EXPECT_EQ(tokens("k = -3; m = +.5;"), (std::vector<Seen>{{Sym, "k"},
                                                             {Sym, "="},
                                                             {Num, "-3"},
                                                             {Sym, ";"},
                                                             {Sym, "m"},
                                                             {Sym, "="},
                                                             {Num, "+.5"},
                                                             {Sym, ";"}}));
    EXPECT_EQ(tokens("-1"), (std::vector<Seen>{{Num, "-1"}}));
    EXPECT_EQ(tokens("a-1"), (std::vector<Seen>{{Sym, "a"}, {Sym, "-"}, {Num, "1"}}));
    EXPECT_EQ(tokens("2-1"), (std::vector<Seen>{{Num, "2"}, {Sym, "-"}, {Num, "1"}}));
    EXPECT_EQ(tokens(")-1"), (std::vector<Seen>{{Sym, ")"}, {Sym, "-"}, {Num, "1"}}));
    EXPECT_EQ(tokens("(-1"), (std::vector<Seen>{{Sym, "("}, {Num, "-1"}}));
    EXPECT_EQ(tokens("- 1"), (std::vector<Seen>{{Sym, "-"}, {Num, "1"}}));
    EXPECT_EQ(tokens("-.x"), (std::vector<Seen>{{Sym, "-"}, {Sym, "."}, {Sym, "x"}}));
}

TEST(TextInput, QuotedStringsResolveEscapes) {
    EXPECT_EQ(tokens(R"("fontFile=a b.fnt" 'single' "")"),
              (std::vector<Seen>{{Str, "fontFile=a b.fnt"}, {Str, "single"}, {Str, ""}}));
    EXPECT_EQ(tokens(R"("a\"b\\c\n\t" 'it\'s' "\x41\101\q")"),
              (std::vector<Seen>{{Str, "a\"b\\c\n\t"}, {Str, "it's"}, {Str, "AAq"}}));
    EXPECT_EQ(tokens(R"("// not a comment")"), (std::vector<Seen>{{Str, "// not a comment"}}));
}

TEST(TextInput, CommentsAreSkipped) {
    EXPECT_EQ(tokens("a // rest of line\r\nb /* block\n over lines */ c/**/d"),
              (std::vector<Seen>{{Sym, "a"}, {Sym, "b"}, {Sym, "c"}, {Sym, "d"}}));
    EXPECT_EQ(tokens("// only a comment"), std::vector<Seen>{});
    EXPECT_EQ(tokens(""), std::vector<Seen>{});
}

TEST(TextInput, MalformedInputGivesOneErrorThenEnd) {
    TextInput in = TextInput::fromString("a = 1;\n  \"never closed");
    EXPECT_EQ(in.read().text, "a");
    in.read();
    in.read();
    in.read();
    ASSERT_TRUE(in.hasMore());
    Token error = in.read();
    EXPECT_EQ(error.type, Err);
    EXPECT_EQ(error.line, 2);
    EXPECT_EQ(error.column, 3);
    EXPECT_NE(error.text.find("line 2"), std::string::npos) << error.text;
    EXPECT_FALSE(in.hasMore());
    EXPECT_EQ(in.read().type, Token::Type::End);

    EXPECT_EQ(tokens("x /* open"),
              (std::vector<Seen>{{Sym, "x"},
                                 {Err, "Unterminated comment starting at line 1, column 3"}}));
    EXPECT_EQ(tokens("'ends in backslash\\").at(0).type, Err);
}

TEST(TextInput, PositionsAndPeek) {
    TextInput in = TextInput::fromString("one\n  two");
    Token peeked = in.peek();
    EXPECT_EQ(peeked.text, "one");
    Token first = in.read();
    EXPECT_EQ(first.text, "one");
    EXPECT_EQ(first.line, 1);
    EXPECT_EQ(first.column, 1);
    Token second = in.read();
    EXPECT_EQ(second.line, 2);
    EXPECT_EQ(second.column, 3);
    Token end = in.read();
    EXPECT_EQ(end.type, Token::Type::End);
    EXPECT_EQ(end.text, "");
    EXPECT_EQ(in.read().type, Token::Type::End);
}

TEST(TextInput, FromFile) {
    auto dir = std::filesystem::temp_directory_path() / "corvidane_textinput_test";
    std::filesystem::create_directories(dir);
    auto path = (dir / "conf.txt").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "\xEF\xBB\xBFlevels = 3;\r\n";
    }
    std::string error;
    auto in = TextInput::fromFile(path, &error);
    ASSERT_TRUE(in.has_value()) << error;
    EXPECT_EQ(in->read().text, "levels");

    EXPECT_FALSE(TextInput::fromFile((dir / "missing.txt").string(), &error).has_value());
    EXPECT_NE(error.find("missing.txt"), std::string::npos);
    error.clear();
    EXPECT_FALSE(TextInput::fromFile(dir.string(), &error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(TextInput::fromFile((dir / "missing.txt").string(), nullptr).has_value());
    std::filesystem::remove_all(dir);
}
