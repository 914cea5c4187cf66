// Lookup, insertion and removal of the properties of one item.
#include "model/PropertyList.h"

#include <algorithm>

bool PropertyList::hasProperty(const std::string& propertyName) const {
    return getProperty(propertyName) != nullptr;
}

Property* PropertyList::getProperty(const std::string& propertyName) const {
    for (const auto& property : properties) {
        if (property->name == propertyName) {
            return property.get();
        }
    }
    return nullptr;
}

Property* PropertyList::addProperty(std::unique_ptr<Property> property) {
    if (!property || hasProperty(property->name)) {
        return nullptr;
    }
    properties.push_back(std::move(property));
    return properties.back().get();
}

std::unique_ptr<Property> PropertyList::removeProperty(Property* property) {
    auto it = std::find_if(properties.begin(), properties.end(),
                           [property](const auto& held) { return held.get() == property; });
    if (it == properties.end()) {
        return nullptr;
    }
    std::unique_ptr<Property> taken = std::move(*it);
    properties.erase(it);
    return taken;
}
