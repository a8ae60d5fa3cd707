// The canvas under the picture generators: periodic noise really repeats,
// shapes and blur measure what they claim, and saved files keep their
// orientation and colours.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cmath>
#include <fstream>

#include "picture_art.h"
#include "picture_canvas.h"
#include "support/test_paths.h"

using namespace pictures;

TEST(Canvas, PeriodicNoiseAndCellsRepeatAfterTheirPeriod) {
    for (float x : {0.1f, 1.7f, 3.25f, 5.9f})
        for (float y : {0.3f, 2.6f, 4.4f}) {
            EXPECT_NEAR(Noise(x, y, 4, 3, 7), Noise(x + 4, y, 4, 3, 7), 1e-5f);
            EXPECT_NEAR(Noise(x, y, 4, 3, 7), Noise(x, y - 3, 4, 3, 7), 1e-5f);
            EXPECT_NEAR(Fbm(x, y, 5, 4, 4, 9), Fbm(x + 4, y + 4, 5, 4, 4, 9), 1e-5f);
            CellDistances a = Cells(x, y, 6, 6, 3), b = Cells(x - 6, y + 6, 6, 6, 3);
            EXPECT_NEAR(a.f1, b.f1, 1e-4f);
            EXPECT_NEAR(a.f2, b.f2, 1e-4f);
            EXPECT_LE(a.f1, a.f2);
            float n = Noise(x, y, 0, 0, 1);
            EXPECT_GE(n, 0);
            EXPECT_LT(n, 1);
        }
    EXPECT_NE(Noise(0.5f, 0.5f, 0, 0, 1), Noise(0.5f, 0.5f, 0, 0, 2));
}

TEST(Canvas, DistancesAndCoverage) {
    EXPECT_NEAR(DistanceToSegment(5, 3, 0, 0, 10, 0), 3, 1e-5f);
    EXPECT_NEAR(DistanceToSegment(-3, 4, 0, 0, 10, 0), 5, 1e-5f);
    EXPECT_NEAR(DistanceToSegment(3, 4, 0, 0, 0, 0), 5, 1e-5f);  // a point
    EXPECT_NEAR(EllipseDistance(23, 10, 10, 10, 10, 5), 3, 1e-4f);
    EXPECT_NEAR(EllipseDistance(10, 17, 10, 10, 10, 5), 2, 1e-4f);
    EXPECT_LT(EllipseDistance(10, 10, 10, 10, 10, 5), 0);
    EXPECT_FLOAT_EQ(Coverage(-5), 1);
    EXPECT_FLOAT_EQ(Coverage(5), 0);
    EXPECT_FLOAT_EQ(Coverage(0), 0.5f);
}

TEST(Canvas, RampAndBlur) {
    std::vector<Color> stops = {{0, 0, 0}, {1, 0, 0}, {1, 1, 1}};
    EXPECT_FLOAT_EQ(Ramp(stops, 0).r, 0);
    EXPECT_FLOAT_EQ(Ramp(stops, 0.5f).r, 1);
    EXPECT_FLOAT_EQ(Ramp(stops, 0.5f).g, 0);
    EXPECT_FLOAT_EQ(Ramp(stops, 2).b, 1);
    EXPECT_FLOAT_EQ(Ramp({{0.3f, 0, 0}}, 0.9f).r, 0.3f);
    EXPECT_FLOAT_EQ(Ramp({}, 0.5f).r, 0);

    Mask m(41, 41);
    m.at(20, 20) = 1;
    Mask b = Blur(m, 6);
    float total = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) total += b.at(x, y);
    EXPECT_NEAR(total, 1, 1e-4f);  // spread, not lost
    EXPECT_LT(b.at(20, 20), 0.2f);
    EXPECT_NEAR(b.at(17, 20), b.at(23, 20), 1e-6f);
    EXPECT_NEAR(b.at(20, 17), b.at(17, 20), 1e-6f);
    EXPECT_FLOAT_EQ(Blur(m, 0).at(20, 20), 1);
}

TEST(Canvas, WrappedSamplingBlendsAcrossTheEdge) {
    Image img(4, 1);
    img.at(0, 0) = {1, 0, 0};
    img.at(3, 0) = {0, 0, 1};
    Color edge = img.SampleWrapped(0, 0.5f);  // halfway between the last and first pixel
    EXPECT_NEAR(edge.r, 0.5f, 1e-5f);
    EXPECT_NEAR(edge.b, 0.5f, 1e-5f);
}

TEST(Canvas, SavedFilesKeepOrientationAndColours) {
    ScratchDir dir;
    Image img(4, 2);
    img.at(0, 0) = {1, 0, 0};  // top-left red
    img.at(3, 1) = {0, 0, 1};  // bottom-right blue
    std::string png = dir.path() + "/t.png";
    ASSERT_TRUE(SavePng(img, png));
    FIBITMAP* dib = FreeImage_Load(FIF_PNG, png.c_str(), 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_EQ(FreeImage_GetWidth(dib), 4u);
    ASSERT_EQ(FreeImage_GetHeight(dib), 2u);
    const BYTE* top = FreeImage_GetScanLine(dib, 1);  // FreeImage keeps the bottom row first
    const BYTE* bottom = FreeImage_GetScanLine(dib, 0);
    int bpp = FreeImage_GetBPP(dib) / 8;
    EXPECT_EQ(top[FI_RGBA_RED], 255);
    EXPECT_EQ(top[FI_RGBA_BLUE], 0);
    EXPECT_EQ(bottom[3 * bpp + FI_RGBA_BLUE], 255);
    EXPECT_EQ(bottom[3 * bpp + FI_RGBA_RED], 0);
    FreeImage_Unload(dib);

    EXPECT_TRUE(SaveJpeg(img, dir.path() + "/t.jpg"));
    EXPECT_FALSE(SaveJpeg(img, dir.path() + "/no/such/folder/t.jpg"));
}

TEST(Canvas, WritingUnderAFileReportsEveryPicture) {
    ScratchDir dir;
    std::string blocker = dir.Write("blocker", "not a folder");
    EXPECT_EQ(WriteAllPictures(blocker).size(), AllPictures().size());
}
