#include "render/texture.h"

#include <GL/glu.h>
#include <FreeImage.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/debug_output.h"
#include "platform/failure.h"
#include "platform/show_folder.h"

namespace {

void SetSampling(GLint wrap) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// FreeImage bitmaps are released on every path.
struct Bitmap {
    FIBITMAP* dib = nullptr;
    explicit Bitmap(FIBITMAP* d) : dib(d) {}
    ~Bitmap() {
        if (dib) FreeImage_Unload(dib);
    }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
};

// The power-of-two side GLU picks for an image side n when it builds
// mipmaps: the largest power not above n, or the next one up when n's two
// leading bits are both set (3 -> 4, 5 -> 4, 6 -> 8, 640 -> 512).
int PowerOfTwoSide(int n) {
    int power = 1;
    while (n > 3) {
        n >>= 1;
        power <<= 1;
    }
    return n == 3 ? power * 4 : power * n;
}

// Area-weighted scaling along one axis: `in` holds `in_count` blocks of
// `block` floats, `out` gets `out_count` blocks, each the average of the
// stretch of input blocks it covers. Whole blocks are summed at once, so
// scaling rows (one block per image row) walks memory in order.
void ScaleBlocks(const float* in, int in_count, float* out, int out_count, size_t block) {
    const double scale = static_cast<double>(in_count) / out_count;
    for (int i = 0; i < out_count; ++i) {
        float* dst = out + i * block;
        std::fill(dst, dst + block, 0.0f);
        const double a = i * scale, b = (i + 1) * scale;
        for (int j = static_cast<int>(a); j < in_count && j < b; ++j) {
            const float weight =
                static_cast<float>((std::min<double>(j + 1, b) - std::max<double>(j, a)) / scale);
            const float* src = in + j * block;
            for (size_t k = 0; k < block; ++k) dst[k] += weight * src[k];
        }
    }
}

// gluBuild2DMipmaps for tightly packed RGBA bytes. GLU stretches sides that
// are not powers of two itself, but the GLU on Linux drops the last row of
// the image (all of a one-row image) when only the width needs stretching,
// so the image is brought to GLU's power-of-two size here, with the same
// area filter, and GLU never scales.
void BuildRgbaMipmaps(const void* pixels, int width, int height) {
    int to_width = PowerOfTwoSide(width), to_height = PowerOfTwoSide(height);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    while (largest > 0 && (to_width > largest || to_height > largest)) {
        if (to_width > 1) to_width >>= 1;
        if (to_height > 1) to_height >>= 1;
    }
    if (pixels == nullptr || width <= 0 || height <= 0 ||
        (to_width == width && to_height == height)) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
        return;
    }
    const unsigned char* bytes = static_cast<const unsigned char*>(pixels);
    std::vector<float> in(bytes, bytes + static_cast<size_t>(width) * height * 4);
    const size_t in_row = static_cast<size_t>(width) * 4,
                 out_row = static_cast<size_t>(to_width) * 4;
    std::vector<float> rows(out_row * height);
    for (int r = 0; r < height; ++r)
        ScaleBlocks(&in[r * in_row], width, &rows[r * out_row], to_width, 4);
    std::vector<float> both(out_row * to_height);
    ScaleBlocks(rows.data(), height, both.data(), to_height, out_row);
    std::vector<unsigned char> scaled(both.size());
    for (size_t i = 0; i < both.size(); ++i)
        scaled[i] = static_cast<unsigned char>(std::clamp(both[i] + 0.5f, 0.0f, 255.0f));
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, to_width, to_height, GL_RGBA, GL_UNSIGNED_BYTE,
                      scaled.data());
}

// The first message the decoder gives while one picture decodes: a warning
// for a picture it could only decode in part (a JPEG cut short), or the
// error for one it gave up on.
thread_local std::string* g_decoder_message = nullptr;

void KeepDecoderMessage(FREE_IMAGE_FORMAT, const char* message) {
    if (g_decoder_message && g_decoder_message->empty() && message) *g_decoder_message = message;
}

FIBITMAP* LoadBitmap(FREE_IMAGE_FORMAT type, const char* path, std::string& message) {
    FreeImage_SetOutputMessage(KeepDecoderMessage);
    message.clear();
    g_decoder_message = &message;
    FIBITMAP* dib = FreeImage_Load(type, path, 0);
    g_decoder_message = nullptr;
    return dib;
}

}  // namespace

CTexture::CTexture() { glGenTextures(1, &name_); }

CTexture::~CTexture() { glDeleteTextures(1, &name_); }

void CTexture::Upload(const void* pixels, int width, int height, bool mirrored, GLenum format,
                      bool single_level) {
    TextureBind bind(*this);
    SetSampling(mirrored ? GL_MIRRORED_REPEAT : GL_REPEAT);
    if (format == GL_RGBA) {
        if (single_level) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         pixels);
        } else {
            BuildRgbaMipmaps(pixels, width, height);
        }
    } else if (format == GL_RGB8) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    } else {
        Fail("Unknown pixeldepth");
    }
}

