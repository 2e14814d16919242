#pragma once
// The named outlines of the character's further poses, the dial-up poses and the first dance.
// Each builder gives the window the outline of its table at once (region first, then the caller
// shows the paired picture); each Table accessor gives the rows, for the tests and the art tools.
#include "region_table.h"

class QWidget;

namespace RgnCall2 {

void ShapePose13(QWidget* window);
void ShapePose14(QWidget* window);
void ShapePose15(QWidget* window);
void ShapePose16(QWidget* window);
void ShapePose17(QWidget* window);
void ShapePose18(QWidget* window);
void ShapePose19(QWidget* window);
void ShapePose20(QWidget* window);
void ShapePose21(QWidget* window);
void ShapePose22(QWidget* window);
void ShapePose23(QWidget* window);
void ShapePose24(QWidget* window);
void ShapePose25(QWidget* window);
void ShapeDance1_0(QWidget* window);
void ShapeDance1_1(QWidget* window);
void ShapeDance1_2(QWidget* window);
void ShapeDance1_3(QWidget* window);
void ShapeDance1_4(QWidget* window);
void ShapeDance1_5(QWidget* window);
void ShapeDance1_6(QWidget* window);
void ShapeDance1_7(QWidget* window);
void ShapeDance1_8(QWidget* window);

RegionTable TablePose13();
RegionTable TablePose14();
RegionTable TablePose15();
RegionTable TablePose16();
RegionTable TablePose17();
RegionTable TablePose18();
RegionTable TablePose19();
RegionTable TablePose20();
RegionTable TablePose21();
RegionTable TablePose22();
RegionTable TablePose23();
RegionTable TablePose24();
RegionTable TablePose25();
RegionTable TableDance1_0();
RegionTable TableDance1_1();
RegionTable TableDance1_2();
RegionTable TableDance1_3();
RegionTable TableDance1_4();
RegionTable TableDance1_5();
RegionTable TableDance1_6();
RegionTable TableDance1_7();
RegionTable TableDance1_8();

} // namespace RgnCall2
