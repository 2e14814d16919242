#pragma once
// The outline builders of module RgnCall: the balloons and the character's first poses. Like the
// builders of every module they are written at build time from the outline rows of the art
// (assets/art/pictures.cpp) and declared together in the generated app/shapes/outlines.h, which
// also names beside each builder the pictures it is shown with. The routine that applies a table
// is in region_table.h.
#include "app/shapes/outlines.h"
