// Text forms of numbers, vectors, colours, matrices and frames, and the string
// helpers every parser uses. All of it ignores the C locale: the bytes written
// here are the bytes of the stored files, whatever LC_NUMERIC says.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/Color4.h"
#include "engine/CoordinateFrame.h"
#include "engine/Matrix3.h"
#include "engine/Table.h"
#include "engine/Vector3.h"
#include "engine/Vector4.h"

// The part before the first occurrence of the whole string `delimiter`, or all of `text`.
std::string beforeDelimiter(std::string text, std::string delimiter);
// The part after the first occurrence of `delimiter`, or "" when it does not occur.
std::string afterDelimiter(std::string text, std::string delimiter);
// Fields between delimiters; empty fields in the middle and at the start are kept, a
// trailing delimiter adds nothing, "" gives no fields. An empty delimiter gives the
// text itself as the only field.
Array<std::string> split(std::string text, std::string delimiter);
// Replaces occurrences of `from` until none is left (a replacement may form a new
// one). Returns `text` unchanged when `from` is empty or `to` contains `from`, since
// the replacing would never end.
std::string replaceAll(std::string text, std::string from, std::string to);
// ASCII case changes; every other byte stays as it is.
std::string toUpper(std::string text);
std::string toLower(std::string text);

// "(x, y, z)" with six significant digits per field.
std::string vector3ToString(const Vector3& v);
// "[m00, m01, m02; m10, m11, m12; m20, m21, m22]".
std::string matrix3ToString(const Matrix3& m);
// "(" vector ";" matrix ")".
std::string coordinateFrameToString(const CoordinateFrame& f);
// "(r, g, b, a)".
std::string color4ToString(float r, float g, float b, float a);
std::string color4ToString(const Color4& c);
// The shortest text (at most 17 significant digits) that reads back as exactly `d`;
// a whole number keeps its point ("50."), very large or small values use an exponent
// of at least two digits ("1e+17", "1.5e-05"). Infinities and NaN give "inf", "-inf", "nan".
std::string doubleToString(double d);
// Appends doubleToString(d) to `out` without a string of its own.
void appendDouble(std::string& out, double d);
std::string intToString(int i);

// Reads a leading decimal number as atof does (leading blanks, a sign, "inf", "nan",
// hexadecimal floats; trailing text ignored); 0 when the text does not start with one.
double stringToDouble(std::string text);
// Reads a leading whole number as atoi does; values beyond int are clamped.
int stringToInt(std::string text);

// The parsers drop the first and last characters unchecked (the brackets) and take
// the fields between; missing fields read as 0.
Vector3 stringToVector3(std::string_view text);
Vector4 stringToVector4(std::string_view text);
Color4 stringToColor4(std::string_view text);
Matrix3 stringToMatrix3(std::string text);
CoordinateFrame stringToCoordinateFrame(std::string text);
