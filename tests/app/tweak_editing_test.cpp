// The tweak panel of a running show (--tweak): which bars a frame shows, and
// editing each kind of variable through simulated mouse and keyboard input,
// on the real effects that register them. Then the promise that the panel
// leaves no trace: a frame after a visible panel, with the panel hidden, is
// the frame a show without --tweak draws.
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/core/effect_tweak_bars.h"
#include "app/core/frame_clock.h"
#include "app/live/live_show.h"
#include "effects/3d/chaos_zoomer.h"
#include "effects/image/alpha_blend_image.h"
#include "effects/image/brum.h"
#include "effects/image/fog_rotator.h"
#include "effects/image/nano_ball.h"
#include "effects/image/quill3d.h"
#include "effects/shader/plasma2d.h"
#include "factory/factory.h"
#include "platform/timeline_strip.h"
#include "platform/tweak_panel.h"
#include "support/gl_context.h"
#include "support/gl_state.h"

namespace {

class TweakEditing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!EnsureGlContext()) GTEST_SKIP() << "no GL context here";
        TweakPanelMouse(-100, -100, false);
    }
    void TearDown() override {
        TweakPanelMouse(-100, -100, false);
        TweakPanelModifiers(false, false, false);
        TweakTerminate();
    }

    // One frame of the panel with these bars.
    void Frame(const std::vector<const TweakBar*>& bars) {
        ResetGlState();
        DrawTweakPanels(bars, {});
    }
    // The rectangle of a variable's widget (drawn once first).
    std::array<float, 4> Rect(const TweakBar& bar, const char* name) {
        Frame({&bar});
        std::array<float, 4> r{};
        EXPECT_TRUE(TweakPanelWidgetRect(bar, name, r.data())) << name;
        return r;
    }
    // Presses at (x, y), moves right by `dx` in steps with the button held,
    // releases.
    void Drag(const TweakBar& bar, float x, float y, float dx) {
        const std::vector<const TweakBar*> bars{&bar};
        TweakPanelMouse(x, y, false);
        Frame(bars);
        TweakPanelMouse(x, y, true);
        Frame(bars);
        for (int i = 1; i <= 4; ++i) {
            TweakPanelMouse(x + dx * i / 4, y, true);
            Frame(bars);
        }
        TweakPanelMouse(x + dx, y, false);
        Frame(bars);
        TweakPanelMouse(-100, -100, false);
        Frame(bars);
    }
    void Click(const TweakBar& bar, float x, float y) {
        TweakPanelMouse(x, y, true);
        Frame({&bar});
        TweakPanelMouse(x, y, false);
        Frame({&bar});
    }
    void Key(const TweakBar& bar, int key) {
        TweakPanelKey(key, true);
        Frame({&bar});
        TweakPanelKey(key, false);
        Frame({&bar});
    }

    EffectTweakBars bars_;
};

template <class T>
T* Value(const TweakBar* bar, const char* name) {
    const TweakVariable* v = bar ? bar->Find(name) : nullptr;
    return v ? static_cast<T*>(v->value) : nullptr;
}

TEST_F(TweakEditing, BarsOfTheEffectsOnScreenWithVariables) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::Plasma2D>(1000, 5000, 7));
    effects.push_back(std::make_unique<Effekter::Overlays>(0, 9000));
    effects.push_back(std::make_unique<Effekter::FogRotator>(4000, 9000));
    bars_.Sync(effects);

    EXPECT_EQ("Plasma2D 1000-5000", bars_.BarOf(effects[0].get())->Title());
    EXPECT_EQ("FogRotator 4000-9000", bars_.BarOf(effects[2].get())->Title());
    EXPECT_EQ("Effect 0-9000", EffectBarTitle(*effects[1]));

    std::vector<const TweakBar*> active;
    active.reserve(effects.size());
    bars_.Active(effects, 2000, active);
    ASSERT_EQ(1u, active.size());  // Overlays registers nothing
    EXPECT_EQ(bars_.BarOf(effects[0].get()), active[0]);
    bars_.Active(effects, 4500, active);
    EXPECT_EQ(2u, active.size());
    bars_.Active(effects, 5000, active);  // Plasma2D's window is open at its end
    ASSERT_EQ(1u, active.size());
    EXPECT_EQ(bars_.BarOf(effects[2].get()), active[0]);
    bars_.Active(effects, 9000, active);
    EXPECT_TRUE(active.empty());

    // Several bars in one frame, stacked: the second starts below the first.
    Frame({bars_.BarOf(effects[0].get()), bars_.BarOf(effects[2].get())});
    float first[4], second[4];
    ASSERT_TRUE(TweakPanelWidgetRect(*bars_.BarOf(effects[0].get()), "Plasma", first));
    ASSERT_TRUE(TweakPanelWidgetRect(*bars_.BarOf(effects[2].get()), "Cam pos", second));
    EXPECT_GT(second[1], first[3] + 10);

    // A list that changes keeps the bars of the effects still in it.
    const TweakBar* fog_bar = bars_.BarOf(effects[2].get());
    effects.erase(effects.begin());
    bars_.Sync(effects);
    EXPECT_EQ(fog_bar, bars_.BarOf(effects[1].get()));
    EXPECT_EQ(1u, fog_bar->Find("Cam pos") ? 1u : 0u);
    EXPECT_EQ(7u, fog_bar->Variables().size());  // not registered twice
}

