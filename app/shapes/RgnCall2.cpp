#include "RgnCall2.h"

#include "shape_tables.h"

namespace RgnCall2 {

RegionTable TablePose13() {
    return shape_tables::ShapePose13;
}
RegionTable TablePose14() {
    return shape_tables::ShapePose14;
}
RegionTable TablePose15() {
    return shape_tables::ShapePose15;
}
RegionTable TablePose16() {
    return shape_tables::ShapePose16;
}
RegionTable TablePose17() {
    return shape_tables::ShapePose17;
}
RegionTable TablePose18() {
    return shape_tables::ShapePose18;
}
RegionTable TablePose19() {
    return shape_tables::ShapePose19;
}
RegionTable TablePose20() {
    return shape_tables::ShapePose20;
}
RegionTable TablePose21() {
    return shape_tables::ShapePose21;
}
RegionTable TablePose22() {
    return shape_tables::ShapePose22;
}
RegionTable TablePose23() {
    return shape_tables::ShapePose23;
}
RegionTable TablePose24() {
    return shape_tables::ShapePose24;
}
RegionTable TablePose25() {
    return shape_tables::ShapePose25;
}
RegionTable TableDance1_0() {
    return shape_tables::ShapeDance1_0;
}
RegionTable TableDance1_1() {
    return shape_tables::ShapeDance1_1;
}
RegionTable TableDance1_2() {
    return shape_tables::ShapeDance1_2;
}
RegionTable TableDance1_3() {
    return shape_tables::ShapeDance1_3;
}
RegionTable TableDance1_4() {
    return shape_tables::ShapeDance1_4;
}
RegionTable TableDance1_5() {
    return shape_tables::ShapeDance1_5;
}
RegionTable TableDance1_6() {
    return shape_tables::ShapeDance1_6;
}
RegionTable TableDance1_7() {
    return shape_tables::ShapeDance1_7;
}
RegionTable TableDance1_8() {
    return shape_tables::ShapeDance1_8;
}

void ShapePose13(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose13(), "ShapePose13");
}
void ShapePose14(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose14(), "ShapePose14");
}
void ShapePose15(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose15(), "ShapePose15");
}
void ShapePose16(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose16(), "ShapePose16");
}
void ShapePose17(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose17(), "ShapePose17");
}
void ShapePose18(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose18(), "ShapePose18");
}
void ShapePose19(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose19(), "ShapePose19");
}
void ShapePose20(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose20(), "ShapePose20");
}
void ShapePose21(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose21(), "ShapePose21");
}
void ShapePose22(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose22(), "ShapePose22");
}
void ShapePose23(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose23(), "ShapePose23");
}
void ShapePose24(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose24(), "ShapePose24");
}
void ShapePose25(QWidget* window) {
    RgnCall::ApplyShape(window, TablePose25(), "ShapePose25");
}
void ShapeDance1_0(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_0(), "ShapeDance1_0");
}
void ShapeDance1_1(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_1(), "ShapeDance1_1");
}
void ShapeDance1_2(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_2(), "ShapeDance1_2");
}
void ShapeDance1_3(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_3(), "ShapeDance1_3");
}
void ShapeDance1_4(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_4(), "ShapeDance1_4");
}
void ShapeDance1_5(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_5(), "ShapeDance1_5");
}
void ShapeDance1_6(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_6(), "ShapeDance1_6");
}
void ShapeDance1_7(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_7(), "ShapeDance1_7");
}
void ShapeDance1_8(QWidget* window) {
    RgnCall::ApplyShape(window, TableDance1_8(), "ShapeDance1_8");
}

} // namespace RgnCall2
