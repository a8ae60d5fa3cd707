// Textures: bytes and parameters read back from GL after loading image files
// written here with FreeImage, the upload modes, and damaged image files.
#include "render/texture.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "support/gl_context.h"
#include "support/test_paths.h"

namespace {

GLint Bound() {
    GLint name = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint LevelParameter(const CTexture& texture, int level, GLenum what) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

GLint Parameter(const CTexture& texture, GLenum what) {
    GLint value = -1;
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    glGetTexParameteriv(GL_TEXTURE_2D, what, &value);
    glBindTexture(GL_TEXTURE_2D, 0);
    return value;
}

// Level 0 as RGBA bytes, first texture row first.
std::vector<uint8_t> Level0(const CTexture& texture) {
    const int w = LevelParameter(texture, 0, GL_TEXTURE_WIDTH);
    const int h = LevelParameter(texture, 0, GL_TEXTURE_HEIGHT);
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    if (pixels.empty()) return pixels;
    glBindTexture(GL_TEXTURE_2D, texture.Name());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return pixels;
}

bool HasImage(const CTexture& texture) { return LevelParameter(texture, 0, GL_TEXTURE_WIDTH) > 0; }

// A FreeImage bitmap; (x, y) below count y from the image's top.
struct Image {
    FIBITMAP* dib;
    Image(int w, int h, int bpp) : dib(FreeImage_Allocate(w, h, bpp)) {}
    ~Image() { FreeImage_Unload(dib); }
    void Set(int x, int y, int r, int g, int b, int a = 255) {
        RGBQUAD q;
        q.rgbRed = static_cast<BYTE>(r);
        q.rgbGreen = static_cast<BYTE>(g);
        q.rgbBlue = static_cast<BYTE>(b);
        q.rgbReserved = static_cast<BYTE>(a);
        const int top_down = static_cast<int>(FreeImage_GetHeight(dib)) - 1 - y;
        FreeImage_SetPixelColor(dib, x, top_down, &q);
    }
    void Fill(int r, int g, int b, int a = 255) {
        for (int y = 0; y < static_cast<int>(FreeImage_GetHeight(dib)); ++y)
            for (int x = 0; x < static_cast<int>(FreeImage_GetWidth(dib)); ++x)
                Set(x, y, r, g, b, a);
    }
    std::string Save(const ScratchDir& dir, const std::string& name, FREE_IMAGE_FORMAT format,
                     int flags = 0) const {
        const std::string path = dir.path() + "/" + name;
        EXPECT_TRUE(FreeImage_Save(format, dib, path.c_str(), flags)) << path;
        return path;
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A 64 x 64 picture with a colour ramp, so the coded data is not trivial.
void Ramp(Image& image) {
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) image.Set(x, y, x * 4, y * 4, (x ^ y) * 4);
}

}  // namespace

TEST(TextureLoad, TopLeftPixelOfA24BitPngComesFirst) {
    REQUIRE_GL();
    ScratchDir dir;
    Image image(3, 2, 24);
    image.Fill(0, 0, 255);
    image.Set(0, 0, 255, 0, 0);  // top left: red
    image.Set(0, 1, 0, 255, 0);  // bottom left: green
    const std::string path = image.Save(dir, "red.png", FIF_PNG);

    CTextureFreeImage texture;
    texture.Load(path.c_str());
    const std::vector<uint8_t> pixels = Level0(texture);
    ASSERT_GE(pixels.size(), 4u);
    EXPECT_EQ(255, pixels[0]);
    EXPECT_EQ(0, pixels[1]);
    EXPECT_EQ(0, pixels[2]);
    EXPECT_EQ(255, pixels[3]);  // 24-bit images become opaque

    // GLU stretches the 3 pixel wide image to 4 for the mipmap chain; the
    // second texture row is the image's bottom row, green on the left.
    const int w = LevelParameter(texture, 0, GL_TEXTURE_WIDTH);
    EXPECT_EQ(2, LevelParameter(texture, 0, GL_TEXTURE_HEIGHT));
    ASSERT_EQ(static_cast<size_t>(w) * 2 * 4, pixels.size());
    EXPECT_EQ(0, pixels[w * 4 + 0]);
    EXPECT_EQ(255, pixels[w * 4 + 1]);
    EXPECT_EQ(0, pixels[w * 4 + 2]);
    // Right column: blue.
    EXPECT_EQ(255, pixels[(w - 1) * 4 + 2]);

    EXPECT_EQ(0, Bound());
    EXPECT_EQ(GL_REPEAT, Parameter(texture, GL_TEXTURE_WRAP_S));
    EXPECT_EQ(GL_REPEAT, Parameter(texture, GL_TEXTURE_WRAP_T));
    EXPECT_EQ(GL_LINEAR, Parameter(texture, GL_TEXTURE_MIN_FILTER));
    EXPECT_EQ(GL_LINEAR, Parameter(texture, GL_TEXTURE_MAG_FILTER));
    EXPECT_GT(LevelParameter(texture, 1, GL_TEXTURE_WIDTH), 0);  // mipmaps built
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(GL_MODULATE, env);
}

TEST(TextureLoad, SidesThatAreNotPowersOfTwoKeepEveryRow) {
    REQUIRE_GL();
    ScratchDir dir;
    // Height already a power of two, width not: every row must arrive,
    // the last one (the image's bottom) included.
    struct Case {
        int w, h, texture_w, texture_h;
    };
    for (const Case c : {Case{100, 64, 128, 64}, Case{5, 1, 4, 1}, Case{6, 4, 8, 4},
                         Case{3, 5, 4, 4}, Case{640, 3, 512, 4}}) {
        Image image(c.w, c.h, 24);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) image.Set(x, y, 200, y == c.h - 1 ? 255 : 0, 40);
        const std::string path = image.Save(dir, "npot.png", FIF_PNG);
        CTextureFreeImage texture;
        texture.Load(path.c_str());
        ASSERT_EQ(c.texture_w, LevelParameter(texture, 0, GL_TEXTURE_WIDTH)) << c.w;
        ASSERT_EQ(c.texture_h, LevelParameter(texture, 0, GL_TEXTURE_HEIGHT)) << c.h;
        const std::vector<uint8_t> pixels = Level0(texture);
        for (int x = 0; x < c.texture_w; ++x) {
            const uint8_t* last = &pixels[((c.texture_h - 1) * c.texture_w + x) * 4];
            EXPECT_EQ(200, last[0]) << c.w << "x" << c.h << " column " << x;
            EXPECT_NEAR(40, last[2], 1);
            EXPECT_EQ(255, last[3]);
            EXPECT_EQ(200, pixels[x * 4]);  // first row
        }
        if (c.h == c.texture_h) {
            // Rows were not mixed: only the last is green.
            EXPECT_EQ(255, pixels[((c.texture_h - 1) * c.texture_w) * 4 + 1]);
            if (c.h > 1) {
                EXPECT_EQ(0, pixels[((c.texture_h - 2) * c.texture_w) * 4 + 1]);
            }
        }
    }
    // Mipmaps of an uploaded image with such sides as well.
    std::vector<uint8_t> rgba(6 * 2 * 4, 99);
    CTexture uploaded;
    uploaded.Upload(rgba.data(), 6, 2, false, GL_RGBA, false);
    const std::vector<uint8_t> back = Level0(uploaded);
    ASSERT_EQ(8u * 2 * 4, back.size());
    for (uint8_t v : back) EXPECT_EQ(99, v);
    EXPECT_EQ(4, LevelParameter(uploaded, 1, GL_TEXTURE_WIDTH));
}

TEST(TextureLoad, AlphaOfA32BitPngSurvives) {
    REQUIRE_GL();
    ScratchDir dir;
    Image image(4, 4, 32);
    image.Fill(10, 20, 30, 128);
    const std::string path = image.Save(dir, "half.png", FIF_PNG);

    CTextureFreeImage texture;
    texture.Load(path.c_str());
    const std::vector<uint8_t> pixels = Level0(texture);
    ASSERT_EQ(4u * 4 * 4, pixels.size());
    for (size_t i = 0; i < pixels.size(); i += 4) {
        EXPECT_EQ(10, pixels[i]);
        EXPECT_EQ(20, pixels[i + 1]);
        EXPECT_EQ(30, pixels[i + 2]);
        EXPECT_EQ(128, pixels[i + 3]);
    }
}

TEST(TextureLoad, GreyscaleAndJpegImagesBecomeOpaqueRgba) {
    REQUIRE_GL();
    ScratchDir dir;
    // 8-bit greyscale PNG.
    FIBITMAP* grey = FreeImage_Allocate(4, 4, 8);
    RGBQUAD* palette = FreeImage_GetPalette(grey);
    for (int i = 0; i < 256; ++i)
        palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
    for (unsigned y = 0; y < 4; ++y) memset(FreeImage_GetScanLine(grey, y), 200, 4);
    const std::string grey_path = dir.path() + "/grey.png";
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, grey, grey_path.c_str(), 0));
    FreeImage_Unload(grey);

    CTextureFreeImage from_grey;
    from_grey.Load(grey_path.c_str());
    std::vector<uint8_t> pixels = Level0(from_grey);
    ASSERT_EQ(64u, pixels.size());
    EXPECT_EQ(200, pixels[0]);
    EXPECT_EQ(200, pixels[1]);
    EXPECT_EQ(200, pixels[2]);
    EXPECT_EQ(255, pixels[3]);

    // A JPEG named .png: the type comes from the content, not the name.
    Image flat(16, 16, 24);
    flat.Fill(240, 120, 30);
    const std::string jpeg = flat.Save(dir, "really_a_jpeg.png", FIF_JPEG, JPEG_QUALITYSUPERB);
    CTextureFreeImage from_jpeg;
    from_jpeg.Load(jpeg.c_str());
    pixels = Level0(from_jpeg);
    ASSERT_EQ(16u * 16 * 4, pixels.size());
    EXPECT_NEAR(240, pixels[0], 4);
    EXPECT_NEAR(120, pixels[1], 4);
    EXPECT_NEAR(30, pixels[2], 4);
    EXPECT_EQ(255, pixels[3]);
}

