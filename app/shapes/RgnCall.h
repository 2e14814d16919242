#pragma once
// The named outlines of the balloons (200 x 160 frame) and of the character's first poses (170 x 170).
// Each builder gives the window the outline of its table at once (region first, then the caller
// shows the paired picture); each Table accessor gives the rows, for the tests and the art tools.
#include "region_table.h"

class QWidget;

namespace RgnCall {

void ShapeBalloon1(QWidget* window);
void ShapeBalloon2(QWidget* window);
void ShapeBalloon3(QWidget* window);
void ShapeBalloon4(QWidget* window);
void ShapeStandard(QWidget* window);
void ShapePose01(QWidget* window);
void ShapePose02(QWidget* window);
void ShapePose03(QWidget* window);
void ShapePose04(QWidget* window);
void ShapePose05(QWidget* window);
void ShapePose06(QWidget* window);
void ShapePose07(QWidget* window);
void ShapePose08(QWidget* window);
void ShapePose09(QWidget* window);
void ShapePose10(QWidget* window);
void ShapePose11(QWidget* window);
void ShapePose12(QWidget* window);

RegionTable TableBalloon1();
RegionTable TableBalloon2();
RegionTable TableBalloon3();
RegionTable TableBalloon4();
RegionTable TableStandard();
RegionTable TablePose01();
RegionTable TablePose02();
RegionTable TablePose03();
RegionTable TablePose04();
RegionTable TablePose05();
RegionTable TablePose06();
RegionTable TablePose07();
RegionTable TablePose08();
RegionTable TablePose09();
RegionTable TablePose10();
RegionTable TablePose11();
RegionTable TablePose12();

} // namespace RgnCall
