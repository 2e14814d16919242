#include "app/shapes/shape_list.h"
#include "app/window/picture_stores.h"
#include "platform/pace.h"

#include <QLabel>
#include <cctype>
#include <gtest/gtest.h>

namespace {

TEST(PictureStores, HoldEveryPictureTheOutlinesArePairedWith) {
    for (const shapes::ShapeEntry& shape : shapes::AllShapes())
        for (const QString& name : shape.pictures) {
            const stores::Picture picture = stores::Find(name);
            ASSERT_FALSE(picture.isNull()) << name.toStdString();
            EXPECT_EQ(picture.pixmap.size(), QSize(shape.frameWidth, shape.frameHeight))
                << name.toStdString();
        }
}

// Every picture of the art's rows is in its store at its size, and every store loads.
TEST(PictureStores, HoldEveryListedPictureAtItsSize) {
    ASSERT_FALSE(stores::AllPictures().empty());
    for (const stores::Listed& listed : stores::AllPictures()) {
        const stores::Picture picture = stores::Find(listed.name);
        ASSERT_FALSE(picture.isNull()) << listed.name.toStdString();
        EXPECT_EQ(picture.pixmap.size(), listed.size) << listed.name.toStdString();
        EXPECT_TRUE(stores::StoreNames().contains(listed.name.section(QLatin1Char('.'), 0, 0)))
            << listed.name.toStdString();
    }
    for (const QString& store : stores::StoreNames()) {
        stores::Load(store);
        EXPECT_TRUE(stores::Loaded(store)) << store.toStdString();
    }
}

struct Indexed {
    const char* name;
    stores::Picture (*get)();
    QSize size; // empty: the store does not hold it
};

class IndexedPictures : public ::testing::TestWithParam<Indexed> {};

TEST_P(IndexedPictures, ComeAtTheirSizeOrNull) {
    const stores::Picture picture = GetParam().get();
    EXPECT_EQ(picture.name.toStdString(), GetParam().name);
    if (GetParam().size.isEmpty())
        EXPECT_TRUE(picture.isNull());
    else
        EXPECT_EQ(picture.pixmap.size(), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Stores, IndexedPictures,
    ::testing::Values(Indexed{"gra.Image1(0)", [] { return gra::Image1(0); }, {170, 170}},
                      Indexed{"gra.Image1(4)", [] { return gra::Image1(4); }, {}},
                      Indexed{"gra.lun_img1", [] { return gra::lun_img1(); }, {72, 100}},
                      Indexed{"gra.lun_img2", [] { return gra::lun_img2(); }, {72, 100}},
                      Indexed{"gra.palk_img1", [] { return gra::palk_img1(); }, {75, 100}},
                      Indexed{"gra.palk_img2", [] { return gra::palk_img2(); }, {75, 100}},
                      Indexed{"action.Image1(0)", [] { return action::Image1(0); }, {170, 170}},
                      Indexed{"gra2.fuki3", [] { return gra2::fuki3(); }, {200, 160}},
                      Indexed{"gra3.Image1(9)", [] { return gra3::Image1(9); }, {170, 170}},
                      Indexed{"gra3.ImageList1(1)", [] { return gra3::ImageList1(1); }, {15, 13}},
                      Indexed{"gra3.ImageList1(11)", [] { return gra3::ImageList1(11); }, {15, 13}},
                      Indexed{"gra3.ImageList1(12)", [] { return gra3::ImageList1(12); }, {}},
                      Indexed{"gra3.ImageList2(1)", [] { return gra3::ImageList2(1); }, {66, 50}},
                      Indexed{"gra3.ImageList2(13)", [] { return gra3::ImageList2(13); }, {66, 50}},
                      Indexed{"gra3.ImageList2(0)", [] { return gra3::ImageList2(0); }, {}},
                      Indexed{"gra5.Image1(8)", [] { return gra5::Image1(8); }, {170, 170}},
                      Indexed{"gra6.Image1(7)", [] { return gra6::Image1(7); }, {170, 170}},
                      Indexed{"gra6.Image1(8)", [] { return gra6::Image1(8); }, {}},
                      Indexed{"morvik.Picture1", [] { return stores::TrayIcon(); }, {32, 32}}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(PictureStores, ShowPutsThePictureInTheBoxAndNotesIt) {
    QLabel box;
    platform::pace::Recorder recorder;
    stores::Show(&box, gra::Image1(16));
    EXPECT_EQ(recorder.events, QStringList{QStringLiteral("picture gra.Image1(16)")});
    EXPECT_EQ(box.pixmap().size(), QSize(170, 170));
    EXPECT_TRUE(stores::Shows(&box, gra::Image1(16)));
    EXPECT_FALSE(stores::Shows(&box, gra::Image1(0)));
}

TEST(PictureStores, AnOverlayIsShownWithoutANoteAndRemembered) {
    QLabel box;
    EXPECT_TRUE(stores::Shown(&box).name.isEmpty());
    platform::pace::Recorder recorder;
    stores::Show(&box, gra3::ImageList2(13), stores::Note::Quiet);
    EXPECT_TRUE(recorder.events.isEmpty());
    EXPECT_EQ(stores::Shown(&box).name, QStringLiteral("gra3.ImageList2(13)"));
    EXPECT_EQ(stores::Shown(&box).pixmap.cacheKey(), box.pixmap().cacheKey());
}

TEST(PictureStores, AMissingPictureLeavesTheBoxAsItWas) {
    QLabel box;
    stores::Show(&box, gra::Image1(6));
    platform::pace::Recorder recorder;
    stores::Show(&box, gra::Image1(5));
    EXPECT_TRUE(recorder.events.isEmpty());
    EXPECT_TRUE(stores::Shows(&box, gra::Image1(6)));
}

TEST(PictureStores, APictureSetAroundShowIsNotTakenForTheStorePicture) {
    QLabel box;
    stores::Show(&box, gra::Image1(7));
    box.setPixmap(gra::Image1(7).pixmap.copy());
    EXPECT_FALSE(stores::Shows(&box, gra::Image1(7)));
}

TEST(PictureStores, UnloadFreesTheStoreButNotWhatAWindowShows) {
    QLabel box;
    gra6::Load();
    EXPECT_TRUE(stores::Loaded(QStringLiteral("gra6")));
    stores::Show(&box, gra6::Image1(3));
    gra6::Unload();
    EXPECT_FALSE(stores::Loaded(QStringLiteral("gra6")));
    EXPECT_EQ(box.pixmap().size(), QSize(170, 170));
    // A later use loads the store again.
    EXPECT_FALSE(gra6::Image1(3).isNull());
    EXPECT_TRUE(stores::Loaded(QStringLiteral("gra6")));
}

TEST(PictureStores, UnknownStoresHoldNothing) {
    ASSERT_FALSE(stores::StoreNames().contains(QStringLiteral("gra0")));
    stores::Load(QStringLiteral("gra0"));
    EXPECT_FALSE(stores::Loaded(QStringLiteral("gra0")));
    EXPECT_TRUE(stores::Find(QStringLiteral("gra0.Image1(17)")).isNull());
    EXPECT_TRUE(stores::Find(QStringLiteral("../../etc")).isNull());
}

TEST(PictureStores, TheTrayIconIsSeeThroughAroundTheFace) {
    const QImage icon = stores::TrayIcon().pixmap.toImage();
    ASSERT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(16, 16)), 255);
}

} // namespace
