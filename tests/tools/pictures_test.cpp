// The picture and video generators: every file decodes at its size and shows
// something, pictures that are tiled or laid over others obey their role
// (seamless edges, black where see-through), and the clip decodes frame by
// frame.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cmath>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "picture_art.h"
#include "picture_font.h"
#include "picture_video.h"
#include "support/test_paths.h"

using namespace pictures;

namespace {

struct Decoded {
    int width = 0, height = 0;
    double mean = 0, deviation = 0;  // of the grey level, 0..255
};

Decoded DecodeFile(const std::string& path) {
    Decoded d;
    FREE_IMAGE_FORMAT type = FreeImage_GetFileType(path.c_str(), 0);
    FIBITMAP* dib = type == FIF_UNKNOWN ? nullptr : FreeImage_Load(type, path.c_str(), 0);
    if (!dib) return d;
    FIBITMAP* grey = FreeImage_ConvertToGreyscale(dib);
    d.width = static_cast<int>(FreeImage_GetWidth(grey));
    d.height = static_cast<int>(FreeImage_GetHeight(grey));
    double sum = 0, sum2 = 0;
    for (int y = 0; y < d.height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(grey, y);
        for (int x = 0; x < d.width; ++x) {
            sum += line[x];
            sum2 += double(line[x]) * line[x];
        }
    }
    double n = double(d.width) * d.height;
    d.mean = sum / n;
    d.deviation = std::sqrt(std::max(0.0, sum2 / n - d.mean * d.mean));
    FreeImage_Unload(grey);
    FreeImage_Unload(dib);
    return d;
}

struct ClipInfo {
    int frames = -1;  // decoded frames; -1 when the file cannot be opened
    int width = 0, height = 0;
};

ClipInfo DecodeClip(const std::string& path) {
    ClipInfo info;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return info;
    avformat_find_stream_info(format, nullptr);
    int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index >= 0) {
        const AVCodec* decoder = avcodec_find_decoder(format->streams[index]->codecpar->codec_id);
        AVCodecContext* codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, format->streams[index]->codecpar);
        if (decoder && avcodec_open2(codec, decoder, nullptr) == 0) {
            info.frames = 0;
            AVPacket* packet = av_packet_alloc();
            AVFrame* frame = av_frame_alloc();
            auto drain = [&] {
                while (avcodec_receive_frame(codec, frame) == 0) {
                    ++info.frames;
                    info.width = frame->width;
                    info.height = frame->height;
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == index && avcodec_send_packet(codec, packet) == 0)
                    drain();
                av_packet_unref(packet);
            }
            avcodec_send_packet(codec, nullptr);
            drain();
            av_frame_free(&frame);
            av_packet_free(&packet);
        }
        avcodec_free_context(&codec);
    }
    avformat_close_input(&format);
    return info;
}

float Brightness(const Image& img, int x, int y) { return Luma(img.at(x, y)); }

// Mean colour difference between two columns of the picture.
double ColumnDifference(const Image& img, int a, int b) {
    double sum = 0;
    for (int y = 0; y < img.height(); ++y) {
        Color d = img.at(a, y) - img.at(b, y);
        sum += std::abs(d.r) + std::abs(d.g) + std::abs(d.b);
    }
    return sum / img.height();
}

double RowDifference(const Image& img, int a, int b) {
    double sum = 0;
    for (int x = 0; x < img.width(); ++x) {
        Color d = img.at(x, a) - img.at(x, b);
        sum += std::abs(d.r) + std::abs(d.g) + std::abs(d.b);
    }
    return sum / img.width();
}

}  // namespace

TEST(Pictures, EveryPictureIsWrittenAndDecodesAtItsSizeWithContent) {
    ScratchDir dir;
    EXPECT_TRUE(WriteAllPictures(dir.path()).empty());
    ASSERT_GE(AllPictures().size(), 17u);  // effects add their own
    for (const PictureEntry& e : AllPictures()) {
        Decoded d = DecodeFile(dir.path() + "/" + e.path);
        EXPECT_EQ(d.width, e.width) << e.path;
        EXPECT_EQ(d.height, e.height) << e.path;
        EXPECT_GT(d.mean, 4) << e.path << " is nearly black";
        EXPECT_GT(d.deviation, 10) << e.path << " is nearly flat";
        // Power-of-two sides: the texture loader then needs no resampling.
        EXPECT_EQ(e.width & (e.width - 1), 0) << e.path;
        EXPECT_EQ(e.height & (e.height - 1), 0) << e.path;
    }
}

