#pragma once
// The traced tables of the character window's outlines. They are written at build time by the art
// generator (assets/art), which traces each one from its picture's silhouette; none is kept by hand.
#include "region_table.h"

namespace shape_tables {
extern const RegionTable ShapeStandard;
extern const RegionTable ShapePose01;
extern const RegionTable ShapePose02;
extern const RegionTable ShapePose03;
extern const RegionTable ShapePose04;
extern const RegionTable ShapePose05;
extern const RegionTable ShapePose06;
extern const RegionTable ShapePose07;
extern const RegionTable ShapePose08;
extern const RegionTable ShapePose09;
extern const RegionTable ShapePose10;
extern const RegionTable ShapePose11;
extern const RegionTable ShapePose12;
extern const RegionTable ShapePose13;
extern const RegionTable ShapePose14;
extern const RegionTable ShapePose15;
extern const RegionTable ShapePose16;
extern const RegionTable ShapePose17;
extern const RegionTable ShapePose18;
extern const RegionTable ShapePose19;
extern const RegionTable ShapePose20;
extern const RegionTable ShapePose21;
extern const RegionTable ShapePose22;
extern const RegionTable ShapePose23;
extern const RegionTable ShapePose24;
extern const RegionTable ShapePose25;
extern const RegionTable ShapeDance1_0;
extern const RegionTable ShapeDance1_1;
extern const RegionTable ShapeDance1_2;
extern const RegionTable ShapeDance1_3;
extern const RegionTable ShapeDance1_4;
extern const RegionTable ShapeDance1_5;
extern const RegionTable ShapeDance1_6;
extern const RegionTable ShapeDance1_7;
extern const RegionTable ShapeDance1_8;
} // namespace shape_tables
