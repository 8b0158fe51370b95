// The window's part of its drawing: Qt's text in the shared pixel surface,
// and the image handed to Qt without a copy. The pixels of every other shape
// are the shared surface's, tested with it.
#include "ui/qt_surface.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStaticText>

namespace zorva {
namespace {

constexpr QRgb kWhite = 0xffffffff;

// A surface whose world units are its pixels, y downwards.
std::unique_ptr<QtSurface> PixelQtSurface(int widthPx, int heightPx, double ratio = 1.0) {
    auto surface = std::make_unique<QtSurface>(widthPx, heightPx, 15.0, ratio);
    surface->Scale(0, 0, widthPx, heightPx);
    return surface;
}

QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != kWhite) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

int InkCount(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) != kWhite ? 1 : 0;
        }
    }
    return count;
}

TEST(QtSurface, HandsTheImageToQtAtItsRatioWithoutACopy) {
    auto surface = PixelQtSurface(320, 200, 2.0);
    surface->PSet(10.5, 5.5, RGB(0, 255, 0));
    const QImage image = ImageOf(*surface);
    EXPECT_EQ(image.size(), QSize(640, 400));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(320, 200));
    EXPECT_EQ(image.constBits(), reinterpret_cast<const uchar*>(surface->image().pixels));
    EXPECT_EQ(image.pixel(20, 10), qRgb(0, 255, 0));
}

class QtSurfaceText : public testing::TestWithParam<std::tuple<bool, double>> {};

TEST_P(QtSurfaceText, TopLeftCornerIsAtTheTextPosition) {
    const auto [bold, ratio] = GetParam();
    auto surface = PixelQtSurface(300, 100, ratio);
    surface->ForeColor = RGB(200, 0, 0);
    surface->FontBold = bold;
    surface->CurrentX = 40;
    surface->CurrentY = 30;
    surface->Print("HHH total FORCE");
    const double lineHeight = surface->CurrentY - 30;
    ASSERT_GT(lineHeight, 5);
    const QImage image = ImageOf(*surface);
    const QRect box = InkBox(image);
    EXPECT_GE(box.left(), 40 * ratio);
    EXPECT_LE(box.left(), 43 * ratio);
    EXPECT_GE(box.top(), 30 * ratio);
    EXPECT_LE(box.top(), (30 + lineHeight / 2) * ratio);
    EXPECT_LE(box.bottom(), (30 + lineHeight) * ratio);
    // The box the label may have changed holds all of its ink.
    ASSERT_EQ(surface->textBoxes().size(), 1U);
    const PixelBox reach = surface->textBoxes()[0];
    EXPECT_TRUE(QRect(reach.left, reach.top, reach.width, reach.height).contains(box));
}

INSTANTIATE_TEST_SUITE_P(QtSurface, QtSurfaceText,
                         testing::Combine(testing::Bool(), testing::Values(1.0, 2.0)));

TEST(QtSurfaceText, BoldIsHeavierAndTheFontSetsTheLineHeight) {
    auto regular = PixelQtSurface(300, 60);
    regular->Print("total FORCE");
    auto bold = PixelQtSurface(300, 60);
    bold->FontBold = true;
    bold->Print("total FORCE");
    EXPECT_GT(InkCount(ImageOf(*bold)), InkCount(ImageOf(*regular)) * 11 / 10);

    QFont large;
    large.setPixelSize(30);
    auto tall = PixelQtSurface(300, 100);
    tall->setFont(large);
    tall->Print("Hg");
    EXPECT_GE(tall->CurrentY, 30);
    EXPECT_LE(tall->CurrentY, 45);
}

// Antialiased glyphs blend with what lies under them: printed at every tick,
// a label darkens until it stops changing. The surface passes over printings
// that would change nothing, and must still give the painter's pixels after
// every printing.
TEST(QtSurfaceText, PrintedAgainAndAgainGivesThePaintersPixelsEachTime) {
    auto surface = PixelQtSurface(200, 60);
    QImage reference(200, 60, QImage::Format_RGB32);
    reference.fill(Qt::white);
    QStaticText label(QStringLiteral("total FORCE"));
    label.setTextFormat(Qt::PlainText);
    for (int i = 0; i < 150; ++i) {
        surface->ForeColor = RGB(200, 0, 0);
        surface->CurrentX = 40;
        surface->CurrentY = 20;
        surface->Print("total FORCE");
        {
            QPainter painter(&reference);
            painter.setFont(QFont());
            painter.setPen(QColor(200, 0, 0));
            painter.drawStaticText(QPointF(40, 20), label);
        }
        ASSERT_EQ(ImageOf(*surface), reference) << "after printing " << i + 1 << " times";
    }
}

}  // namespace
}  // namespace zorva
