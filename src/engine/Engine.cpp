// Anchors the engine library; the math types are header-only.
#include "engine/Table.h"
