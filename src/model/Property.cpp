// Named value lists and the rules for what their text form can carry.
#include "model/Property.h"

#include <limits>
#include <utility>

#include "model/TextConversions.h"

namespace {

bool holdsLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

Property::Property() : values{std::string()} {}

Property::Property(std::string name_, std::string value)
    : name(std::move(name_)), values{std::move(value)} {}

Property::Property(std::string name_, Array<std::string> values_)
    : name(std::move(name_)), values(std::move(values_)) {}

std::string Property::getValue() const {
    return values.empty() ? std::string() : values.front();
}

Vector3 Property::getVector3() const {
    if (values.empty()) {
        const float inf = std::numeric_limits<float>::infinity();
        return Vector3(inf, inf, inf);
    }
    return stringToVector3(values.front());
}

bool Property::setValue(const std::string& value) {
    if (!isStorableValue(value)) {
        return false;
    }
    if (values.empty()) {
        values.push_back(value);
    } else {
        values.front() = value;
    }
    return true;
}

bool Property::setValue(const Vector3& value) {
    return setValue(vector3ToString(value));
}

bool Property::addValue(const std::string& value) {
    if (!isStorableValue(value)) {
        return false;
    }
    values.push_back(value);
    return true;
}

bool Property::isStorableName(const std::string& text) {
    return !text.empty() && text != "{" && text != "}" && !holdsLineBreak(text);
}

bool Property::isStorableValue(const std::string& text) {
    // A lone "}" would close the value list when read back.
    return text != "}" && !holdsLineBreak(text);
}

bool Property::isStorable() const {
    if (!isStorableName(name)) {
        return false;
    }
    for (const std::string& value : values) {
        if (!isStorableValue(value)) {
            return false;
        }
    }
    return true;
}
