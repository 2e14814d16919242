// The writer of the generated sources: rows of a new module and new stores become their builders,
// accessors and pairing without any other edit, and rows that cannot be generated are refused with
// a message naming them.
#include "assets/art/generate.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>

namespace {

using art::Backdrop;
using art::OutlineRow;
using art::PictureRow;

PictureRow picture(const char* name, QSize size = {170, 170}, Backdrop backdrop = Backdrop::Black) {
    return {QString::fromUtf8(name), size, backdrop, {}};
}

OutlineRow outline(const char* builder, QStringList pictures, int windowWidth = 150) {
    return {QString::fromUtf8(builder), windowWidth, pictures};
}

QString fileText(const art::Registry& registry, const QString& path) {
    const std::vector<std::vector<RectRow>> tables(registry.outlines.size(), {{1, 2, 3, 4}});
    for (const art::GeneratedFile& file :
         art::generatedFiles(registry, tables, QDir(QStringLiteral("/pictures"))))
        if (file.path == path)
            return QString::fromUtf8(file.text);
    return {};
}

TEST(Generate, ANewModuleAndNewStoresNeedOnlyTheirRows) {
    std::vector<PictureRow> pictures{
        picture("gra.Image1(0)"), picture("gra7.Image1(0)", {170, 170}, Backdrop::Blue),
        picture("gra7.Image1(1)", {170, 170}, Backdrop::Blue), picture("gra4.Image1(20)"),
        picture("palk.Picture1", {75, 100}, Backdrop::Blue)};
    pictures.back().windowPicture = true;
    const std::vector<OutlineRow> outlines{outline("RgnCall.ShapeStandard", {"gra.Image1(0)"}),
                                           outline("RgnCall3.ShapeDance2_0", {"gra7.Image1(0)"}),
                                           outline("RgnCall3.ShapeDance2_1", {"gra7.Image1(1)"}),
                                           outline("gra4.melt01", {"gra4.Image1(20)"}),
                                           outline("RgnCall4.ShapePalk", {"palk.Picture1"}, 75)};
    const art::Registry registry = art::checkRegistry(pictures, outlines);
    ASSERT_TRUE(registry.error.isEmpty()) << registry.error.toStdString();

    const QString header = fileText(registry, QStringLiteral("app/shapes/outlines.h"));
    for (const char* expected :
         {"namespace RgnCall3 {", "void ShapeDance2_1(QWidget* window); // gra7.Image1(1)",
          "RegionTable TableDance2_1();", "namespace gra4 {", "void melt01(QWidget* window);",
          "RegionTable TableMelt01();", "namespace RgnCall4 {", "void ShapePalk(QWidget* window);"})
        EXPECT_TRUE(header.contains(QLatin1String(expected))) << expected;

    const QString source = fileText(registry, QStringLiteral("app/shapes/outlines.cpp"));
    EXPECT_TRUE(
        source.contains(QLatin1String("{QStringLiteral(\"RgnCall3.ShapeDance2_0\"), "
                                      "RgnCall3::TableDance2_0(), RgnCall3::ShapeDance2_0, Blue, "
                                      "170, 170, 150,\n         {QStringLiteral(\"gra7.Image1(0)\")}},")))
        << source.toStdString();
    EXPECT_TRUE(source.contains(QLatin1String("RgnCall::ApplyShape(window, TableMelt01(), \"melt01\");")));

    const QString names = fileText(registry, QStringLiteral("app/window/picture_names.h"));
    EXPECT_TRUE(names.contains(QLatin1String("namespace gra7 {\nvoid Load();\nvoid Unload();\n"
                                             "stores::Picture Image1(int index); // 0, 1\n}")))
        << names.toStdString();
    EXPECT_TRUE(names.contains(QLatin1String("namespace gra4 {")));
    // A window's own pictures are found by name; a namespace would clash with the window's class.
    EXPECT_FALSE(names.contains(QLatin1String("namespace palk")));

    const QString list = fileText(registry, QStringLiteral("app/window/picture_names.cpp"));
    EXPECT_TRUE(list.contains(QLatin1String("names{QStringLiteral(\"gra\"), QStringLiteral(\"gra7\"), "
                                            "QStringLiteral(\"gra4\"), QStringLiteral(\"palk\")}")))
        << list.toStdString();
    EXPECT_TRUE(list.contains(QLatin1String("{QStringLiteral(\"palk.Picture1\"), {75, 100}},")));
    EXPECT_TRUE(fileText(registry, QStringLiteral("morvik_pictures.qrc"))
                    .contains(QLatin1String(
                        "<file alias=\"gra7.Image1(1).png\">/pictures/gra7.Image1.1.png</file>")));
}

// The launcher's pictures are single pictures of the store that holds the character's array.
TEST(Generate, AStoreHoldsAnArrayAndSinglePicturesSideBySide) {
    const std::vector<PictureRow> pictures{picture("gra.Image1(0)"),
                                           picture("gra.lun_img1", {72, 100}, Backdrop::Blue),
                                           picture("gra.lun_img2", {72, 100}, Backdrop::Blue)};
    const art::Registry registry = art::checkRegistry(
        pictures, {outline("RgnCall4.ShapeLauncher", {"gra.lun_img1", "gra.lun_img2"}, 72)});
    ASSERT_TRUE(registry.error.isEmpty()) << registry.error.toStdString();
    EXPECT_TRUE(fileText(registry, QStringLiteral("app/window/picture_names.h"))
                    .contains(QLatin1String("namespace gra {\nvoid Load();\nvoid Unload();\n"
                                            "stores::Picture Image1(int index); // 0\n"
                                            "stores::Picture lun_img1();\nstores::Picture lun_img2();\n}")));
    EXPECT_TRUE(fileText(registry, QStringLiteral("app/window/picture_names.cpp"))
                    .contains(QLatin1String("stores::Picture lun_img2() {\n    return "
                                            "stores::Find(QStringLiteral(\"gra.lun_img2\"));\n}")));
    EXPECT_TRUE(
        fileText(registry, QStringLiteral("app/shapes/outlines.cpp"))
            .contains(QLatin1String("RgnCall4::TableLauncher(), RgnCall4::ShapeLauncher, Blue, 72, 100, 72,\n"
                                    "         {QStringLiteral(\"gra.lun_img1\"), "
                                    "QStringLiteral(\"gra.lun_img2\")}}")));
}

TEST(Generate, IndexListsShowRunsAsRanges) {
    std::vector<PictureRow> pictures;
    for (int i : {0, 1, 2, 3, 6, 7, 10, 11, 12, 13, 14, 16})
        pictures.push_back(picture(qPrintable(QStringLiteral("gra.Image1(%1)").arg(i))));
    const art::Registry registry = art::checkRegistry(pictures, {});
    ASSERT_TRUE(registry.error.isEmpty());
    EXPECT_TRUE(fileText(registry, QStringLiteral("app/window/picture_names.h"))
                    .contains(QLatin1String("Image1(int index); // 0-3, 6, 7, 10-14, 16\n")));
}

struct Refused {
    const char* name;
    std::vector<PictureRow> pictures;
    std::vector<OutlineRow> outlines;
    const char* message; // a part of the error
};

class RefusedRows : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedRows, StopWithAMessageNamingTheRow) {
    const art::Registry registry = art::checkRegistry(GetParam().pictures, GetParam().outlines);
    EXPECT_TRUE(registry.error.contains(QLatin1String(GetParam().message))) << registry.error.toStdString();
}