TEST(Pictures, BumblebeeIsSeeThroughRoundItsOutline) {
    ScratchDir dir;
    ASSERT_TRUE(WriteAllPictures(dir.path()).empty());
    const std::string path = dir.path() + "/ostra/brum/brum.png";
    FIBITMAP* dib = FreeImage_Load(FIF_PNG, path.c_str(), 0);
    ASSERT_NE(nullptr, dib);
    EXPECT_EQ(32u, FreeImage_GetBPP(dib));
    int opaque = 0;
    for (unsigned y = 0; y < FreeImage_GetHeight(dib); ++y) {
        const BYTE* line = FreeImage_GetScanLine(dib, y);
        for (unsigned x = 0; x < FreeImage_GetWidth(dib); ++x)
            opaque += line[4 * x + FI_RGBA_ALPHA] == 255;
    }
    EXPECT_GT(opaque, 512 * 512 / 10);
    EXPECT_EQ(0, FreeImage_GetScanLine(dib, 0)[FI_RGBA_ALPHA]);
    FreeImage_Unload(dib);

    // The stinger reaches the middle of the right edge, where Brum's stars
    // come out; the wings are half see-through.
    const Image bee = MakeBrumSprite();
    ASSERT_TRUE(bee.has_alpha());
    EXPECT_GT(bee.alpha(bee.width() - 12, bee.height() / 2), 0.9f);
    EXPECT_EQ(0.0f, bee.alpha(bee.width() - 4, bee.height() / 4));
    EXPECT_NEAR(0.5f, bee.alpha(340, 60), 0.1f);
}

TEST(Pictures, DrawingIsDeterministic) {
    EXPECT_EQ(ToRgb8(MakeLoader()), ToRgb8(MakeLoader()));
    EXPECT_EQ(ToRgb8(MakePortraitBust()), ToRgb8(MakePortraitBust()));
}

TEST(Pictures, TiledAndDirectionLookupPicturesHaveNoSeam) {
    // Across the wrap the step must look like an ordinary step between
    // neighbouring columns (rows), not like a cut.
    struct Case {
        const char* name;
        Image img;
        bool vertical_too;
    };
    Case cases[] = {{"water", MakeWater(), true},
                    {"strobo bg", MakeStroboBackground(), false},
                    {"rubber env", MakeRubberEnv(), true},
                    {"misc env", MakeMiscEnv(), true},
                    {"tower grid", MakeTowerGrid(), true},
                    {"show glass", MakeShowGlass(), true},
                    {"show lagoon", MakeShowLagoon(), false},
                    {"fog pole", MakeFogPole(), false},
                    {"nanoball spike", MakeNanoSpike(), false}};
    for (const Case& c : cases) {
        int w = c.img.width(), h = c.img.height();
        double inner = ColumnDifference(c.img, w / 2, w / 2 + 1);
        EXPECT_LT(ColumnDifference(c.img, w - 1, 0), 3 * inner + 0.01) << c.name;
        if (c.vertical_too) {
            double inner_rows = RowDifference(c.img, h / 2, h / 2 + 1);
            EXPECT_LT(RowDifference(c.img, h - 1, 0), 3 * inner_rows + 0.01) << c.name;
        }
    }
}

