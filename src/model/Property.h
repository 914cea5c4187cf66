// A named list of text values: every fact the network model keeps about a
// protein, an interaction or the graph as a whole is one of these.
#pragma once

#include <string>

#include "engine/Table.h"
#include "engine/Vector3.h"

class Property {
public:
    // A new property has the name "" and exactly one value, "".
    Property();
    Property(std::string name, std::string value);
    Property(std::string name, Array<std::string> values);

    std::string name;
    Array<std::string> values;

    // The first value, "" when there is none.
    std::string getValue() const;
    // The first value read as a vector; every coordinate infinite when there is no value.
    Vector3 getVector3() const;

    // Replace the first value (appending one when there is none). A value the
    // graph's text form cannot carry is refused and nothing changes.
    bool setValue(const std::string& value);
    bool setValue(const Vector3& value);
    // Appends a value; refused like setValue.
    bool addValue(const std::string& value);

    // Names the text form can carry as a line of its own: not empty, not a
    // brace, no line break.
    static bool isStorableName(const std::string& text);
    // Values may be empty but hold no line break and are not the closing brace.
    static bool isStorableValue(const std::string& text);
    // The name and every value are storable.
    bool isStorable() const;
};
