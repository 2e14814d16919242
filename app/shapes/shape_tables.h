#pragma once
// The rectangle tables of the named shapes.
#include "region_table.h"

namespace shape_tables {
extern const RegionTable Standard;
}
