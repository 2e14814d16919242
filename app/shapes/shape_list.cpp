#include "shape_list.h"

// AllShapes is generated with the builders (app/shapes/outlines.cpp in the build tree).

namespace shapes {

const ShapeEntry* FindShape(const QString& name) {
    for (const ShapeEntry& entry : AllShapes())
        if (entry.name == name)
            return &entry;
    return nullptr;
}

} // namespace shapes
