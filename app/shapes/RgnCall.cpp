#include "RgnCall.h"

#include "balloon_tables.h"
#include "shape_tables.h"

namespace RgnCall {

RegionTable TableBalloon1() {
    return balloon_tables::kBalloon1;
}
RegionTable TableBalloon2() {
    return balloon_tables::kBalloon2;
}
RegionTable TableBalloon3() {
    return balloon_tables::kBalloon3;
}
RegionTable TableBalloon4() {
    return balloon_tables::kBalloon4;
}
RegionTable TableStandard() {
    return shape_tables::ShapeStandard;
}
RegionTable TablePose01() {
    return shape_tables::ShapePose01;
}
RegionTable TablePose02() {
    return shape_tables::ShapePose02;
}
RegionTable TablePose03() {
    return shape_tables::ShapePose03;
}
RegionTable TablePose04() {
    return shape_tables::ShapePose04;
}
RegionTable TablePose05() {
    return shape_tables::ShapePose05;
}
RegionTable TablePose06() {
    return shape_tables::ShapePose06;
}
RegionTable TablePose07() {
    return shape_tables::ShapePose07;
}
RegionTable TablePose08() {
    return shape_tables::ShapePose08;
}
RegionTable TablePose09() {
    return shape_tables::ShapePose09;
}
RegionTable TablePose10() {
    return shape_tables::ShapePose10;
}
RegionTable TablePose11() {
    return shape_tables::ShapePose11;
}
RegionTable TablePose12() {
    return shape_tables::ShapePose12;
}

void ShapeBalloon1(QWidget* window) {
    RgnCall::ApplyShape(window, TableBalloon1(), "ShapeBalloon1");
}
void ShapeBalloon2(QWidget* window) {
    RgnCall::ApplyShape(window, TableBalloon2(), "ShapeBalloon2");
}
void ShapeBalloon3(QWidget* window) {
    RgnCall::ApplyShape(window, TableBalloon3(), "ShapeBalloon3");
}
void ShapeBalloon4(QWidget* window) {
    RgnCall::ApplyShape(window, TableBalloon4(), "ShapeBalloon4");
}
void ShapeStandard(QWidget* window) {
    RgnCall::ApplyShape(window, TableStandard(), "ShapeStandard");
}
void ShapePose01(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose01(), "ShapePose01");
}
void ShapePose02(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose02(), "ShapePose02");
}
void ShapePose03(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose03(), "ShapePose03");
}
void ShapePose04(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose04(), "ShapePose04");
}
void ShapePose05(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose05(), "ShapePose05");
}
void ShapePose06(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose06(), "ShapePose06");
}
void ShapePose07(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose07(), "ShapePose07");
}
void ShapePose08(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose08(), "ShapePose08");
}
void ShapePose09(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose09(), "ShapePose09");
}
void ShapePose10(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose10(), "ShapePose10");
}
void ShapePose11(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose11(), "ShapePose11");
}
void ShapePose12(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose12(), "ShapePose12");
}

} // namespace RgnCall