void ReorderDecodedPixels(const unsigned char* in, unsigned char* out, int width, int height) {
    const size_t row_bytes = static_cast<size_t>(width) * 4;
    for (int r = 0; r < height; ++r) {
        const unsigned char* src = in + static_cast<size_t>(height - 1 - r) * row_bytes;
        unsigned char* dst = out + static_cast<size_t>(r) * row_bytes;
        for (int x = 0; x < width; ++x) {
            dst[4 * x + 0] = src[4 * x + 2];
            dst[4 * x + 1] = src[4 * x + 1];
            dst[4 * x + 2] = src[4 * x + 0];
            dst[4 * x + 3] = src[4 * x + 3];
        }
    }
}

// Decodes the image file of the show at `show_path` into top-row-first RGBA
// bytes. Empty when the file is missing, of an unknown type or cannot be
// decoded whole; `why` then says which.
static std::vector<unsigned char> DecodeImageFile(const char* show_path, int& width, int& height,
                                                  std::string& why) {
    width = height = 0;
    const std::string file = ShowPath(show_path);
    const char* path = file.c_str();
    struct stat info;
    if (stat(path, &info) != 0) {
        why = strerror(errno);
        return {};
    }
    if (S_ISDIR(info.st_mode)) {
        why = "it is a folder";
        return {};
    }
    const FREE_IMAGE_FORMAT type = FreeImage_GetFileType(path, 0);
    if (type == FIF_UNKNOWN) {
        why = "not a picture format that can be read";
        return {};
    }
    std::string message;
    Bitmap dib(LoadBitmap(type, path, message));
    why = "the picture cannot be decoded";
    const bool decoded = dib.dib && FreeImage_HasPixels(dib.dib);
    // A decoder that had to say something did not decode the picture whole
    // (the rest of a JPEG cut short comes out grey): not a picture to show.
    if (!message.empty()) {
        message =
            (decoded ? "the picture decodes only in part: " : "the picture cannot be decoded: ") +
            message;
        why = message.c_str();
    }
    if (!decoded || !message.empty()) return {};

    const bool ready =
        FreeImage_GetBPP(dib.dib) == 32 && FreeImage_GetImageType(dib.dib) == FIT_BITMAP;
    Bitmap converted(ready ? nullptr : FreeImage_ConvertTo32Bits(dib.dib));
    FIBITMAP* source = ready ? dib.dib : converted.dib;
    why = "the picture cannot be converted to 32-bit RGBA";
    if (!source || FreeImage_GetBPP(source) != 32) return {};

    const int w = static_cast<int>(FreeImage_GetWidth(source));
    const int h = static_cast<int>(FreeImage_GetHeight(source));
    why = "the picture has no pixels";
    if (w <= 0 || h <= 0) return {};

    // Rows are copied one by one through the pitch, so padding can never
    // shear the picture.
    const size_t row_bytes = static_cast<size_t>(w) * 4;
    std::vector<unsigned char> packed(row_bytes * h);
    const unsigned pitch = FreeImage_GetPitch(source);
    const BYTE* bits = FreeImage_GetBits(source);
    for (int r = 0; r < h; ++r)
        memcpy(&packed[r * row_bytes], bits + static_cast<size_t>(r) * pitch, row_bytes);

    std::vector<unsigned char> pixels(packed.size());
    ReorderDecodedPixels(packed.data(), pixels.data(), w, h);
    width = w;
    height = h;
    return pixels;
}

CTextureFreeImage::~CTextureFreeImage() { ForgetAsset(this); }

void CTextureFreeImage::Load(const char* path) {
    int width = 0, height = 0;
    std::string why;
    const std::vector<unsigned char> pixels = DecodeImageFile(path, width, height, why);
    // Not an error, but a typo in a path must not pass as a black layer
    // without a word.
    if (pixels.empty())
        DebugOutputFormat("Picture \"%s\" cannot be loaded (%s); its texture stays empty\n", path,
                          why.c_str());
    glBindTexture(GL_TEXTURE_2D, name_);
    SetSampling(GL_REPEAT);
    if (!pixels.empty()) BuildRgbaMipmaps(pixels.data(), width, height);
    glBindTexture(GL_TEXTURE_2D, 0);
    // Also a picture that is missing now: it is loaded when it appears.
    path_ = path;
    WatchAssetFile(path_, this);
    if (listener_) listener_->ImageChanged(name_);
}

void CTextureFreeImage::SetImageListener(TextureImageListener* listener) {
    listener_ = listener;
    if (listener_) listener_->ImageChanged(name_);
}

void CTextureFreeImage::Reload() {
    int width = 0, height = 0;
    std::string why;
    const std::vector<unsigned char> pixels = DecodeImageFile(path_.c_str(), width, height, why);
    // Decoded first, uploaded only when whole: a picture caught half
    // written, or deleted, leaves the texture showing its last good image.
    if (pixels.empty())
        FailFormat("Picture \"%s\" cannot be loaded (%s)", path_.c_str(), why.c_str());
    glBindTexture(GL_TEXTURE_2D, name_);
    SetSampling(GL_REPEAT);
    BuildRgbaMipmaps(pixels.data(), width, height);
    glBindTexture(GL_TEXTURE_2D, 0);
    if (listener_) listener_->ImageChanged(name_);
}
