#include "effects/video/video.h"

#include <cmath>
#include <cstring>

#include "platform/failure.h"
#include "render/gl_guards.h"
#include "render/window_layer.h"

namespace Effekter {

namespace {
const char kClipPath[] = "data/ostra/video/Video.avi";
const char kMaskPath[] = "data/ostra/video/frame.png";
const char kVideoShaderPath[] = "data/ostra/video/video.fs";
const char kDistortShaderPath[] = "data/ostra/video/distort.fs";

// A Quad of the given half extent at the origin, drawn with repeat (1, 1).
void DrawQuad(float half_width, float half_height) { Quad(half_width, half_height).Draw(1, 1); }
}  // namespace

int VideoFrameIndex(uint32_t t, int frame_count) {
    if (frame_count <= 0) return -1;
    const float tf = static_cast<float>(t);
    const float frames = tf / 40.0f;
    return static_cast<int>(static_cast<uint32_t>(frames) % static_cast<uint32_t>(frame_count));
}

bool VideoRefreshDue(uint32_t t, uint32_t last_update) {
    const uint32_t elapsed = t - last_update;
    return static_cast<float>(elapsed) > 20.0f;
}

int VideoShaderIndex(uint32_t t) {
    const float tf = static_cast<float>(t);
    return static_cast<int>(static_cast<uint32_t>(tf / 20000.0f) % 4u);
}

float VideoCopyAngle(uint32_t t) {
    const float quotient = static_cast<float>(t) / 50000.0f;
    return static_cast<float>(std::sin(static_cast<double>(quotient)));
}

void ExchangeRedBlue(uint8_t* pixels, size_t pixel_count) {
    for (size_t i = 0; i < pixel_count; ++i) {
        uint32_t v;
        std::memcpy(&v, pixels + 4 * i, 4);
        // Bytes 0 and 2 trade places whatever the host's byte order, since
        // the word is only moved and put back.
        uint8_t* b = reinterpret_cast<uint8_t*>(&v);
        const uint8_t first = b[0];
        b[0] = b[2];
        b[2] = first;
        std::memcpy(pixels + 4 * i, &v, 4);
    }
}

Video::Video(int start, int end) : Video(start, end, kClipPath) {}

Video::Video(int start, int end, const char* clip_path) : Effekt(start, end) {
    mask_texture_.Load(kMaskPath);

    target_a_ = std::make_unique<RenderTarget>();
    target_b_ = std::make_unique<RenderTarget>();
    last_update_ = 0;

    distort_program_.Load(true, kDistortShaderPath);
    distort_time_ = LocateUniform(distort_program_.Program(), "time");
    distort_beat_ = LocateUniform(distort_program_.Program(), "beat");

    video_program_.Load(true, kVideoShaderPath);
    video_time_ = LocateUniform(video_program_.Program(), "time");
    video_beat_ = LocateUniform(video_program_.Program(), "beat");
    video_idx_ = LocateUniform(video_program_.Program(), "idx");

    // The frame buffer and the texture get their size once; frames only
    // replace the pixels.
    buffer_.assign(static_cast<size_t>(kVideoSide) * kVideoSide * 4, 0);
    video_texture_.Upload(buffer_.data(), kVideoSide, kVideoSide, false, GL_RGBA, true);

    source_ = CreateVideoFrameSource(kVideoSide, kVideoSide);
    if (!source_->Open(clip_path)) Fail("Error reading AVI");
    const VideoDescription description = source_->Describe();
    source_width_ = description.width;
    source_height_ = description.height;
    frame_count_ = description.frame_count;
    if (!source_->PrepareDecoding())
        Fail("Error opening AVIStreamGetFrameOpen - your video codec might be out dated!");
}

Video::~Video() = default;

void Video::UploadFrame(int n) {
    // The texture already shows this frame: decoding it again would give the
    // same pixels.
    if (n == uploaded_frame_) return;
    // A frame that cannot be decoded keeps the previous picture.
    if (!source_->DecodeFrame(n, buffer_.data())) return;
    ExchangeRedBlue(buffer_.data(), static_cast<size_t>(kVideoSide) * kVideoSide);
    glBindTexture(GL_TEXTURE_2D, video_texture_.Name());
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kVideoSide, kVideoSide, GL_RGBA, GL_UNSIGNED_BYTE,
                    buffer_.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    uploaded_frame_ = n;
}

void Video::VideoPass(uint32_t demo_time, float beat) {
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    const float tf = static_cast<float>(demo_time);
    // The clip file was changed and reloaded: its length may differ, and the
    // texture holds a frame of the old clip.
    if (source_->Version() != source_version_) {
        source_version_ = source_->Version();
        const VideoDescription description = source_->Describe();
        source_width_ = description.width;
        source_height_ = description.height;
        frame_count_ = description.frame_count;
        uploaded_frame_ = -1;
    }
    const int n = VideoFrameIndex(demo_time, frame_count_);
    if (n >= 0) UploadFrame(n);

    glUseProgram(video_program_.Program());
    glUniform1f(video_time_, tf / 1000.0f);
    glUniform1f(video_beat_, beat);
    glUniform1i(video_idx_, VideoShaderIndex(demo_time));

    Ortho2DScope view;
    glBindTexture(GL_TEXTURE_2D, video_texture_.Name());
    glColor4f(1, 1, 1, 1);
    glTranslatef(0, 0, -2);
    DrawQuad(1, 1.2f);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Video::MaskPass() {
    // Multiplies the picture by one minus the mask: white in the mask turns
    // the picture black, black leaves it.
    CTransparency blend(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    Ortho2DScope view;
    glBindTexture(GL_TEXTURE_2D, mask_texture_.Name());
    glColor4f(1, 1, 1, 1);
    glTranslatef(0, 0, -2);
    DrawQuad(1, -1);  // the negative half height mirrors the mask vertically
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Video::Refresh(uint32_t demo_time, float beat) {
    last_update_ = demo_time;

    // A becomes B enlarged by 1 % and slightly turned: the trail.
    DrawZoomedCopy(*target_a_, *target_b_, 1.01f, VideoCopyAngle(demo_time));

    // The clip frame and the mask on top, colour kept.
    target_a_->Bind();
    glClear(GL_DEPTH_BUFFER_BIT);
    VideoPass(demo_time, beat);
    MaskPass();
    target_a_->Unbind();

    // B keeps a copy of A for the next refresh.
    CopyRenderTarget(*target_b_, *target_a_);
}

void Video::ScreenPass(uint32_t demo_time, float beat) {
    const float tf = static_cast<float>(demo_time);
    {
        // The kept picture through the distortion shader.
        WindowLayerScope layer;
        glColor4f(1, 1, 1, 1);
        glUseProgram(distort_program_.Program());
        glUniform1f(distort_beat_, beat);
        glUniform1f(distort_time_, tf);  // milliseconds, not divided
        glBindTexture(GL_TEXTURE_2D, target_a_->Texture());
        DrawLayerQuad();
        glUseProgram(0);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    MaskOverlay();
}

void Video::MaskOverlay() {
    // The mask laid over, enlarged by a quarter and cropped.
    CTransparency blend(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
    WindowLayerScope layer;
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, mask_texture_.Name());
    DrawLayerQuad(1.25f);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Video::Draw(uint32_t demo_time, float beat) {
    if (VideoRefreshDue(demo_time, last_update_)) Refresh(demo_time, beat);
    ScreenPass(demo_time, beat);
}

}  // namespace Effekter
