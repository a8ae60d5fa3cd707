// Effekter::Video: the clip "data/ostra/video/Video.avi" as a full-screen
// layer with a feedback trail.
//
// Needs a current GL context (OpenGL 2.0, framebuffer objects) and the window
// size. The constructor loads everything at once: the mask picture
// "data/ostra/video/frame.png" (missing: an empty texture), the shaders
// "data/ostra/video/distort.fs" and "data/ostra/video/video.fs" (missing or
// broken: the shader failures), two window-sized render targets, one
// 512 x 512 frame buffer and texture (allocated once), and the clip. A clip
// that cannot be opened or holds no video stream raises "Error reading AVI";
// one with no decoder raises "Error opening AVIStreamGetFrameOpen - your
// video codec might be out dated!".
//
// Draw refreshes at most once per 20 ms of demo time: it decodes the clip
// frame of the demo time (one frame per 40 ms, looping), draws it through the
// video shader over a slightly enlarged and turned copy of the previous
// picture, darkens that with the mask and keeps it. Every frame it shows the
// kept picture through the distortion shader under the mask. A clip of zero
// frames, or a frame that cannot be decoded, keeps the previous picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/video_source.h"
#include "render/render_target.h"
#include "render/shader.h"
#include "render/texture.h"
#include "timeline/effekt.h"

namespace Effekter {

// Side of the square frame buffer and texture.
constexpr int kVideoSide = 512;

// Frame of a clip of `frame_count` frames shown at demo time t: one frame per
// 40 ms from demo time 0, looping. -1 for a clip without frames.
int VideoFrameIndex(uint32_t t, int frame_count);

// True when the picture is due for a refresh: more than 20 ms since the last
// one. Unsigned on purpose: after a seek backwards the difference wraps to a
// huge value and a refresh runs at once.
bool VideoRefreshDue(uint32_t t, uint32_t last_update);

// The video shader's "idx": steps 0, 1, 2, 3 every 20 s, repeating every 80 s.
int VideoShaderIndex(uint32_t t);

// Turn of the feedback copy in degrees: sin(t / 50000), at most one degree.
float VideoCopyAngle(uint32_t t);

// Exchanges the first and third byte of each 4-byte pixel (blue, green, red
// becomes red, green, blue; the fourth byte stays).
void ExchangeRedBlue(uint8_t* pixels, size_t pixel_count);

class Video : public Effekt {
public:
    Video(int start, int end);
    // The same with another clip; the other assets keep their paths.
    Video(int start, int end, const char* clip_path);
    ~Video() override;

    void Draw(uint32_t demo_time, float beat) override;

    // The state the show keeps between frames, for tools and tests.
    int FrameCount() const { return frame_count_; }
    int SourceWidth() const { return source_width_; }
    int SourceHeight() const { return source_height_; }
    uint32_t LastUpdate() const { return last_update_; }
    // Clip frame the video texture holds; -1 before the first upload.
    int UploadedFrame() const { return uploaded_frame_; }
    GLuint VideoTexture() const { return video_texture_.Name(); }
    const RenderTarget& TargetA() const { return *target_a_; }
    const RenderTarget& TargetB() const { return *target_b_; }

    GLuint MaskTexture() const { return mask_texture_.Name(); }

    // One refresh's pieces, in the order Draw runs them.
    void UploadFrame(int n);
    void Refresh(uint32_t demo_time, float beat);
    void ScreenPass(uint32_t demo_time, float beat);

    // The mask's two layers, each drawn over whatever is bound in the 2D
    // view. MaskPass (inside target A on a refresh): the mask over the whole
    // picture, mirrored top to bottom, multiplying it by one minus the mask
    // (GL_ZERO, GL_ONE_MINUS_SRC_COLOR). MaskOverlay (on the screen, every
    // frame): the mask enlarged by a quarter and cropped, added as
    // (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR), so white in the mask shows
    // white and black leaves the picture.
    void MaskPass();
    void MaskOverlay();

private:
    void VideoPass(uint32_t demo_time, float beat);

    std::unique_ptr<VideoFrameSource> source_;
    int source_version_ = 0;  // the source's Version() that frame_count_ describes
    int frame_count_ = 0;
    int source_width_ = 0;
    int source_height_ = 0;
    std::vector<uint8_t> buffer_;  // kVideoSide^2 pixels, bottom row first
    int uploaded_frame_ = -1;
    CTexture video_texture_;
    CTextureFreeImage mask_texture_;
    ShaderProgram video_program_;
    GLint video_time_ = -1;
    GLint video_beat_ = -1;
    GLint video_idx_ = -1;
    ShaderProgram distort_program_;
    GLint distort_time_ = -1;
    GLint distort_beat_ = -1;
    std::unique_ptr<RenderTarget> target_a_;
    std::unique_ptr<RenderTarget> target_b_;
    uint32_t last_update_ = 0;
};

}  // namespace Effekter