const PictureRow kStanding = picture("gra.Image1(0)");

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedRows,
    ::testing::Values(
        Refused{"MalformedPictureName", {picture("gra.Image1(")}, {}, "\"gra.Image1(\" is not store.member"},
        Refused{"IndexWithALeadingZero",
                {picture("gra.Image1(01)")},
                {},
                "\"gra.Image1(01)\" is not store.member"},
        Refused{"PictureTwice", {kStanding, kStanding}, {}, "gra.Image1(0) is listed twice"},
        Refused{"ArrayAndSingle",
                {kStanding, picture("gra.Image1")},
                {},
                "gra.Image1 is both an array and a single"},
        Refused{"WindowAndStorePictures",
                {kStanding,
                 [] {
                     PictureRow r = picture("gra.Picture1", {32, 32}, Backdrop::Plain);
                     r.windowPicture = true;
                     return r;
                 }()},
                {},
                "gra mixes a window's pictures with a store's"},
        Refused{"MalformedBuilder",
                {kStanding},
                {outline("ShapeStandard", {"gra.Image1(0)"})},
                "\"ShapeStandard\""},
        Refused{"BuilderTwice",
                {kStanding},
                {outline("RgnCall.ShapeStandard", {"gra.Image1(0)"}),
                 outline("RgnCall.ShapeStandard", {"gra.Image1(0)"})},
                "RgnCall.ShapeStandard is listed twice"},
        Refused{"UnknownPicture",
                {kStanding},
                {outline("RgnCall.ShapePose01", {"gra.Image1(2)"})},
                "\"gra.Image1(2)\""},
        Refused{"UnknownPairedPicture",
                {kStanding},
                {outline("RgnCall.ShapeStandard", {"gra.Image1(0)", "gra.Image1(1)"})},
                "shown with the unknown picture \"gra.Image1(1)\""},
        Refused{"PairedPictureOfAnotherSize",
                {kStanding, picture("gra2.fuki1", {200, 160}, Backdrop::Blue)},
                {outline("RgnCall.ShapeStandard", {"gra.Image1(0)", "gra2.fuki1"})},
                "gra2.fuki1, of another size"},
        Refused{"OutlineOfAPictureShownWhole",
                {picture("gra3.ImageList2(1)", {66, 50}, Backdrop::Plain)},
                {outline("RgnCall.ShapeGauge", {"gra3.ImageList2(1)"}, 66)},
                "a picture shown whole"},
        Refused{"WindowWiderThanThePicture",
                {kStanding},
                {outline("RgnCall.ShapeStandard", {"gra.Image1(0)"}, 171)},
                "171 columns"},
        Refused{"BuilderClashingWithAStoreFunction",
                {picture("gra4.Image1(17)")},
                {outline("gra4.Load", {"gra4.Image1(17)"})},
                "gra4::Load would stand for both"},
        Refused{"TwoBuildersOneTable",
                {kStanding},
                {outline("RgnCall.ShapeX", {"gra.Image1(0)"}), outline("RgnCall.x", {"gra.Image1(0)"})},
                "RgnCall::TableX would stand for both"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