TEST_F(TweakEditing, IntegersByTyping) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::Plasma2D>(0, 10000, 1));
    bars_.Sync(effects);
    const TweakBar& bar = *bars_.BarOf(effects[0].get());
    int* seed = Value<int>(&bar, "Plasma");
    ASSERT_NE(nullptr, seed);

    const std::array<float, 4> r = Rect(bar, "Plasma");
    Click(bar, r[0] + 10, (r[1] + r[3]) / 2);
    EXPECT_TRUE(TweakPanelWantsInput());  // the field takes the keys now
    TweakPanelModifiers(true, false, false);
    Key(bar, SDLK_a);
    TweakPanelModifiers(false, false, false);
    TweakPanelCharacter('4');
    TweakPanelCharacter('2');
    Frame({&bar});
    Key(bar, SDLK_RETURN);
    EXPECT_EQ(42, *seed);
    TweakPanelMouse(-100, -100, false);
    Frame({&bar});
    EXPECT_FALSE(TweakPanelWantsInput());

    // Keys and clicks that go down and up between two frames, as a quick
    // typist's do within one poll of the window, still count.
    TweakPanelMouse(r[0] + 10, (r[1] + r[3]) / 2, true);
    TweakPanelMouseButton(false);
    Frame({&bar});
    Frame({&bar});
    TweakPanelCharacter('7');
    TweakPanelKey(SDLK_RETURN, true);
    TweakPanelKey(SDLK_RETURN, false);
    Frame({&bar});
    Frame({&bar});
    EXPECT_EQ(7, *seed);
    *seed = 42;

    // What the plasma draws is the plasma of the typed seed.
    ResetGlState();
    effects[0]->Draw(2000, 0);
    const std::vector<uint8_t> edited = ReadPixels(0, 0, 640, 480);
    Effekter::Plasma2D plasma42(0, 10000, 42);
    ResetGlState();
    plasma42.Draw(2000, 0);
    EXPECT_EQ(ReadPixels(0, 0, 640, 480), edited);
}

TEST_F(TweakEditing, FloatsAndVectorsByDragging) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::ChaosZoomer>(0, 10000));
    effects.push_back(std::make_unique<Effekter::Quill3D>(0, 10000));
    effects.push_back(std::make_unique<Effekter::Brum>(0, 10000));
    bars_.Sync(effects);
    const auto& zoomer = static_cast<const Effekter::ChaosZoomer&>(*effects[0]);

    const TweakBar& zoomer_bar = *bars_.BarOf(effects[0].get());
    std::array<float, 4> r = Rect(zoomer_bar, "FogNear");
    Drag(zoomer_bar, r[0] + 20, (r[1] + r[3]) / 2, 60);
    EXPECT_GT(zoomer.FogNear(), 301.0f);
    EXPECT_EQ(400.0f, zoomer.FogFar());

    // The first field of a vector is its x.
    const TweakBar& quill_bar = *bars_.BarOf(effects[1].get());
    const float* camera = Value<float>(&quill_bar, "Cam pos");
    r = Rect(quill_bar, "Cam pos");
    Drag(quill_bar, r[0] + 10, (r[1] + r[3]) / 2, -60);
    EXPECT_LT(camera[0], -1.0f);
    EXPECT_EQ(0.0f, camera[1]);
    EXPECT_EQ(-8.0f, camera[2]);

    const TweakBar& brum_bar = *bars_.BarOf(effects[2].get());
    const float* scale = Value<float>(&brum_bar, "BGScale");
    r = Rect(brum_bar, "BGScale");
    Drag(brum_bar, r[0] + 10, (r[1] + r[3]) / 2, 40);
    EXPECT_GT(scale[0], 1.5f);
    EXPECT_EQ(1.0f, scale[1]);
    EXPECT_EQ(0.0f, Value<float>(&brum_bar, "BGPos")[0]);
}

