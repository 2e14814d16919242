#include "RgnCall.h"

#include "shape_tables.h"

namespace RgnCall {

RegionTable TableStandard() { return shape_tables::Standard; }
void ShapeStandard(QWidget* window) { ApplyShape(window, TableStandard(), "ShapeStandard"); }

} // namespace RgnCall
