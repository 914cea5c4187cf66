// What a picked entity is: the scene's pick answers with any entity.
#pragma once

#include "scene/Entity.h"

inline bool isNode(const Entity* entity) {
    return entity != nullptr && entity->getType() == "NodeEntity";
}

inline bool isEdge(const Entity* entity) {
    return entity != nullptr && entity->getType() == "EdgeEntity";
}
