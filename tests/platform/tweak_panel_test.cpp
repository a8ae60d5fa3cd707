#include "platform/tweak_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/3d/chaos_zoomer.h"
#include "effects/image/fog_rotator.h"
#include "effects/shader/plasma2d.h"
#include "support/gl_context.h"

namespace {

TEST(TweakLabel, ReadsOnlyTheLabelKey) {
    EXPECT_EQ("Plasma", TweakLabel("Plasma", " label='Plasma'"));
    EXPECT_EQ("ObjPos", TweakLabel("ObjPos", "label='ObjPos'"));
    EXPECT_EQ("Fog near", TweakLabel("FogNear", " min=0 label=\"Fog near\" step=10"));
    EXPECT_EQ("Far", TweakLabel("FogFar", "label=`Far`"));
    EXPECT_EQ("Seed", TweakLabel("x", "  label = Seed  help='the seed'"));
    EXPECT_EQ("", TweakLabel("x", "label=''"));
    // A label inside another key's quoted value is part of that value.
    EXPECT_EQ("real", TweakLabel("x", "help='label=fake' label='real'"));
    EXPECT_EQ("x", TweakLabel("x", "help=' label=fake'"));
}

TEST(TweakLabel, FallsBackToTheName) {
    EXPECT_EQ("Plasma", TweakLabel("Plasma", nullptr));
    EXPECT_EQ("Plasma", TweakLabel("Plasma", ""));
    EXPECT_EQ("Plasma", TweakLabel("Plasma", " min=0 max=10 readonly"));
    EXPECT_EQ("Plasma", TweakLabel("Plasma", " label='unterminated"));
    EXPECT_EQ("Plasma", TweakLabel("Plasma", " labels='other key'"));
    EXPECT_EQ("Plasma", TweakLabel("Plasma", "= = '' label"));
    EXPECT_EQ("", TweakLabel(nullptr, nullptr));
}

TEST(TweakDefinition, BoundsAndSteps) {
    float v = 0;
    EXPECT_TRUE(TweakDefinitionNumber(" min=0 max=10 step=0.5 label='x'", "max", v));
    EXPECT_EQ(10.0f, v);
    EXPECT_TRUE(TweakDefinitionNumber(" min=-2.5", "min", v));
    EXPECT_EQ(-2.5f, v);
    EXPECT_TRUE(TweakDefinitionNumber("STEP='0.25'", "step", v));
    EXPECT_EQ(0.25f, v);
    EXPECT_FALSE(TweakDefinitionNumber(" min=low", "min", v));
    EXPECT_FALSE(TweakDefinitionNumber(" min=1e99", "min", v));
    EXPECT_FALSE(TweakDefinitionNumber(" min=", "min", v));
    EXPECT_FALSE(TweakDefinitionNumber(" help='min=3'", "min", v));
    EXPECT_FALSE(TweakDefinitionNumber(nullptr, "min", v));

    float fog = 300;
    TweakBar bar("Test");
    bar.AddVarRW("Fog", TW_TYPE_FLOAT, &fog, " min=10 max=1000 step=5 label='Fog'");
    bar.AddVarRW("Free", TW_TYPE_FLOAT, &fog, "");
    const TweakVariable& bounded = *bar.Find("Fog");
    EXPECT_TRUE(bounded.has_min && bounded.has_max && bounded.has_step);
    EXPECT_EQ(10.0f, bounded.min);
    EXPECT_EQ(1000.0f, bounded.max);
    EXPECT_EQ(5.0f, bounded.step);
    const TweakVariable& free = *bar.Find("Free");
    EXPECT_FALSE(free.has_min || free.has_max || free.has_step);
}

TEST(TweakBar, BindsVariablesToTheirValues) {
    int seed = 1;
    float fog = 300;
    float position[3] = {0, 0, -400};
    TweakBar bar("Test");
    EXPECT_TRUE(bar.AddVarRW("Seed", TW_TYPE_INT32, &seed, " label='The seed'"));
    EXPECT_TRUE(bar.AddVarRW("Fog", TW_TYPE_FLOAT, &fog, ""));
    EXPECT_TRUE(bar.AddVarRW("Pos", TW_TYPE_DIR3F, position, nullptr));
    ASSERT_EQ(3u, bar.Variables().size());
    EXPECT_EQ("The seed", bar.Variables()[0].label);
    EXPECT_EQ("Fog", bar.Variables()[1].label);

    *static_cast<int*>(bar.Find("Seed")->value) = 7;
    static_cast<float*>(bar.Find("Pos")->value)[2] = -10;
    EXPECT_EQ(7, seed);
    EXPECT_EQ(-10.0f, position[2]);
    EXPECT_EQ(&fog, bar.Find("Fog")->value);
    EXPECT_EQ(nullptr, bar.Find("Missing"));
    EXPECT_EQ(nullptr, bar.Find(nullptr));
}

TEST(TweakBar, RefusesBadVariables) {
    int value = 0;
    TweakBar bar("Test");
    EXPECT_FALSE(bar.AddVarRW("", TW_TYPE_INT32, &value, ""));
    EXPECT_FALSE(bar.AddVarRW(nullptr, TW_TYPE_INT32, &value, ""));
    EXPECT_FALSE(bar.AddVarRW("Null", TW_TYPE_INT32, nullptr, ""));
    EXPECT_FALSE(bar.AddVarRW("Undef", TW_TYPE_UNDEF, &value, ""));
    EXPECT_FALSE(bar.AddVarRW("Unknown", static_cast<TweakType>(100), &value, ""));
    EXPECT_TRUE(bar.AddVarRW("Twice", TW_TYPE_INT32, &value, ""));
    EXPECT_FALSE(bar.AddVarRW("Twice", TW_TYPE_FLOAT, &value, ""));
    EXPECT_EQ(1u, bar.Variables().size());
}

TEST(TweakBar, EnumerationsKeepTheirValuesAndLabels) {
    TweakBar bar("Test");
    TweakType mode_type;
    {
        // The bar copies the labels: the caller's strings may go away.
        std::string names[3] = {"Flowers", "Portrait", "Twist"};
        const TweakEnumValue values[] = {
            {0, names[0].c_str()}, {1, names[1].c_str()}, {3, names[2].c_str()}};
        mode_type = bar.DefineEnum("PassMode", values, 3);
        names[0] = names[1] = names[2] = "gone";
    }
    ASSERT_NE(TW_TYPE_UNDEF, mode_type);
    const TweakEnum* e = bar.Enum(mode_type);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ("PassMode", e->name);
    EXPECT_EQ((std::vector<int>{0, 1, 3}), e->values);
    ASSERT_EQ(3u, e->label_pointers.size());
    EXPECT_STREQ("Portrait", e->label_pointers[1]);
    EXPECT_STREQ("Twist", e->label_pointers[2]);

    const TweakEnumValue other[] = {{5, "Five"}, {6, nullptr}};
    const TweakType other_type = bar.DefineEnum("Other", other, 2);
    EXPECT_NE(mode_type, other_type);
    EXPECT_STREQ("", bar.Enum(other_type)->label_pointers[1]);
    EXPECT_STREQ("Flowers", bar.Enum(mode_type)->label_pointers[0]);

    EXPECT_EQ(TW_TYPE_UNDEF, bar.DefineEnum("PassMode", other, 2));
    EXPECT_EQ(TW_TYPE_UNDEF, bar.DefineEnum("Empty", other, 0));
    EXPECT_EQ(nullptr, bar.Enum(TW_TYPE_INT32));

    int mode = 3;
    EXPECT_TRUE(bar.AddVarRW("Mode", mode_type, &mode, " label='Pass'"));
    EXPECT_EQ(mode_type, bar.Find("Mode")->type);
}

TEST(TweakBar, TheShownValueOfAnEnumerationIsNeverAQuestionMark) {
    TweakBar bar("Test");
    const TweakEnumValue values[] = {{0, "Up"}, {2, "Left"}};
    const TweakType type = bar.DefineEnum("Direction", values, 2);
    // A value the list does not offer is shown by the name given to it,
    // and a value nobody named by its number.
    EXPECT_TRUE(bar.NameUnlistedValue(type, 1, "Centre"));
    EXPECT_TRUE(bar.NameUnlistedValue(type, 2, "Ignored"));
    const TweakEnum* e = bar.Enum(type);
    ASSERT_NE(nullptr, e);
    EXPECT_EQ((std::vector<int>{0, 2}), e->values);  // still not selectable
    char number[16];
    EXPECT_STREQ("Up", TweakEnumPreview(*e, 0, number, sizeof number));
    EXPECT_STREQ("Centre", TweakEnumPreview(*e, 1, number, sizeof number));
    EXPECT_STREQ("Left", TweakEnumPreview(*e, 2, number, sizeof number));
    EXPECT_STREQ("-17", TweakEnumPreview(*e, -17, number, sizeof number));
    EXPECT_FALSE(bar.NameUnlistedValue(TW_TYPE_INT32, 1, "Centre"));
    EXPECT_FALSE(bar.NameUnlistedValue(type, 3, nullptr));
}

// Draws Plasma2D at a fixed time and returns the frame.
std::vector<uint8_t> PlasmaFrame(Effekter::Plasma2D& plasma) {
    ResetGlState();
    plasma.Draw(2000, 0.0f);
    return ReadPixels(0, 0, 640, 480);
}

TEST(TweakEffects, Plasma2DRegistersItsSeed) {
    REQUIRE_GL();
    Effekter::Plasma2D plasma(0, 10000, 1);
    plasma.SetupTweaks();  // no bar attached: nothing to do

    TweakBar bar("Plasma2D");
    plasma.AttachTweakBar(&bar);
    plasma.SetupTweaks();
    ASSERT_EQ(1u, bar.Variables().size());
    const TweakVariable& seed = bar.Variables()[0];
    EXPECT_EQ("Plasma", seed.name);
    EXPECT_EQ("Plasma", seed.label);
    EXPECT_EQ(TW_TYPE_INT32, seed.type);
    EXPECT_EQ(1, *static_cast<int*>(seed.value));

    // Setting the seed through the bar gives the plasma of that seed.
    const std::vector<uint8_t> seed1 = PlasmaFrame(plasma);
    *static_cast<int*>(seed.value) = 7;
    const std::vector<uint8_t> edited = PlasmaFrame(plasma);
    Effekter::Plasma2D plasma7(0, 10000, 7);
    EXPECT_NE(seed1, edited);
    EXPECT_EQ(PlasmaFrame(plasma7), edited);
}

TEST(TweakEffects, ChaosZoomerRegistersPositionAndFog) {
    REQUIRE_GL();
    Effekter::ChaosZoomer zoomer(0, 10000);
    TweakBar bar("ChaosZoomer");
    zoomer.AttachTweakBar(&bar);
    zoomer.SetupTweaks();
    ASSERT_EQ(3u, bar.Variables().size());
    const std::vector<TweakVariable>& v = bar.Variables();
    EXPECT_EQ("ObjPos", v[0].label);
    EXPECT_EQ(TW_TYPE_DIR3F, v[0].type);
    EXPECT_EQ("FogNear", v[1].label);
    EXPECT_EQ(TW_TYPE_FLOAT, v[1].type);
    EXPECT_EQ("FogFar", v[2].label);
    EXPECT_EQ(TW_TYPE_FLOAT, v[2].type);

    static_cast<float*>(v[0].value)[1] = 12.5f;
    *static_cast<float*>(v[1].value) = 150;
    *static_cast<float*>(v[2].value) = 450;
    EXPECT_EQ(12.5f, zoomer.ObjectPosition().y);
    EXPECT_EQ(-400.0f, zoomer.ObjectPosition().z);
    EXPECT_EQ(150.0f, zoomer.FogNear());
    EXPECT_EQ(450.0f, zoomer.FogFar());

    // A second call adds nothing: the names are taken.
    zoomer.SetupTweaks();
    EXPECT_EQ(3u, bar.Variables().size());
}

bool IsBlack(const Rgba& p) { return p.r == 0 && p.g == 0 && p.b == 0; }

TEST(TweakPanel, DrawsOverTheFrameAndLeavesTheStateAlone) {
    REQUIRE_GL();
    int seed = 3;
    float fog = 300;
    float position[3] = {0, 0, -400};
    int mode = 42;  // no such value: the combo box shows "?"
    TweakBar bar("Tweaks");
    const TweakEnumValue modes[] = {{0, "Flowers"}, {1, "Twist"}};
    bar.AddVarRW("Seed", TW_TYPE_INT32, &seed, " label='Seed'");
    bar.AddVarRW("Fog", TW_TYPE_FLOAT, &fog, "");
    bar.AddVarRW("Pos", TW_TYPE_DIR3F, position, "");
    bar.AddVarRW("Mode", bar.DefineEnum("Modes", modes, 2), &mode, "");

    ResetGlState();
    GLint viewport_before[4];
    glGetIntegerv(GL_VIEWPORT, viewport_before);
    DrawTweakPanel(bar);

    // The window sits 10 pixels in from the top left corner (y counts up here).
    int lit = 0;
    for (int y = 480 - 100; y < 480 - 20; y += 4)
        for (int x = 20; x < 300; x += 4) lit += IsBlack(PixelAt(x, y)) ? 0 : 1;
    EXPECT_GT(lit, 1000);
    EXPECT_TRUE(IsBlack(PixelAt(500, 100)));
    EXPECT_TRUE(IsBlack(PixelAt(5, 475)));

    GLint viewport_after[4], texture = -1;
    glGetIntegerv(GL_VIEWPORT, viewport_after);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    EXPECT_EQ(0, texture);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(viewport_before[i], viewport_after[i]);
    // Drawing without input changes nothing.
    EXPECT_EQ(3, seed);
    EXPECT_EQ(300.0f, fog);
    EXPECT_EQ(42, mode);
    TweakTerminate();
}

TEST(TweakPanel, DraggingWithTheMouseEditsTheEffect) {
    REQUIRE_GL();
    Effekter::ChaosZoomer zoomer(0, 10000);
    TweakBar bar("ChaosZoomer");
    zoomer.AttachTweakBar(&bar);
    zoomer.SetupTweaks();

    // The first row (ObjPos x) starts below the title bar, inside the padding.
    const float x = 40, y = 10 + 19 + 8 + 9;
    const float steps[][3] = {{x, y, 0}, {x, y, 1}, {x + 20, y, 1}, {x + 60, y, 1}, {x + 60, y, 0}};
    for (const auto& step : steps) {
        ResetGlState();
        TweakPanelMouse(step[0], step[1], step[2] != 0);
        DrawTweakPanel(bar);
    }
    EXPECT_GT(zoomer.ObjectPosition().x, 1.0f);
    EXPECT_EQ(0.0f, zoomer.ObjectPosition().y);
    EXPECT_EQ(-400.0f, zoomer.ObjectPosition().z);
    EXPECT_EQ(300.0f, zoomer.FogNear());
    TweakPanelMouse(-1, -1, false);
    TweakTerminate();
}

TEST(TweakPanel, WidgetsOfOneLabelAreToldApartByName) {
    float a[3] = {}, b[3] = {};
    TweakBar bar("Test");
    bar.AddVarRW("Pols pos 1", TW_TYPE_DIR3F, a, "label='Pole pos'");
    bar.AddVarRW("Pols pos 2", TW_TYPE_DIR3F, b, "label='Pole pos'");
    // ImGui shows the text before "##" and tells widgets apart by the whole.
    EXPECT_EQ("Pole pos##Pols pos 1", TweakWidgetId(bar.Variables()[0]));
    EXPECT_NE(TweakWidgetId(bar.Variables()[0]), TweakWidgetId(bar.Variables()[1]));
}

TEST(TweakPanel, DraggingOneOfThreeSameLabelledRowsEditsOnlyThatPole) {
    REQUIRE_GL();
    Effekter::FogRotator poles(0, 10000);
    TweakBar bar("FogRotator");
    poles.AttachTweakBar(&bar);
    poles.SetupTweaks();
    const float* rotations[3];
    for (int n = 0; n < 3; ++n) {
        const std::string name = "Pols rot " + std::to_string(n + 1);
        rotations[n] = static_cast<const float*>(bar.Find(name.c_str())->value);
    }

    // Rows: Cam pos, then position and rotation of each pole; drag the x
    // field of row 4, "Pole rot" of pole 2 (rows are 23 pixels apart).
    const float x = 40, y = 10 + 19 + 8 + 9 + 4 * 23;
    const float steps[][3] = {{x, y, 0}, {x, y, 1}, {x + 20, y, 1}, {x + 60, y, 1}, {x + 60, y, 0}};
    for (const auto& step : steps) {
        ResetGlState();
        TweakPanelMouse(step[0], step[1], step[2] != 0);
        DrawTweakPanel(bar);
    }
    EXPECT_GT(rotations[1][0], 1.0f);
    EXPECT_EQ(-90.0f, rotations[1][1]);
    EXPECT_EQ(0.0f, rotations[0][0]);
    EXPECT_EQ(0.0f, rotations[2][0]);
    for (int i = 0; i < 3; ++i) {
        const std::string name = "Pols pos " + std::to_string(i + 1);
        EXPECT_EQ(6.0f, static_cast<const float*>(bar.Find(name.c_str())->value)[0]);
    }
    TweakPanelMouse(-1, -1, false);
    TweakTerminate();
}

TEST(TweakPanel, TerminateIsSafeAnyNumberOfTimes) {
    TweakTerminate();  // nothing drawn yet in this test
    REQUIRE_GL();
    TweakBar empty("");
    ResetGlState();
    DrawTweakPanel(empty);
    TweakTerminate();
    TweakTerminate();
    // Drawing after terminating makes a fresh panel.
    ResetGlState();
    DrawTweakPanel(empty);
    EXPECT_FALSE(IsBlack(PixelAt(30, 480 - 20)));
    TweakTerminate();
}

}  // namespace