TEST_F(TweakEditing, ThreeRowsSharingALabelEditOnlyTheirOwnPole) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::FogRotator>(0, 10000));
    bars_.Sync(effects);
    const TweakBar& bar = *bars_.BarOf(effects[0].get());
    // Registered as the effect names them, all three labelled alike.
    for (const char* name : {"Pols pos 1", "Pols pos 2", "Pols pos 3"})
        EXPECT_EQ("Pole pos", bar.Find(name)->label);

    const std::array<float, 4> r = Rect(bar, "Pols pos 3");
    Drag(bar, r[0] + 10, (r[1] + r[3]) / 2, 60);
    EXPECT_GT(Value<float>(&bar, "Pols pos 3")[0], 7.0f);
    EXPECT_EQ(-1.0f, Value<float>(&bar, "Pols pos 3")[1]);
    EXPECT_EQ(6.0f, Value<float>(&bar, "Pols pos 1")[0]);
    EXPECT_EQ(6.0f, Value<float>(&bar, "Pols pos 2")[0]);
    EXPECT_EQ(0.0f, Value<float>(&bar, "Pols rot 3")[0]);
}

TEST_F(TweakEditing, ColoursKeepTheirOtherChannelsAndValuesAboveOne) {
    // NanoBall's lights: colours whose channels may exceed 1.
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::NanoBall>(0, 10000));
    bars_.Sync(effects);
    const TweakBar& bar = *bars_.BarOf(effects[0].get());
    ASSERT_EQ(5u, bar.Variables().size());
    EXPECT_EQ(TW_TYPE_DIR3F, bar.Find("Light pos")->type);
    const float* ambient = Value<float>(&bar, "Light amb");
    const float* specular = Value<float>(&bar, "Light spc");
    ASSERT_EQ(10.0f, specular[0]);

    const std::array<float, 4> r = Rect(bar, "Light amb");
    Drag(bar, r[0] + 10, (r[1] + r[3]) / 2, 40);
    EXPECT_GT(ambient[0], 0.05f);
    EXPECT_EQ(0.0f, ambient[1]);
    EXPECT_EQ(1.0f, ambient[3]);
    EXPECT_EQ(10.0f, specular[0]);
    const std::array<float, 4> s = Rect(bar, "Light spc");
    Drag(bar, s[0] + 10, (s[1] + s[3]) / 2, 20);
    EXPECT_GT(specular[0], 10.0f);  // not clamped to 1
    EXPECT_EQ(10.0f, specular[1]);
}

TEST_F(TweakEditing, BoundsAndStepsFromTheDefinition) {
    float near = 0.5f;
    int count = 3;
    TweakBar bar("Bounded");
    bar.AddVarRW("Near", TW_TYPE_FLOAT, &near, " min=0 max=1 step=0.5 label='Near'");
    bar.AddVarRW("Count", TW_TYPE_INT32, &count, " min=1 max=4 step=2");
    const std::array<float, 4> r = Rect(bar, "Near");
    Drag(bar, r[0] + 20, (r[1] + r[3]) / 2, 80);  // 0.5 per pixel: far past 1
    EXPECT_EQ(1.0f, near);
    // Pressed elsewhere: a second press on the same spot this soon would be
    // a double click, which types into the field instead.
    Drag(bar, r[0] + 40, (r[1] + r[3]) / 2, -80);
    EXPECT_EQ(0.0f, near);

    const std::array<float, 4> c = Rect(bar, "Count");
    Click(bar, c[0] + 10, (c[1] + c[3]) / 2);
    TweakPanelModifiers(true, false, false);
    Key(bar, SDLK_a);
    TweakPanelModifiers(false, false, false);
    TweakPanelCharacter('9');
    Frame({&bar});
    Key(bar, SDLK_RETURN);
    EXPECT_EQ(4, count);
}

