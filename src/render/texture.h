// Textures: GL 2D textures owned by the effects that show them.
//
// Needs a current GL context. A CTexture owns its GL name from construction
// (glGenTextures) to destruction (glDeleteTextures); it is never copied.
// Pixel data is tightly packed unsigned bytes, first buffer row = texture
// row t = 0. Textures modulate the current colour (GL_MODULATE).
//
// CTextureFreeImage::Load decodes an image file by its content (FreeImage)
// and makes it the texture's image with mipmaps, top image row first. A
// missing or undecodable image leaves the texture without an image and
// raises nothing; it writes one diagnostic line with the path and the
// reason. CTexture::Upload raises "Unknown pixeldepth" for a pixel
// format other than GL_RGBA or GL_RGB8, with the texture unbound first.
//
// While a PictureBatch is open (the script reader opens one while the
// effects load), Load only queues the picture: a worker thread decodes the
// pictures one after another while the effects go on loading, each file
// once however many textures load it, and the batch makes them the
// textures' images (on the main thread, in the order loaded) as they come
// in and when it closes. A caller that needs the image itself (to read it
// back) sets an image listener: it is told when the image arrives, and
// again whenever it is reloaded.
//
// While asset reloading is on (platform/asset_reload.h), a loaded
// CTextureFreeImage records its file; Reload() decodes it again into the same
// GL texture, or raises "Picture \"<path>\" cannot be loaded (<reason>)" and
// keeps the image it had.
#pragma once

#include <GL/glew.h>

#include <string>

#include "platform/asset_reload.h"

class CTexture {
public:
    CTexture();
    ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Gives the texture its image. `mirrored` selects GL_MIRRORED_REPEAT
    // over GL_REPEAT; GL_RGBA builds mipmaps unless `single_level`; GL_RGB8
    // always specifies level 0 only.
    virtual void Upload(const void* pixels, int width, int height, bool mirrored, GLenum format,
                        bool single_level);

    GLuint Name() const { return name_; }

protected:
    GLuint name_ = 0;
};

struct DecodedPicture;

// Told when a texture's image changes: loaded (also from a PictureBatch) or
// reloaded.
class TextureImageListener {
public:
    virtual ~TextureImageListener() = default;
    virtual void ImageChanged(GLuint texture) = 0;
};

class CTextureFreeImage : public CTexture, public ReloadableAsset {
public:
    CTextureFreeImage() = default;
    ~CTextureFreeImage() override;
    void Load(const char* path);
    void Reload() override;
    // One listener (null: none), told at once when the texture already has
    // its image, and at every change after. It must outlive the texture or
    // be removed first.
    void SetImageListener(TextureImageListener* listener);

private:
    friend class PictureBatch;
    // The end of Load: the picture (or its absence) becomes the image.
    void Apply(const DecodedPicture& picture);

    std::string path_;
    bool waiting_ = false;  // queued in a PictureBatch
    TextureImageListener* listener_ = nullptr;
};

// Decodes the pictures loaded while it is open on a worker thread (see
// above). Open it on the thread that owns the GL context; only one is
// open at a time (a second one opened meanwhile changes nothing). Closing it
// gives every queued texture its image, except while an exception unwinds:
// the textures then stay without images.
class PictureBatch {
public:
    PictureBatch();
    ~PictureBatch();
    PictureBatch(const PictureBatch&) = delete;
    PictureBatch& operator=(const PictureBatch&) = delete;

    // Gives images to the queued textures, in the order loaded, up to the
    // first whose picture is still being decoded.
    void ApplyReady();
    // Gives every queued texture its image.
    void Finish();

private:
    friend class CTextureFreeImage;
    struct State;
    static PictureBatch* open_;
    State* state_ = nullptr;  // null for a batch opened inside another
    int exceptions_ = 0;
};

// Binds a texture for a scope; leaving it (also by an exception) binds 0.
class TextureBind {
public:
    explicit TextureBind(const CTexture& texture) { glBindTexture(GL_TEXTURE_2D, texture.Name()); }
    explicit TextureBind(GLuint name) { glBindTexture(GL_TEXTURE_2D, name); }
    ~TextureBind() { glBindTexture(GL_TEXTURE_2D, 0); }
    TextureBind(const TextureBind&) = delete;
    TextureBind& operator=(const TextureBind&) = delete;
};

// Turns a decoded image (bottom row first, bytes blue, green, red, alpha)
// into top row first, red, green, blue, alpha. `out` holds width*height*4 bytes.
void ReorderDecodedPixels(const unsigned char* in, unsigned char* out, int width, int height);