TEST(TextureLoad, MissingFileLeavesNoImageAndNothingBound) {
    REQUIRE_GL();
    CTextureFreeImage other;
    glBindTexture(GL_TEXTURE_2D, other.Name());
    CTextureFreeImage texture;
    EXPECT_NE(0u, texture.Name());
    EXPECT_NO_THROW(texture.Load("data/no/such/picture.jpg"));
    EXPECT_EQ(0, Bound());
    EXPECT_FALSE(HasImage(texture));
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());

    // A folder where a picture should be.
    ScratchDir dir;
    dir.Write("folder.jpg/inside.txt", "x");
    EXPECT_NO_THROW(texture.Load((dir.path() + "/folder.jpg").c_str()));
    EXPECT_FALSE(HasImage(texture));
    EXPECT_EQ(0, Bound());
}

// Each picture that cannot be loaded gives one diagnostic line with its path
// and the reason, so a typo in a path does not pass as a black layer.
TEST(TextureLoad, PictureThatCannotBeLoadedIsNamedWithTheReason) {
    REQUIRE_GL();
    ScratchDir dir;
    dir.Write("folder.jpg/inside.txt", "x");
    const std::string text = dir.Write("notes.png", "this is not a picture\n");
    const std::string cut = dir.Write("cut.png", std::string("\x89PNG\r\n\x1a\n", 8));
    const std::string jpeg = ReadAll("data/overlay/loader.jpg");
    const std::string half = dir.Write("half.jpg", jpeg.substr(0, jpeg.size() / 2));
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {dir.path() + "/typo.jpg", "No such file or directory"},
        {dir.path() + "/folder.jpg", "it is a folder"},
        {text, "not a picture format"},
        {cut, "cannot be decoded"},
        // The decoder's warning: the rest of the picture would be grey.
        {half, "Premature end of JPEG file"},
    };
    for (const auto& c : cases) {
        CTextureFreeImage texture;
        testing::internal::CaptureStderr();
        texture.Load(c.path.c_str());
        const std::string err = testing::internal::GetCapturedStderr();
        const std::string start = "Picture \"" + c.path + "\" cannot be loaded (";
        const std::string end = "); its texture stays empty\n";
        EXPECT_EQ(err.substr(0, start.size()), start) << err;
        EXPECT_NE(err.find(c.reason), std::string::npos) << err;
        ASSERT_GE(err.size(), end.size());
        EXPECT_EQ(err.substr(err.size() - end.size()), end) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(HasImage(texture));
    }
    // A picture that loads says nothing.
    CTextureFreeImage good;
    testing::internal::CaptureStderr();
    good.Load("data/overlay/loader.jpg");
    EXPECT_EQ("", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(HasImage(good));
}