TEST_F(TweakEditing, EnumerationsIncludingAValueTheListDoesNotOffer) {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::AlphaBlendImage>(0, 10000, "", "BEATCENTER"));
    bars_.Sync(effects);
    const auto& image = static_cast<const Effekter::AlphaBlendImage&>(*effects[0]);
    const TweakBar& bar = *bars_.BarOf(effects[0].get());
    const TweakVariable& mode = *bar.Find("Mode");
    const TweakEnum* modes = bar.Enum(mode.type);
    ASSERT_NE(nullptr, modes);
    char number[16];
    EXPECT_STREQ("BEATCENTER", TweakEnumPreview(*modes, image.Mode(), number, sizeof number));
    EXPECT_EQ(10u, modes->values.size());  // BEATCENTER is not offered

    // Drawing the bar alone changes nothing.
    const std::array<float, 4> r = Rect(bar, "Mode");
    Frame({&bar});
    EXPECT_EQ(8, image.Mode());

    // Open the list (which shows BEATCENTER as the value) and pick its fourth
    // entry, RIGHT: the items are one text line plus the item spacing apart,
    // below the box.
    const float x = r[0] + 20;
    // The list opens in the frame after the click and takes clicks from the
    // frame after it has been seen.
    Click(bar, x, (r[1] + r[3]) / 2);
    Frame({&bar});
    MaybeSavePicture("tweak_mode_list");
    const float line = 17;  // 13-pixel font, 4 pixels between items
    const float first = r[3] + 8 + line / 2;
    Click(bar, x, first + 3 * line);
    EXPECT_EQ(3, image.Mode());
    Click(bar, x, (r[1] + r[3]) / 2);
    Frame({&bar});
    Click(bar, x, first + 7 * line);  // the eighth entry: RANDOM
    EXPECT_EQ(7, image.Mode());
    // Opened and closed with a click elsewhere: nothing chosen.
    Click(bar, x, (r[1] + r[3]) / 2);
    Frame({&bar});
    Click(bar, 600, 400);
    EXPECT_EQ(7, image.Mode());
}

// The GL state a frame leaves that the next frame's effects could see.
struct GlSnapshot {
    std::vector<GLint> integers;
    std::vector<GLboolean> enabled;
    std::array<float, 16> modelview, projection, texture;
    std::array<float, 4> colour;

    bool operator==(const GlSnapshot& o) const {
        return integers == o.integers && enabled == o.enabled && modelview == o.modelview &&
               projection == o.projection && texture == o.texture && colour == o.colour;
    }
};

GlSnapshot Snapshot() {
    GlSnapshot s;
    for (GLenum e : {GL_VIEWPORT,
                     GL_TEXTURE_BINDING_2D,
                     GL_CURRENT_PROGRAM,
                     GL_BLEND_SRC,
                     GL_BLEND_DST,
                     GL_MATRIX_MODE,
                     GL_DEPTH_WRITEMASK,
                     GL_SHADE_MODEL,
                     GL_ACTIVE_TEXTURE,
                     GL_UNPACK_ALIGNMENT,
                     GL_UNPACK_ROW_LENGTH,
                     GL_POLYGON_MODE,
                     GL_SCISSOR_BOX,
                     GL_LIGHT_MODEL_TWO_SIDE,
                     GL_DEPTH_FUNC,
                     GL_CULL_FACE_MODE,
                     GL_FRONT_FACE,
                     GL_MODELVIEW_STACK_DEPTH,
                     GL_PROJECTION_STACK_DEPTH,
                     GL_ATTRIB_STACK_DEPTH}) {
        // Up to four values each (the viewport, the scissor box ...).
        GLint values[4] = {-1, -1, -1, -1};
        glGetIntegerv(e, values);
        s.integers.insert(s.integers.end(), values, values + 4);
    }
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    s.integers.push_back(env);
    for (GLenum e : {GL_BLEND, GL_DEPTH_TEST, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_CULL_FACE,
                     GL_FOG, GL_TEXTURE_2D, GL_SCISSOR_TEST, GL_COLOR_MATERIAL, GL_ALPHA_TEST,
                     GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_VERTEX_ARRAY, GL_COLOR_ARRAY,
                     GL_TEXTURE_COORD_ARRAY, GL_NORMAL_ARRAY, GL_STENCIL_TEST})
        s.enabled.push_back(glIsEnabled(e));
    s.modelview = Matrix(GL_MODELVIEW_MATRIX);
    s.projection = Matrix(GL_PROJECTION_MATRIX);
    s.texture = Matrix(GL_TEXTURE_MATRIX);
    glGetFloatv(GL_CURRENT_COLOR, s.colour.data());
    return s;
}

