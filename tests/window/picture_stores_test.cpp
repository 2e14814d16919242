#include "app/window/picture_stores.h"

#include <QApplication>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Collects the regions the label is asked to paint.
struct PaintLog : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

QPixmap filled(QSize size, QColor color, QRect spot = {}, QColor spotColor = Qt::black) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    if (!spot.isEmpty()) {
        QPainter painter(&image);
        painter.fillRect(spot, spotColor);
    }
    return QPixmap::fromImage(image);
}

class PictureSwap : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(200, 200);
        label.setGeometry(10, 10, 120, 100);
        label.setAlignment(Qt::AlignCenter);
        label.installEventFilter(&log);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QRegion paintedAfter(const stores::Picture& picture) {
        QApplication::processEvents();
        log.painted = QRegion();
        stores::Show(&label, picture, stores::Note::Quiet);
        QApplication::processEvents();
        return log.painted;
    }
    QWidget window;
    QLabel label{&window};
    PaintLog log;
};

// The blink: the same picture but for a small spot, so only the spot is painted again.
TEST_F(PictureSwap, OnlyThePixelsThatDifferArePaintedAgain) {
    const QPixmap open = filled({100, 80}, Qt::white);
    const QPixmap shut = filled({100, 80}, Qt::white, QRect(30, 20, 6, 3));
    stores::Show(&label, {QStringLiteral("t.open"), open}, stores::Note::Quiet);
    // Centred in 120x100: the picture's corner is at (10, 10) in the label.
    EXPECT_EQ(paintedAfter({QStringLiteral("t.shut"), shut}).boundingRect(), QRect(40, 30, 6, 3));
    EXPECT_TRUE(stores::Shows(&label, {QStringLiteral("t.shut"), shut}));
    EXPECT_EQ(label.pixmap().cacheKey(), shut.cacheKey());
    EXPECT_EQ(paintedAfter({QStringLiteral("t.open"), open}).boundingRect(), QRect(40, 30, 6, 3));
    EXPECT_TRUE(paintedAfter({QStringLiteral("t.open"), open}).isEmpty()) << "the picture it already shows";
}

TEST_F(PictureSwap, APictureOfAnotherSizeIsPaintedWhole) {
    stores::Show(&label, {QStringLiteral("t.small"), filled({100, 80}, Qt::white)}, stores::Note::Quiet);
    const QPixmap big = filled({110, 90}, Qt::white, QRect(0, 0, 2, 2));
    EXPECT_EQ(paintedAfter({QStringLiteral("t.big"), big}).boundingRect(), label.rect());
    EXPECT_EQ(label.pixmap().cacheKey(), big.cacheKey());
}

} // namespace
