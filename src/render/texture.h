// Textures: GL 2D textures owned by the effects that show them.
//
// Needs a current GL context. A CTexture owns its GL name from construction
// (glGenTextures) to destruction (glDeleteTextures); it is never copied.
// Pixel data is tightly packed unsigned bytes, first buffer row = texture
// row t = 0. Textures modulate the current colour (GL_MODULATE).
//
// CTextureFreeImage::Load decodes an image file of the show (a path relative
// to the show folder, platform/show_folder.h) by its content (FreeImage)
// and makes it the texture's image with mipmaps, top image row first. A
// missing or undecodable image, or one the decoder decodes only in part (a
// JPEG cut short, reported with the decoder's warning), leaves the texture
// without an image and raises nothing; it writes one diagnostic line with
// the path and the reason. CTexture::Upload raises "Unknown pixeldepth" for a pixel
// format other than GL_RGBA or GL_RGB8, with the texture unbound first.
//
// A caller that needs the image itself (to read it back) sets an image
// listener: it is told at once and again whenever the image changes.
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

// Told when a texture's image changes: loaded or reloaded.
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
    // One listener (null: none), told at once and at every change after. It
    // must outlive the texture or be removed first.
    void SetImageListener(TextureImageListener* listener);

private:
    std::string path_;
    TextureImageListener* listener_ = nullptr;
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