// Effects that leave state behind for later frames: Quill3D leaves lighting
// on, AlphaBlendImage a blend function; the plasma runs a program.
EffectList PanelTestShow() {
    EffectList effects;
    effects.push_back(std::make_unique<Effekter::Plasma2D>(0, 10000, 3));
    effects.push_back(std::make_unique<Effekter::Quill3D>(0, 10000));
    effects.push_back(
        std::make_unique<Effekter::AlphaBlendImage>(0, 10000, "data/plasma/__water.jpg", "UP"));
    effects.push_back(std::make_unique<Effekter::FogRotator>(0, 10000));
    return effects;
}

// Frames as the loop draws them: clear, effects, then the overlay if any;
// no state is reset in between. Returns the pixels of the last frame.
std::vector<uint8_t> RunFrames(EffectList& effects, LiveShow* live,
                               const std::function<void(int)>& before_frame) {
    ResetGlState();
    std::vector<uint8_t> pixels;
    for (int i = 0; i < 3; ++i) {
        if (before_frame) before_frame(i);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        const uint32_t t = 2000 + 100 * static_cast<uint32_t>(i);
        DrawActiveEffects(effects, t, 0.5f);
        if (live) live->DrawOverlay(effects, t);
        pixels = ReadPixels(0, 0, 640, 480);
    }
    return pixels;
}

SDL_Event F1Released() {
    SDL_Event event{};
    event.type = SDL_KEYUP;
    event.key.type = SDL_KEYUP;
    event.key.keysym.sym = SDLK_F1;
    return event;
}