TEST(Pictures, OverlaysAreBlackWhereTheyMustLeaveThePictureAlone) {
    // Additive and colour-keyed layers: black corners; the turning twists
    // must also be black along the edge midpoints.
    for (Image img : {MakeStroboTwist(), MakeMiscTwist()}) {
        int s = img.width();
        for (auto [x, y] :
             {std::pair{0, 0}, {s / 2, 0}, {0, s / 2}, {s - 1, s / 2}, {s / 2, s - 1}})
            EXPECT_LT(Brightness(img, x, y), 0.02f);
        EXPECT_GT(Brightness(img, s / 2, s / 2), 0.9f);
    }
    // Turning sprites fade to black before their edge, all the way round.
    for (Image img : {MakePrik1(), MakePrik2(), MakePrik3(), MakePrik4(), MakeBrumStar()}) {
        const int s = img.width();
        for (auto [x, y] : {std::pair{0, 0},
                            {s / 2, 0},
                            {0, s / 2},
                            {s - 1, s / 2},
                            {s / 2, s - 1},
                            {s / 5, s / 5}})
            EXPECT_LT(Brightness(img, x, y), 0.004f);
        EXPECT_GT(Brightness(img, s / 2, s / 2), 0.4f);
    }
    for (Image img : {MakeFlower(), MakePortraitVex(), MakePortraitMig(), MakePortraitQuill(),
                      MakePortraitBust()}) {
        EXPECT_LT(Brightness(img, 2, 2), 0.03f);
        EXPECT_LT(Brightness(img, img.width() - 3, 2), 0.03f);
        EXPECT_GT(Brightness(img, img.width() / 2, img.height() / 2), 0.2f);
    }
    // The strike flash and the faces' lettering are added over pictures.
    for (Image img : {MakeBangFlash(), MakeFacesText()}) {
        for (auto [x, y] : {std::pair{0, 0},
                            {img.width() - 1, 0},
                            {0, img.height() - 1},
                            {img.width() - 1, img.height() - 1}})
            EXPECT_LT(Brightness(img, x, y), 0.03f);
    }
    // Sprites laid on by their own colour and added layers of the zoomer
    // and the tile board: black round the edge.
    for (Image img :
         {MakeZoomerFirstSprite(), MakeZoomerSprite(), MakeZoomerOldSprite(), MakeZoomerGlow(),
          MakeColorBoxTile(), MakeColorBoxHighlight(), MakeColorBoxStar()}) {
        int s = img.width();
        for (auto [x, y] :
             {std::pair{0, 0}, {s / 2, 0}, {0, s / 2}, {s - 1, s / 2}, {s / 2, s - 1}})
            EXPECT_LT(Brightness(img, x, y), 0.03f);
    }
    // The zoomer's background meets the white clear round it.
    Image zoomer_background = MakeZoomerBackground();
    EXPECT_GT(Brightness(zoomer_background, 0, 0), 0.97f);
    EXPECT_GT(Brightness(zoomer_background, 256, 0), 0.97f);
    EXPECT_LT(Brightness(zoomer_background, 256, 256), 0.8f);
    Image border = MakeBorder();
    EXPECT_LT(Brightness(border, 256, 256), 0.01f);
    EXPECT_LT(Brightness(border, 150, 300), 0.01f);
    // The visible band (10% to 17% in from the edge) carries the frame.
    double band = 0;
    for (int x = 52; x < 87; ++x) band += Brightness(border, x, 256);
    EXPECT_GT(band / 35, 0.15);
}

TEST(Pictures, VideoMaskIsWhiteRoundTheEdgeAndBlackInTheMiddle) {
    Image mask = MakeVideoMask();
    EXPECT_GT(Brightness(mask, 0, 0), 0.99f);
    EXPECT_GT(Brightness(mask, 256, 3), 0.99f);
    EXPECT_LT(Brightness(mask, 256, 256), 0.01f);
    EXPECT_LT(Brightness(mask, 140, 256), 0.01f);
    // Symmetric top to bottom: the effect draws it mirrored.
    EXPECT_LT(RowDifference(mask, 40, 511 - 40), 0.01);
}