// A listener is told at once, after every load and reload, with the image
// in place.
TEST(TextureLoad, AnImageListenerIsToldOfEveryChange) {
    REQUIRE_GL();
    ScratchDir dir;
    Image ramp(64, 64, 24);
    Ramp(ramp);
    const std::string path = ramp.Save(dir, "ramp.png", FIF_PNG);
    struct Listener : TextureImageListener {
        const CTexture* texture = nullptr;
        std::vector<std::vector<uint8_t>> seen;
        void ImageChanged(GLuint name) override {
            EXPECT_EQ(texture->Name(), name);
            seen.push_back(Level0(*texture));
        }
    } listener;
    CTextureFreeImage texture;
    listener.texture = &texture;
    texture.SetImageListener(&listener);
    ASSERT_EQ(1u, listener.seen.size());
    EXPECT_TRUE(listener.seen[0].empty()) << "no image yet";
    texture.Load(path.c_str());
    ASSERT_EQ(2u, listener.seen.size());
    EXPECT_EQ(Level0(texture), listener.seen[1]);
    EXPECT_FALSE(listener.seen[1].empty());
    // A reload with another picture, and one that fails (nothing changes).
    Image flat(32, 32, 24);
    flat.Fill(10, 200, 30);
    flat.Save(dir, "ramp.png", FIF_PNG);
    texture.Reload();
    ASSERT_EQ(3u, listener.seen.size());
    EXPECT_EQ(32u * 32 * 4, listener.seen[2].size());
    dir.Write("ramp.png", "cut");
    EXPECT_THROW(texture.Reload(), DemoFailure);
    EXPECT_EQ(3u, listener.seen.size());
    texture.SetImageListener(nullptr);
    texture.Load(path.c_str());
    EXPECT_EQ(3u, listener.seen.size()) << "removed";
}

