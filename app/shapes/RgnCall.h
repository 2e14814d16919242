#pragma once
// The named outlines of the character window and the balloons. Each takes the window to shape.
#include "region_table.h"

namespace RgnCall {

void ShapeStandard(QWidget* window);

// The table behind each named shape, for the tests and the picture tools.
RegionTable TableStandard();

} // namespace RgnCall
