// Containers of the engine layer: string-keyed tables keep insertion order, so
// whatever is written or listed from them comes out the same on every run.
#pragma once

#include <string>
#include <vector>

#include <tsl/ordered_map.h>

template <class Key, class Value>
using Table = tsl::ordered_map<Key, Value>;

template <class T>
using Array = std::vector<T>;