TEST(TextureLoad, DeletesItsNameWhenDestroyed) {
    REQUIRE_GL();
    GLuint name = 0;
    {
        CTexture texture;
        name = texture.Name();
        glBindTexture(GL_TEXTURE_2D, name);  // a name is a texture once bound
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

TEST(TextureUpload, MipmapsOnlyForMultiLevelRgba) {
    REQUIRE_GL();
    std::vector<uint8_t> rgba(8 * 8 * 4, 77);
    {
        CTexture texture;
        texture.Upload(rgba.data(), 8, 8, false, GL_RGBA, false);
        EXPECT_EQ(8, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
        EXPECT_EQ(4, LevelParameter(texture, 1, GL_TEXTURE_WIDTH));
        EXPECT_EQ(1, LevelParameter(texture, 3, GL_TEXTURE_WIDTH));
        EXPECT_EQ(GL_REPEAT, Parameter(texture, GL_TEXTURE_WRAP_S));
        EXPECT_EQ(0, Bound());
    }
    {
        CTexture texture;
        texture.Upload(rgba.data(), 8, 8, true, GL_RGBA, true);
        EXPECT_EQ(8, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
        EXPECT_EQ(0, LevelParameter(texture, 1, GL_TEXTURE_WIDTH));
        EXPECT_EQ(GL_MIRRORED_REPEAT, Parameter(texture, GL_TEXTURE_WRAP_S));
        EXPECT_EQ(GL_MIRRORED_REPEAT, Parameter(texture, GL_TEXTURE_WRAP_T));
        EXPECT_EQ(GL_LINEAR, Parameter(texture, GL_TEXTURE_MIN_FILTER));
        EXPECT_EQ(77, Level0(texture)[5]);
    }
    {
        // Three bytes per pixel, tightly packed: a 3 x 3 image has rows of
        // 9 bytes, which only unpack alignment 1 reads right.
        std::vector<uint8_t> rgb(3 * 3 * 3);
        for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 9);
        CTexture texture;
        texture.Upload(rgb.data(), 3, 3, false, GL_RGB8, false);
        EXPECT_EQ(3, LevelParameter(texture, 0, GL_TEXTURE_WIDTH));
        EXPECT_EQ(0, LevelParameter(texture, 1, GL_TEXTURE_WIDTH));
        EXPECT_EQ(GL_RGB8, LevelParameter(texture, 0, GL_TEXTURE_INTERNAL_FORMAT));
        const std::vector<uint8_t> back = Level0(texture);
        ASSERT_EQ(36u, back.size());
        // Second row, first pixel = source bytes 9, 10, 11.
        EXPECT_EQ(81, back[12]);
        EXPECT_EQ(90, back[13]);
        EXPECT_EQ(99, back[14]);
        EXPECT_EQ(255, back[15]);
    }
}

TEST(TextureUpload, UnknownPixelFormatThrowsWithNothingBound) {
    REQUIRE_GL();
    std::vector<uint8_t> pixels(16, 1);
    CTexture texture;
    try {
        texture.Upload(pixels.data(), 4, 4, false, GL_LUMINANCE, false);
        FAIL() << "no failure raised";
    } catch (const DemoFailure& failure) {
        EXPECT_STREQ("Unknown pixeldepth", failure.what());
    }
    EXPECT_EQ(0, Bound());
    EXPECT_FALSE(HasImage(texture));
    EXPECT_THROW(texture.Upload(pixels.data(), 4, 4, false, GL_RGB, true), DemoFailure);
}

TEST(TextureBindScope, BindsAndUnbindsAlsoOnException) {
    REQUIRE_GL();
    CTexture texture;
    {
        TextureBind bind(texture);
        EXPECT_EQ(static_cast<GLint>(texture.Name()), Bound());
    }
    EXPECT_EQ(0, Bound());
    try {
        TextureBind bind(texture.Name());
        EXPECT_EQ(static_cast<GLint>(texture.Name()), Bound());
        Fail("stop");
    } catch (const DemoFailure&) {
    }
    EXPECT_EQ(0, Bound());
}

TEST(TextureReorder, FlipsRowsAndSwapsRedAndBlue) {
    // Decoder order: bottom row first, bytes blue, green, red, alpha.
    const unsigned char in[2 * 2 * 4] = {
        1, 2,  3,  4,  5,  6,  7,  8,   // bottom row
        9, 10, 11, 12, 13, 14, 15, 16,  // top row
    };
    unsigned char out[16] = {};
    ReorderDecodedPixels(in, out, 2, 2);
    const unsigned char expected[16] = {
        11, 10, 9, 12, 15, 14, 13, 16,  // top row first
        3,  2,  1, 4,  7,  6,  5,  8,
    };
    for (int i = 0; i < 16; ++i) EXPECT_EQ(expected[i], out[i]) << i;
}

// Damaged files: each gives no image or a whole image of the right size,
// never a crash, never an exception, and nothing stays bound.
class DamagedImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        Image image(64, 64, 24);
        Ramp(image);
        jpeg_ = ReadAll(image.Save(dir_, "good.jpg", FIF_JPEG, JPEG_QUALITYGOOD));
        png_ = ReadAll(image.Save(dir_, "good.png", FIF_PNG));
        ASSERT_GT(jpeg_.size(), 200u);
        ASSERT_GT(png_.size(), 200u);
    }

    // Loads `bytes` as a file; returns level 0's width (0 = no image).
    int LoadBytes(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.Write(name, bytes);
        CTextureFreeImage texture;
        testing::internal::CaptureStderr();
        EXPECT_NO_THROW(texture.Load(path.c_str())) << name;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(0, Bound()) << name;
        const int width = LevelParameter(texture, 0, GL_TEXTURE_WIDTH);
        // One line naming the file for each picture that gives no image.
        if (width == 0) {
            EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
            EXPECT_NE(err.find(path), std::string::npos) << err;
        } else {
            EXPECT_EQ(err, "");
        }
        if (width != 0) {
            EXPECT_EQ(64, width) << name;
            EXPECT_EQ(64, LevelParameter(texture, 0, GL_TEXTURE_HEIGHT)) << name;
        }
        while (glGetError() != GL_NO_ERROR) {
        }
        return width;
    }

    ScratchDir dir_;
    std::string jpeg_, png_;
};

TEST_F(DamagedImage, IntactFilesLoad) {
    EXPECT_EQ(64, LoadBytes("copy.jpg", jpeg_));
    EXPECT_EQ(64, LoadBytes("copy.png", png_));
}

TEST_F(DamagedImage, EmptyAndHeaderOnlyFilesGiveNoImage) {
    EXPECT_EQ(0, LoadBytes("empty.jpg", ""));
    EXPECT_EQ(0, LoadBytes("empty.png", ""));
    EXPECT_EQ(0, LoadBytes("soi.jpg", jpeg_.substr(0, 2)));
    EXPECT_EQ(0, LoadBytes("signature.png", png_.substr(0, 8)));
    EXPECT_EQ(0, LoadBytes("text.png", "this is not a picture\n"));
}

TEST_F(DamagedImage, TruncatedFilesNeverCrash) {
    // Every cut through the headers, then coarser steps through the data.
    for (size_t cut = 1; cut < jpeg_.size(); cut += cut < 700 ? 7 : 97)
        LoadBytes("cut.jpg", jpeg_.substr(0, cut));
    for (size_t cut = 1; cut < png_.size(); cut += cut < 200 ? 3 : 97)
        LoadBytes("cut.png", png_.substr(0, cut));
    // A PNG or JPEG cut inside its image data has no image end: no picture.
    EXPECT_EQ(0, LoadBytes("half.png", png_.substr(0, png_.size() / 2)));
    EXPECT_EQ(0, LoadBytes("half.jpg", jpeg_.substr(0, jpeg_.size() / 2)));
}

TEST_F(DamagedImage, CorruptedBytesNeverCrash) {
    // Overwrite a run of bytes at many places, headers included.
    for (size_t at = 2; at + 16 < jpeg_.size(); at += 29) {
        std::string bad = jpeg_;
        for (size_t k = 0; k < 16; ++k) bad[at + k] = static_cast<char>(0xA5 ^ k);
        LoadBytes("bad.jpg", bad);
    }
    for (size_t at = 8; at + 16 < png_.size(); at += 31) {
        std::string bad = png_;
        for (size_t k = 0; k < 16; ++k) bad[at + k] = static_cast<char>(0x5A ^ (k * 3));
        LoadBytes("bad.png", bad);
    }
    // Absurd dimensions in an otherwise intact PNG header (IHDR width at
    // byte 16): the decoder refuses it instead of allocating gigabytes.
    std::string huge = png_;
    huge[16] = '\x7f';
    huge[17] = '\xff';
    EXPECT_EQ(0, LoadBytes("huge.png", huge));
}
