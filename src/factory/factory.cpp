#include "factory/factory.h"

#include <cstring>

#include "timeline/effekt.h"
#include "timeline/plugin_loader.h"
// One include per effect class.
#include "effects/3d/rubber3d.h"
#include "effects/3d/chaos_zoomer.h"
#include "effects/video/video.h"
#include "effects/image/flash_white.h"
#include "effects/image/stroboskop.h"
#include "effects/image/nano_ball.h"
#include "effects/image/zoomer.h"
#include "effects/image/color_box.h"
#include "effects/shader/plasma2d.h"

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

struct FactoryEntry {
    const char* keyword;
    EffectMaker make;  // null while the effect is not part of the build
};

// In the order keywords are tested.
const FactoryEntry kFactoryTable[] = {
    {"Plugin", MakePluginLoader},
    {"ChaosZoomer", MakePlain<Effekter::ChaosZoomer>},
    {"Stroboskop", MakePlain<Effekter::Stroboskop>},
    {"Rubber3d", MakePlain<Effekter::Rubber3d>},
    {"Plasma2D", MakePlasma2D},
    {"Brum", nullptr},
    {"Banger", nullptr},
    {"ColorBox", MakePlain<Effekter::ColorBox>},
    {"Zoomba", MakePlain<Effekter::Zoomba>},
    {"Zoombb", MakePlain<Effekter::Zoombb>},
    {"Solaris", nullptr},
    {"FlashWhite", MakePlain<Effekter::FlashWhite>},
    {"PolarCoords", nullptr},
    {"FogRotator", nullptr},
    {"AlphaBlendImage", nullptr},
    {"Tunnel", nullptr},
    {"Faces", nullptr},
    {"TwistBox", nullptr},
    {"Circles", nullptr},
    {"NanoBall", MakePlain<Effekter::NanoBall>},
    {"Overlays", MakePlain<Effekter::Overlays>},
    {"EndDemo", MakePlain<Effekter::EndDemo>},
    {"ShaderSuite3D", nullptr},
    {"Quill3D", nullptr},
    {"Prikker", nullptr},
    {"Video", MakePlain<Effekter::Video>},
    {"ShaderShow", nullptr},
};

}  // namespace

EffectMaker FindEffectMaker(const std::string& keyword) {
    for (const FactoryEntry& entry : kFactoryTable) {
        if (keyword == entry.keyword) return entry.make;
    }
    return nullptr;
}