TEST(Pictures, CaptionsAreSeeThroughAroundTheirLetteringAndKeepTheirAlpha) {
    ScratchDir dir;
    EXPECT_TRUE(WriteAllPictures(dir.path()).empty());
    for (const char* name : {"title", "strip", "logo", "end"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.path() + "/captions/" + name + ".png";
        FIBITMAP* dib = FreeImage_Load(FIF_PNG, path.c_str(), 0);
        ASSERT_NE(nullptr, dib);
        EXPECT_EQ(32u, FreeImage_GetBPP(dib));
        const int w = static_cast<int>(FreeImage_GetWidth(dib));
        const int h = static_cast<int>(FreeImage_GetHeight(dib));
        int opaque = 0;
        RGBQUAD corner;
        FreeImage_GetPixelColor(dib, 0, 0, &corner);
        EXPECT_EQ(0, corner.rgbReserved);
        // Hidden colour is not black, so edges do not filter towards black.
        EXPECT_GT(corner.rgbRed, 0);
        for (int y = 0; y < h; ++y) {
            const BYTE* line = FreeImage_GetScanLine(dib, y);
            for (int x = 0; x < w; ++x) opaque += line[4 * x + FI_RGBA_ALPHA] == 255;
        }
        EXPECT_GT(opaque, w * h / 100);  // lettering
        EXPECT_LT(opaque, w * h / 4);    // and mostly see-through
        FreeImage_Unload(dib);
    }
}

TEST(Pictures, TunnelAndTrailLayersAreBlackWhereTheyMustAddNothing) {
    // Edges: the clouds, sprites and glows are drawn as quads that turn and
    // overlap. Middle: a trail sprite fills the screen with its middle when
    // it passes the eye, at many times its colour.
    for (Image img : {MakeSkyClouds(), MakeSolarisSprite(), MakeSolarisGlow()}) {
        const int s = img.width();
        for (auto [x, y] :
             {std::pair{0, 0}, {s / 2, 0}, {0, s / 2}, {s - 1, s / 2}, {s / 2, s - 1}})
            EXPECT_LT(Brightness(img, x, y), 0.02f) << x << "," << y;
    }
    for (Image img : {MakeSolarisSprite(), MakeSolarisGlow()}) {
        EXPECT_LT(Brightness(img, 256, 256), 0.01f);
        EXPECT_LT(Brightness(img, 256 + 30, 256 - 20), 0.01f);
    }
    // The title prints black where it is white; around it the trail shows.
    Image title = MakeSolarisTitle();
    EXPECT_LT(Brightness(title, 150, 80), 0.01f);
    EXPECT_LT(Brightness(title, 512, 200), 0.01f);
}

TEST(Pictures, LandscapeGlowIsTheLandscapesLightUpsideDown) {
    // The glow is drawn with the texture mirrored vertically: stored
    // flipped, its sun must sit where the landscape's sun is, flipped.
    Image land = MakeSkyLandscape(), glow = MakeSkyLandscapeGlow();
    const int sun_row = 240, flipped = 511 - sun_row;
    EXPECT_GT(Brightness(land, 256, sun_row), 0.8f);
    EXPECT_GT(Brightness(glow, 256, flipped), 0.8f);
    EXPECT_LT(Brightness(glow, 256, 511 - 120), 0.05f);  // the sky above the sun
    EXPECT_LT(Brightness(glow, 30, 511 - 30), 0.02f);    // a dark corner of the sky
}

TEST(Font, TextIsCentredAndUnknownCharactersDrawNothing) {
    TextStyle style;
    style.height = 30;
    style.stroke = 4;
    EXPECT_FLOAT_EQ(TextWidth("AB", style), (2 * (4 + style.spacing) - style.spacing) * 5);
    Mask mask(200, 80);
    DrawText(mask, "~~~", 100, 40, style);
    float total = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 200; ++x) total += mask.at(x, y);
    EXPECT_EQ(total, 0);
    DrawText(mask, "H", 100, 40, style);
    // H's crossbar crosses the centre; its left stem sits 10 px left of it.
    EXPECT_GT(mask.at(100, 40), 0.9f);
    EXPECT_GT(mask.at(90, 30), 0.9f);
    EXPECT_EQ(mask.at(100, 30), 0);
}

TEST(Video, WriterGivesADecodableClipWithEveryFrame) {
    ScratchDir dir;
    VideoSettings small;
    small.width = 96;
    small.height = 64;
    small.frames = 12;
    std::string path = dir.path() + "/clip.avi";
    ASSERT_EQ(WriteVideo(path, small), "");
    ClipInfo clip = DecodeClip(path);
    EXPECT_EQ(clip.frames, 12);
    EXPECT_EQ(clip.width, 96);
    EXPECT_EQ(clip.height, 64);
    EXPECT_NE(WriteVideo(dir.path() + "/missing/dir/clip.avi", small), "");
    small.frames = 0;
    EXPECT_NE(WriteVideo(path, small), "");
}

TEST(Video, ClipLoopsWithoutAJumpAndMoves) {
    VideoSettings s;
    s.width = 80;
    s.height = 60;
    EXPECT_EQ(ToRgb8(RenderVideoFrame(0, s)), ToRgb8(RenderVideoFrame(s.frames, s)));
    EXPECT_NE(ToRgb8(RenderVideoFrame(0, s)), ToRgb8(RenderVideoFrame(1, s)));
}

TEST(Video, ShippedClipDecodesWithAtLeastAHundredFrames) {
    ClipInfo clip = DecodeClip(SourceDir() + "/data/ostra/video/Video.avi");
    EXPECT_GE(clip.frames, 100);
    EXPECT_EQ(clip.width, 320);
    EXPECT_EQ(clip.height, 240);
}
