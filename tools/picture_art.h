// The show's pictures, each drawn from code by the functions below.
//
// AllPictures() lists every picture with its path under the data folder,
// its size and its maker; WriteAllPictures(root) draws and saves them all
// under `root` (creating folders). Drawing is deterministic: the same
// program writes the same pixels every time. Nothing here needs a GL context.
//
// How the show uses them decides their look: pictures laid over others with
// additive or colour-keyed blending are drawn on black (black leaves the
// picture beneath unchanged), masks are white where they darken, and
// textures that are tiled or looked up by direction repeat without a seam.
#pragma once

#include <string>
#include <vector>

#include "picture_canvas.h"

namespace pictures {

struct PictureEntry {
    const char* path;  // relative to the data root, e.g. "strobo/twist.jpg"
    int width, height;
    bool png;  // PNG (lossless) instead of JPEG
    Image (*make)();
};

const std::vector<PictureEntry>& AllPictures();

// Draws and saves every picture under `root`. Returns the paths that could
// not be written (empty when all went well).
std::vector<std::string> WriteAllPictures(const std::string& root);

// Makers, one per picture (sizes as listed in AllPictures()).
Image MakeLoader();
Image MakeStroboTwist();
Image MakeStroboBackground();
Image MakeStroboText();
Image MakeWater();
Image MakeRubberEnv();
Image MakeRubberBackground();
Image MakeRubberFlash();
Image MakeFlower();
Image MakePortraitVex();
Image MakePortraitMig();
Image MakePortraitQuill();
Image MakePortraitBust();
Image MakeMiscEnv();
Image MakeBorder();
Image MakeMiscTwist();
Image MakeVideoMask();
// Cloud tunnel, sprite trail and captions (picture_layers.cpp).
Image MakeSkyClouds();
Image MakeSkyLandscape();
Image MakeSkyLandscapeGlow();
Image MakeSolarisSprite();
Image MakeSolarisGlow();
Image MakeSolarisTitle();
Image MakeCaptionTitle();
Image MakeCaptionStrip();
Image MakeCaptionLogo();
Image MakeCaptionEnd();
// picture_shaders_b.cpp: the tower's plates and the ShaderShow pictures.
Image MakeTowerGrid();
Image MakeShowGlass();
Image MakeShowLagoon();
// picture_placed.cpp: FogRotator's pole, Prikker's sprites and Brum's pictures.
Image MakeFogPole();
Image MakePrik1();
Image MakePrik2();
Image MakePrik3();
Image MakePrik4();
Image MakeBrumStar();
Image MakePastelMand();
Image MakeBrumSprite();  // with alpha
// picture_shaders_a.cpp: PolarCoords, Banger, Circles and Faces.
Image MakeHousing();
Image MakeBang();
Image MakeBangFlash();
Image MakeRing();
Image MakeFacesPortraits();
Image MakeFacesText();
// picture_nanoball_zoomer_colorbox.cpp: NanoBall's, the zoomer's and ColorBox's pictures.
Image MakeNanoSpike();
Image MakeNanoFlare();
Image MakeNanoBackground();
Image MakeZoomerFirstSprite();
Image MakeZoomerSprite();
Image MakeZoomerOldSprite();
Image MakeZoomerBackground();
Image MakeZoomerGlow();
Image MakeColorBoxTile();
Image MakeColorBoxHighlight();
Image MakeColorBoxStar();

}  // namespace pictures