TEST_F(TweakEditing, AHiddenPanelLeavesTheFrameAsWithoutTweak) {
    EffectList plain = PanelTestShow();
    const std::vector<uint8_t> without = RunFrames(plain, nullptr, nullptr);
    MaybeSavePicture("tweak_without");

    // The same show with the panel shown in the first two frames and hidden
    // (F1) for the third.
    EffectList tweaked = PanelTestShow();
    LiveOptions options;
    options.tweak = true;
    LiveShow live(options, FindEffectMaker);
    live.SyncBars(tweaked);
    const std::vector<uint8_t> hidden = RunFrames(tweaked, &live, [&](int i) {
        if (i == 2) live.Input().Filter(F1Released());
    });
    EXPECT_FALSE(live.Input().Shown());
    EXPECT_TRUE(without == hidden);

    // With the panel shown, the picture outside the bars (with their key
    // buttons) and the timeline strip along the bottom is the same too, and
    // the state after the panel is the state before it.
    EffectList shown_show = PanelTestShow();
    LiveShow shown(options, FindEffectMaker);
    shown.SyncBars(shown_show);
    const std::vector<uint8_t> with = RunFrames(shown_show, &shown, nullptr);
    MaybeSavePicture("tweak_shown");
    float track[4];
    ASSERT_TRUE(TimelineStripTrackRect(track));
    const int strip_rows = 480 - static_cast<int>(track[1]) + 40;  // rows from the bottom
    int differing_left = 0, differing_right = 0, differing_bottom = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
            const bool differs = with[i] != without[i] || with[i + 1] != without[i + 1] ||
                                 with[i + 2] != without[i + 2];
            (y < strip_rows ? differing_bottom
             : x < 420      ? differing_left
                            : differing_right) += differs ? 1 : 0;
        }
    EXPECT_GT(differing_left, 10000);    // the bars are there
    EXPECT_GT(differing_bottom, 10000);  // the strip too
    EXPECT_EQ(0, differing_right);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawActiveEffects(shown_show, 2500, 0.5f);
    const GlSnapshot before = Snapshot();
    shown.DrawOverlay(shown_show, 2500);
    EXPECT_TRUE(before == Snapshot());
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// The key buttons beside a variable and the timeline strip below the bars,
// as the running show draws them: a key set, its way to the next key changed
// and the key removed; a press on the strip seeks (onto a key's time when
// near its mark), Shift+drag sets the loop range and Shift+click clears it;
// the Save button asks for a save.
TEST_F(TweakEditing, KeyButtonsAndTheTimelineStrip) {
    EffectList effects = PanelTestShow();
    LiveOptions options;
    options.tweak = true;
    LiveShow live(options, FindEffectMaker);
    live.SyncBars(effects);
    ShowTweaks& tweaks = live.Tweaks();
    auto frame = [&] {
        ResetGlState();
        live.DrawOverlay(effects, 2000);
    };
    auto press = [&](float x, float y, bool down) {
        TweakPanelMouse(x, y, down);
        frame();
    };
    auto click = [&](float x, float y) {
        press(x, y, true);
        press(x, y, false);
        press(x, y + 200, false);  // away, so the next click is no double click
    };
    frame();
    const TweakBar& bar = *live.Bars().BarOf(effects[0].get());
    const TweakVariable& seed = *bar.Find("Plasma");
    float r[4];
    ASSERT_TRUE(TweakPanelWidgetRect(bar, "Plasma", r));
    const float row = (r[1] + r[3]) / 2;
    const char* mode = nullptr;
    const char* ways[3];
    click(r[0] - 40, row);  // "key"
    EXPECT_EQ(std::vector<uint32_t>{2000}, tweaks.KeyTimes());
    ASSERT_EQ(TweakKeyHost::State::KeyHere, tweaks.KeyState(bar, seed, ways[0]));
    click(r[0] - 40, row);  // the way to the next key, in turn
    tweaks.KeyState(bar, seed, ways[1]);
    click(r[0] - 40, row);
    tweaks.KeyState(bar, seed, ways[2]);
    EXPECT_EQ("linear smooth step", std::string(ways[0]) + " " + ways[1] + " " + ways[2]);
    click(r[0] - 12, row);  // "x"
    EXPECT_EQ(TweakKeyHost::State::NoKeys, tweaks.KeyState(bar, seed, mode));
    click(r[0] - 40, row);
    EXPECT_EQ(std::vector<uint32_t>{2000}, tweaks.KeyTimes());

    // The entries span 0 to 10000 ms (no music to measure by).
    float track[4];
    ASSERT_TRUE(TimelineStripTrackRect(track));
    auto x_of = [&](uint32_t t) { return track[0] + (track[2] - track[0]) * t / 10000.0f; };
    const float y = track[3] - 4, pixel = 10000 / (track[2] - track[0]) + 1;
    const TimelineStripInput& input = live.StripInput();
    press(x_of(5000), y, true);
    EXPECT_TRUE(input.seek);
    EXPECT_NEAR(5000, input.seek_to, pixel);
    press(x_of(6000), y, true);
    EXPECT_NEAR(6000, input.seek_to, pixel);
    press(x_of(6000), y, false);
    EXPECT_FALSE(input.seek || input.loop_changed);
    press(x_of(2000) + 3, y, true);  // by the key's mark
    EXPECT_EQ(2000u, input.seek_to);
    press(x_of(2000) + 3, y, false);

    TweakPanelModifiers(false, true, false);
    press(x_of(3000), y, true);
    EXPECT_FALSE(input.seek);
    press(x_of(4500), y, true);
    press(x_of(7000), y, true);
    press(x_of(7000), y, false);
    EXPECT_TRUE(input.loop_changed && input.has_loop);
    EXPECT_NEAR(3000, input.loop_from, pixel);
    EXPECT_NEAR(7000, input.loop_to, pixel);
    press(x_of(5000), y, true);
    press(x_of(5000), y, false);
    EXPECT_TRUE(input.loop_changed);
    EXPECT_FALSE(input.has_loop);
    TweakPanelModifiers(false, false, false);

    press(track[0] + 12, track[1] - 14, true);  // Save, in the row above the track
    press(track[0] + 12, track[1] - 14, false);
    EXPECT_TRUE(input.save);
}

}  // namespace
