// Locale-free text forms: std::to_chars / std::from_chars do the digits, so a
// comma-decimal LC_NUMERIC can never leak into a stored file or a parsed value.
#include "model/TextConversions.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <string_view>
#include <system_error>

namespace {

std::string shortG(double value) {
    // Same bytes as printf("%g") in the C locale, two exponent digits.
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the decimal number in [begin, end) lies above the double range (otherwise
// below it); only asked when from_chars reported it out of range.
bool decimalOverflows(const char* begin, const char* end) {
    const char* p = begin;
    long long position = 0;  // decimal exponent of the first nonzero digit, plus one
    bool seenNonzero = false;
    bool afterPoint = false;
    for (; p != end && (isDigit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            afterPoint = true;
        } else if (!seenNonzero) {
            if (*p != '0') {
                seenNonzero = true;
                if (!afterPoint) {
                    position = 1;
                }
            } else if (afterPoint) {
                --position;
            }
        } else if (!afterPoint) {
            ++position;
        }
    }
    long long exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-')) {
            negative = *p == '-';
            ++p;
        }
        for (; p != end && isDigit(*p); ++p) {
            if (exponent < 1000000000LL) {
                exponent = exponent * 10 + (*p - '0');
            }
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return position + exponent > 0;
}

Array<float> floatFields(const std::string& text, const std::string& delimiter) {
    Array<float> values;
    for (const std::string& field : split(text, delimiter)) {
        values.push_back(static_cast<float>(stringToDouble(field)));
    }
    return values;
}

// The text between the first and last character, with every blank deleted.
std::string innerWithoutBlanks(const std::string& text) {
    if (text.size() < 2) {
        return "";
    }
    // One pass: erasing blank after blank moved the rest of the text each time.
    std::string inner = text.substr(1, text.size() - 2);
    std::erase(inner, ' ');
    return inner;
}

double doubleOf(std::string_view text);

// The numbers of "(a, b, ...)": the text between the first and last character,
// blanks deleted, cut at commas; a missing or empty field is 0. Cut first and
// freed of blanks field by field, which comes to the same, so that the common
// field without a blank is read in place: a read of a pathway meets one for
// every protein.
template <std::size_t N>
std::array<float, N> fieldsOf(std::string_view text) {
    std::array<float, N> out{};
    if (text.size() < 2) {
        return out;
    }
    text = text.substr(1, text.size() - 2);
    std::string withoutBlanks;
    for (std::size_t i = 0; i < N && !text.empty(); ++i) {
        const std::size_t comma = text.find(',');
        std::string_view field = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (field.find(' ') != std::string_view::npos) {
            withoutBlanks.assign(field);
            std::erase(withoutBlanks, ' ');
            field = withoutBlanks;
        }
        out[i] = static_cast<float>(doubleOf(field));
    }
    return out;
}

}  // namespace

std::string beforeDelimiter(std::string text, std::string delimiter) {
    std::size_t at = text.find(delimiter);
    if (at == std::string::npos) {
        return text;
    }
    return text.substr(0, at);
}

std::string afterDelimiter(std::string text, std::string delimiter) {
    std::size_t at = text.find(delimiter);
    if (at == std::string::npos) {
        return "";
    }
    return text.substr(at + delimiter.size());
}

Array<std::string> split(std::string text, std::string delimiter) {
    Array<std::string> fields;
    if (delimiter.empty()) {
        if (!text.empty()) {
            fields.push_back(std::move(text));
        }
        return fields;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t at = text.find(delimiter, start);
        if (at == std::string::npos) {
            fields.push_back(text.substr(start));
            break;
        }
        fields.push_back(text.substr(start, at - start));
        start = at + delimiter.size();
    }
    return fields;
}

std::string replaceAll(std::string text, std::string from, std::string to) {
    if (from.empty() || to.find(from) != std::string::npos) {
        return text;
    }
    // Searching again from the start would find nothing before the last match's
    // position minus the length of `from`, so the search resumes there.
    std::size_t at = text.find(from);
    while (at != std::string::npos) {
        text.replace(at, from.size(), to);
        std::size_t resume = at >= from.size() - 1 ? at - (from.size() - 1) : 0;
        at = text.find(from, resume);
    }
    return text;
}

std::string toUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string toLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string vector3ToString(const Vector3& v) {
    return "(" + shortG(v.x) + ", " + shortG(v.y) + ", " + shortG(v.z) + ")";
}

std::string matrix3ToString(const Matrix3& m) {
    std::string out = "[";
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out += shortG(m(r, c));
            if (c < 2) {
                out += ", ";
            }
        }
        if (r < 2) {
            out += "; ";
        }
    }
    return out + "]";
}

