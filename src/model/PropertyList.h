// The properties of one protein, one interaction or one meta entry, in the order
// they were added; property names are unique within a list.
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "model/Property.h"

class PropertyList {
public:
    PropertyList() = default;
    explicit PropertyList(std::string name_) : name(std::move(name_)) {}

    // The node identifier or the edge key the list belongs to.
    std::string name;
    Array<std::unique_ptr<Property>> properties;

    bool hasProperty(const std::string& propertyName) const;
    // First property of that name, null when there is none.
    Property* getProperty(const std::string& propertyName) const;
    // Takes the property unless one of that name is already held; answers the
    // stored property, or null when refused (the refused one is dropped).
    Property* addProperty(std::unique_ptr<Property> property);
    // Takes the property out of the list, keeping the order of the rest, and
    // hands it back; null when the list does not hold it.
    std::unique_ptr<Property> removeProperty(Property* property);

    int size() const { return static_cast<int>(properties.size()); }
};
