// Plug-in effects: the three load failures, Init reading its own script
// lines, Draw only inside the window, the library lookup, and the sample
// plug-in drawing with the state every effect finds.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/core/frame_clock.h"
#include "platform/failure.h"
#include "platform/show_folder.h"
#include "support/gl_context.h"
#include "support/script_loading.h"
#include "support/test_paths.h"
#include "factory/factory.h"
#include "timeline/plugin_loader.h"
#include "timeline/presenter.h"
#include "timeline/script.h"

namespace fs = std::filesystem;

namespace {

std::string Library(const std::string& name) { return BinaryDir() + "/lib" + name + ".so"; }

// Constructs a PluginLoader on `script_text` and returns the failure text,
// or "" when it loaded.
std::string LoadFailure(const std::string& file_name, const std::string& script_text = "") {
    FILE* script = tmpfile();
    fputs(script_text.c_str(), script);
    rewind(script);
    std::string failure;
    try {
        Effekter::PluginLoader loader(0, 1000, file_name, script);
    } catch (const DemoFailure& f) {
        failure = f.text();
    }
    fclose(script);
    return failure;
}

template <class T>
T Probe(const std::string& library, const char* name) {
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return T();
    auto* probe = reinterpret_cast<T (*)()>(dlsym(handle, name));
    dlclose(handle);  // drops only the reference taken here
    return probe ? probe() : T();
}

using Loaded = LoadedScript;

Loaded LoadScript(const std::string& text) { return LoadScriptText(text); }

TEST(PluginLoader, AnythingButALibraryGivesTheLoadMessage) {
    ScratchDir dir;
    const std::string text_file = dir.Write("notes.so", "not a library\n");
    const std::string empty_file = dir.Write("empty.so", "");
    const std::string elf_like = dir.Write("elf.so", std::string("\x7f"
                                                                 "ELF\x02\x01\x01",
                                                                 7) +
                                                         std::string(200, '\xff'));
    for (const std::string& name :
         {std::string("data/no_such_plugin.so"), std::string("no_such_plugin.so"), std::string(""),
          text_file, empty_file, elf_like, dir.path(), std::string("lib\x01\xff weird*?[%s%n].so"),
          std::string("../../../../../../../../etc/passwd"), std::string("/dev/null")}) {
        EXPECT_EQ(LoadFailure(name), "Unable to load plugin: " + name) << name;
    }
    // A name longer than the message buffer is cut, not overrun.
    const std::string long_name(5000, 'a');
    const std::string failure = LoadFailure(long_name);
    EXPECT_EQ(failure.size(), 1023u);
    EXPECT_EQ(failure.rfind("Unable to load plugin: aaa", 0), 0u);
}

TEST(PluginLoader, MissingEntryPointsFailBeforeInitRuns) {
    const std::string no_draw = Library("test_no_draw_plugin");
    EXPECT_EQ(LoadFailure(no_draw), "Unable to fint Draw function in plugin: " + no_draw);
    // The library stays loaded, and its Init was never called.
    void* handle = dlopen(no_draw.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(handle, nullptr);
    if (handle) dlclose(handle);
    EXPECT_EQ(Probe<int>(no_draw, "ProbeInitCalls"), 0);

    const std::string no_init = Library("test_no_init_plugin");
    EXPECT_EQ(LoadFailure(no_init), "Unable to fint Init function in plugin: " + no_init);
}

TEST(PluginLoader, InitReadsItsLinesAndTheScriptGoesOnAfterThem) {
    REQUIRE_GL();
    const std::string reader = Library("test_reader_plugin");
    const int calls_before = Probe<int>(reader, "ProbeInitCalls");
    const Loaded loaded = LoadScript("m.ogg\n0\n3\nPlugin\n100\n200\n" + reader +
                                     "\nfirst line\n# read raw, not a comment\nOverlays\n300\n400\n"
                                     "Plugin\n-5\n50\n" +
                                     reader + "\nthird\nfourth\n");
    ASSERT_EQ(loaded.failure, "");
    ASSERT_EQ(loaded.effects.size(), 3u);
    EXPECT_EQ(loaded.effects[1]->StartTime(), 300u);
    // The same library named twice: loaded once, initialised per entry,
    // each time with the entry's own times as written.
    EXPECT_EQ(Probe<int>(reader, "ProbeInitCalls"), calls_before + 2);
    EXPECT_EQ(Probe<int>(reader, "ProbeStart"), -5);
    EXPECT_EQ(Probe<int>(reader, "ProbeEnd"), 50);
    using LineProbe = const char* (*)(int);
    void* handle = dlopen(reader.c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    auto line = reinterpret_cast<LineProbe>(dlsym(handle, "ProbeLine"));
    EXPECT_STREQ(line(0), "third\n");
    EXPECT_STREQ(line(1), "fourth\n");
    dlclose(handle);

    // An Init that reads past the end leaves nothing for the reader.
    const Loaded cut = LoadScript("m.ogg\n0\n1\nPlugin\n0\n10\n" + reader + "\nonly one\n");
    EXPECT_EQ(cut.failure, "");
    EXPECT_EQ(cut.effects.size(), 1u);
}

TEST(PluginLoader, DrawOnlyStrictlyInsideTheWindow) {
    const std::string reader = Library("test_reader_plugin");
    EffectList effects;
    FILE* script = tmpfile();
    effects.push_back(std::make_unique<Effekter::PluginLoader>(1000, 2000, reader, script));
    fclose(script);
    const int before = Probe<int>(reader, "ProbeDrawCalls");

    for (uint32_t t : {0u, 999u, 1000u, 2000u, 2001u, 0xFFFFFFFFu}) {
        DrawActiveEffects(effects, t, 0.5f);
        effects[0]->Draw(t, 0.5f);  // also when called directly
    }
    EXPECT_EQ(Probe<int>(reader, "ProbeDrawCalls"), before);

    DrawActiveEffects(effects, 1001, 0.25f);
    EXPECT_EQ(Probe<int>(reader, "ProbeDrawCalls"), before + 1);
    EXPECT_EQ(Probe<int>(reader, "ProbeTime"), 1001);
    EXPECT_EQ(Probe<float>(reader, "ProbeBeat"), 0.25f);
    DrawActiveEffects(effects, 1999, 1.0f);
    EXPECT_EQ(Probe<int>(reader, "ProbeTime"), 1999);
    EXPECT_EQ(Probe<int>(reader, "ProbeDrawCalls"), before + 2);
}

TEST(PluginLoader, PlainNamesLookInTheWorkingDirectoryFirstThenBesideTheProgram) {
    // Beside the program: the test executables sit in the build folder.
    void* beside = OpenPluginLibrary("libtest_reader_plugin.so");
    ASSERT_NE(beside, nullptr);
    EXPECT_NE(dlsym(beside, "Draw"), nullptr);

    // A library of the same name in the working directory wins.
    ScratchDir dir;
    fs::copy_file(Library("test_reader_plugin"), dir.path() + "/libtest_no_draw_plugin.so");
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    void* local = OpenPluginLibrary("libtest_no_draw_plugin.so");
    fs::current_path(previous);
    ASSERT_NE(local, nullptr);
    EXPECT_NE(dlsym(local, "Draw"), nullptr);
    EXPECT_NE(dlsym(local, "ProbeLine"), nullptr);
}

TEST(PluginLoader, LookupOrderShowFolderProgramInstalledThenSystem) {
    using Paths = std::vector<std::string>;
    const struct {
        const char* name;
        const char* show;
        const char* installed;
        Paths expected;
    } rows[] = {
        {"libp.so", "", "", {"./libp.so", "/prog/libp.so", "libp.so"}},
        {"libp.so",
         "shows/a",
         "/usr/lib/k",
         {"shows/a/libp.so", "/prog/libp.so", "/usr/lib/k/libp.so", "libp.so"}},
        {"libp.so", "/abs/show/", "", {"/abs/show/libp.so", "/prog/libp.so", "libp.so"}},
        // A name with a folder is a path of the show, and only that.
        {"plugins/libp.so", "shows/a", "/usr/lib/k", {"shows/a/plugins/libp.so"}},
        {"./libp.so", "", "/usr/lib/k", {"./libp.so"}},
        {"/opt/libp.so", "shows/a", "", {"/opt/libp.so"}},
        {"", "shows/a", "/usr/lib/k", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.expected, PluginCandidates(row.name, row.show, "/prog", row.installed))
            << row.name << " in " << row.show;
    // dlopen would read only up to the zero byte: no library by another name.
    EXPECT_TRUE(PluginCandidates(std::string("lib\0p.so", 8), "", "/prog", "").empty());
}

TEST(PluginLoader, TheShowFolderComesBeforeTheProgram) {
    // The same name in the show folder wins over the one beside the program.
    ScratchDir show;
    fs::copy_file(Library("test_reader_plugin"), show.path() + "/libtest_no_draw_plugin.so");
    SetShowFolder(show.path());
    void* from_show = OpenPluginLibrary("libtest_no_draw_plugin.so");
    SetShowFolder("");
    ASSERT_NE(from_show, nullptr);
    EXPECT_NE(dlsym(from_show, "Draw"), nullptr);
}

TEST(SamplePlugin, DrawsAndLeavesTheStateAsItFoundIt) {
    REQUIRE_GL();
    const Loaded loaded = LoadScript(
        "m.ogg\n0\n3\nPlugin\n0\n60000\nlibsample_plugin.so\n3.001 2 2 3.003 0.02\n"
        "Plugin\n0\n1000\nlibsample_plugin.so\nnot numbers at all\nOverlays\n5\n6\n");
    ASSERT_EQ(loaded.failure, "");
    ASSERT_EQ(loaded.effects.size(), 3u);

    ResetGlState();  // clears what the loading screen drew
    glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
    GLfloat projection_before[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection_before);
    // 15 s in: three quarters of the first drawing (a new one starts every 20 s).
    loaded.effects[0]->Draw(15000, 0.8f);

    // Something bright was drawn around the centre.
    const std::vector<uint8_t> pixels = ReadPixels(0, 0, 640, 480);
    int lit = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) lit += pixels[i] + pixels[i + 1] > 60;
    EXPECT_GT(lit, 640 * 480 / 100);
    EXPECT_LT(lit, 640 * 480 / 2);

    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat modelview[16], projection[16], colour[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f);
        EXPECT_EQ(projection[i], projection_before[i]);
    }
    EXPECT_EQ(colour[1], 0.5f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // A parameter line that is no numbers draws with the defaults.
    ResetGlState();
    loaded.effects[1]->Draw(500, 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
