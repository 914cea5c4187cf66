// Makes one kind of selector by name, for the filter and selector lists.
#pragma once

#include <memory>
#include <string>

#include "model/Selector.h"

class SelectorFactory {
public:
    virtual ~SelectorFactory() = default;

    virtual std::unique_ptr<Selector> create(std::string name, PropertyGraph* graph, bool mark) = 0;
    virtual std::string getName() const = 0;
    virtual std::string getDescription() const = 0;
};