std::string coordinateFrameToString(const CoordinateFrame& f) {
    return "(" + vector3ToString(f.translation) + ";" + matrix3ToString(f.rotation) + ")";
}

std::string color4ToString(float r, float g, float b, float a) {
    return "(" + shortG(r) + ", " + shortG(g) + ", " + shortG(b) + ", " + shortG(a) + ")";
}

std::string color4ToString(const Color4& c) {
    return color4ToString(c.r, c.g, c.b, c.a);
}

std::string doubleToString(double d) {
    std::string out;
    appendDouble(out, d);
    return out;
}

void appendDouble(std::string& out, double d) {
    if (std::isnan(d)) {
        out += "nan";
        return;
    }
    if (std::isinf(d)) {
        out += d < 0 ? "-inf" : "inf";
        return;
    }
    // Shortest scientific form: "[-]D[.DDD]e[+-]XX", at most 17 digits. It is taken apart
    // in place: this runs once per value when many values are written.
    char sci[64];
    const char* const end =
        std::to_chars(sci, sci + sizeof sci, d, std::chars_format::scientific).ptr;
    const char* p = sci;
    if (*p == '-') {
        out += '-';
        ++p;
    }
    const char* const e = std::find(p, end, 'e');
    char digits[32];
    std::size_t count = 0;
    for (; p != e; ++p) {
        if (*p != '.') {
            digits[count++] = *p;
        }
    }
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    while (count > 1 && digits[count - 1] == '0') {
        --count;
    }

    if (exponent < -4 || exponent >= 17) {
        out += digits[0];
        if (count > 1) {
            out += '.';
            out.append(digits + 1, count - 1);
        }
        out += exponent < 0 ? "e-" : "e+";
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10) {
            out += '0';
        }
        char buffer[8];
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr);
        return;
    }
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits, count);
        return;
    }
    const std::size_t whole = static_cast<std::size_t>(exponent) + 1;
    if (count <= whole) {
        out.append(digits, count);
        out.append(whole - count, '0');
        out += '.';
    } else {
        out.append(digits, whole);
        out += '.';
        out.append(digits + whole, count - whole);
    }
}

std::string intToString(int i) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, i);
    return std::string(buffer, result.ptr);
}

double stringToDouble(std::string text) {
    return doubleOf(text);
}

namespace {

double doubleOf(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && isCSpace(*p)) {
        ++p;
    }
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    // from_chars takes no sign of its own here, so "+-1" stays 0 as with atof.
    if (p == end || *p == '+' || *p == '-') {
        return 0.0;
    }
    double value = 0.0;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        auto result = std::from_chars(p + 2, end, value, std::chars_format::hex);
        if (result.ec == std::errc::result_out_of_range) {
            value = std::numeric_limits<double>::infinity();
        } else if (result.ec != std::errc()) {
            value = 0.0;
        }
        return negative ? -value : value;
    }
    auto result = std::from_chars(p, end, value);
    if (result.ec == std::errc::result_out_of_range) {
        value = decimalOverflows(p, result.ptr) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

}  // namespace

int stringToInt(std::string text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            value = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    return static_cast<int>(value);
}

Vector3 stringToVector3(std::string_view text) {
    std::array<float, 3> f = fieldsOf<3>(text);
    return {f[0], f[1], f[2]};
}

Vector4 stringToVector4(std::string_view text) {
    std::array<float, 4> f = fieldsOf<4>(text);
    return {f[0], f[1], f[2], f[3]};
}

Color4 stringToColor4(std::string_view text) {
    std::array<float, 4> f = fieldsOf<4>(text);
    return {f[0], f[1], f[2], f[3]};
}

Matrix3 stringToMatrix3(std::string text) {
    Matrix3 m;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            m(r, c) = 0.0f;
        }
    }
    Array<std::string> rows = split(innerWithoutBlanks(text), ";");
    for (std::size_t r = 0; r < 3 && r < rows.size(); ++r) {
        Array<float> values = floatFields(rows[r], ",");
        for (std::size_t c = 0; c < 3 && c < values.size(); ++c) {
            m(static_cast<int>(r), static_cast<int>(c)) = values[c];
        }
    }
    return m;
}

CoordinateFrame stringToCoordinateFrame(std::string text) {
    std::string inner = text.size() < 2 ? std::string() : text.substr(1, text.size() - 2);
    CoordinateFrame frame;
    frame.translation = stringToVector3(beforeDelimiter(inner, ";"));
    frame.rotation = stringToMatrix3(afterDelimiter(inner, ";"));
    return frame;
}
