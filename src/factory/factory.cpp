#include "factory/factory.h"

#include <cstring>

#include "platform/failure.h"
#include "timeline/effekt.h"
#include "timeline/plugin_loader.h"
// One include per effect class.
#include "effects/3d/rubber3d.h"
#include "effects/3d/chaos_zoomer.h"
#include "effects/3d/twist_box.h"
#include "effects/video/video.h"
#include "effects/image/alpha_blend_image.h"
#include "effects/image/brum.h"
#include "effects/image/flash_white.h"
#include "effects/image/fog_rotator.h"
#include "effects/image/prikker.h"
#include "effects/image/quill3d.h"
#include "effects/image/solaris.h"
#include "effects/image/stroboskop.h"
#include "effects/image/nano_ball.h"
#include "effects/image/zoomer.h"
#include "effects/image/color_box.h"
#include "effects/image/tunnel.h"
#include "effects/shader/plasma2d.h"
#include "effects/shader/shader_show.h"
#include "effects/shader/shader_suite3d.h"
#include "effects/shader/polar_coords.h"
#include "effects/shader/banger.h"
#include "effects/shader/circles.h"
#include "effects/shader/faces.h"

namespace {

template <class T>
std::unique_ptr<Effekt> MakePlain(int start, int end, FILE*) {
    return std::make_unique<T>(start, end);
}

// "Plugin": the library's file name, then whatever lines the plug-in reads.
std::unique_ptr<Effekt> MakePluginLoader(int start, int end, FILE* script) {
    const std::string library = ReadScriptLine(script);
    return std::make_unique<Effekter::PluginLoader>(start, end, library, script);
}

// "Plasma2D" takes one further line: the seed.
std::unique_ptr<Effekt> MakePlasma2D(int start, int end, FILE* script) {
    const int seed = ReadScriptInt(script);
    return std::make_unique<Effekter::Plasma2D>(start, end, seed);
}

// "AlphaBlendImage" takes two further lines: the image path, then the mode.
// A script that ends before the mode line is reported here: reading on
// would take the mode from nothing.
std::unique_ptr<Effekt> MakeAlphaBlendImage(int start, int end, FILE* script) {
    std::string path, mode;
    if (!ReadScriptLine(script, path))
        Fail("AlphaBlendImage: the script ends before its image path and mode lines");
    if (!ReadScriptLine(script, mode))
        FailFormat("AlphaBlendImage '%s': the script ends before its mode line (one of %s)",
                   path.c_str(), Effekter::AlphaBlendModeList().c_str());
    return std::make_unique<Effekter::AlphaBlendImage>(start, end, path, mode);
}

// "ShaderShow" takes two further lines: the fragment shader path, then the
// image path (either may be empty).
std::unique_ptr<Effekt> MakeShaderShow(int start, int end, FILE* script) {
    const std::string shader = ReadScriptLine(script);
    const std::string image = ReadScriptLine(script);
    return std::make_unique<Effekter::ShaderShow>(start, end, shader.c_str(), image.c_str());
}

struct FactoryEntry {
    const char* keyword;
    EffectMaker make;
    TimelineKind kind;  // the folder of its effect class
};

// In the order keywords are tested.
const FactoryEntry kFactoryTable[] = {
    {"Plugin", MakePluginLoader, TimelineKind::Plugin},
    {"ChaosZoomer", MakePlain<Effekter::ChaosZoomer>, TimelineKind::Model3d},
    {"Stroboskop", MakePlain<Effekter::Stroboskop>, TimelineKind::Image},
    {"Rubber3d", MakePlain<Effekter::Rubber3d>, TimelineKind::Model3d},
    {"Plasma2D", MakePlasma2D, TimelineKind::Shader},
    {"Brum", MakePlain<Effekter::Brum>, TimelineKind::Image},
    {"Banger", MakePlain<Effekter::Banger>, TimelineKind::Shader},
    {"ColorBox", MakePlain<Effekter::ColorBox>, TimelineKind::Image},
    {"Zoomba", MakePlain<Effekter::Zoomba>, TimelineKind::Image},
    {"Zoombb", MakePlain<Effekter::Zoombb>, TimelineKind::Image},
    {"Solaris", MakePlain<Effekter::Solaris>, TimelineKind::Image},
    {"FlashWhite", MakePlain<Effekter::FlashWhite>, TimelineKind::Image},
    {"PolarCoords", MakePlain<Effekter::PolarCoords>, TimelineKind::Shader},
    {"FogRotator", MakePlain<Effekter::FogRotator>, TimelineKind::Image},
    {"AlphaBlendImage", MakeAlphaBlendImage, TimelineKind::Image},
    {"Tunnel", MakePlain<Effekter::Tunnel>, TimelineKind::Image},
    {"Faces", MakePlain<Effekter::Faces>, TimelineKind::Shader},
    {"TwistBox", MakePlain<Effekter::TwistBox>, TimelineKind::Model3d},
    {"Circles", MakePlain<Effekter::Circles>, TimelineKind::Shader},
    {"NanoBall", MakePlain<Effekter::NanoBall>, TimelineKind::Image},
    {"Overlays", MakePlain<Effekter::Overlays>, TimelineKind::Other},
    {"EndDemo", MakePlain<Effekter::EndDemo>, TimelineKind::Other},
    {"ShaderSuite3D", MakePlain<Effekter::ShaderSuite3D>, TimelineKind::Shader},
    {"Quill3D", MakePlain<Effekter::Quill3D>, TimelineKind::Image},
    {"Prikker", MakePlain<Effekter::Prikker>, TimelineKind::Image},
    {"Video", MakePlain<Effekter::Video>, TimelineKind::Video},
    {"ShaderShow", MakeShaderShow, TimelineKind::Shader},
};

}  // namespace

std::vector<std::string> EffectKeywords() {
    std::vector<std::string> keywords;
    for (const FactoryEntry& entry : kFactoryTable) keywords.push_back(entry.keyword);
    return keywords;
}

EffectMaker FindEffectMaker(const std::string& keyword) {
    for (const FactoryEntry& entry : kFactoryTable) {
        if (keyword == entry.keyword) return entry.make;
    }
    return nullptr;
}

TimelineKind EffectKindOf(const std::string& keyword) {
    for (const FactoryEntry& entry : kFactoryTable)
        if (keyword == entry.keyword) return entry.kind;
    return TimelineKind::Other;
}
