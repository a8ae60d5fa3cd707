// The "Video setup" dialog driven for real: the test display (Xvfb) gets
// pointer and key events through the XTest extension, the dialog's own loop
// handles them. Also the demo run end to end with xdotool.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/setup/settings_dialog.h"
#include "app/setup/settings_dialog_internal.h"
#include "app/show.h"
#include "support/test_paths.h"

namespace {

bool HaveDisplay() { return getenv("DISPLAY") != nullptr && *getenv("DISPLAY") != '\0'; }

#define REQUIRE_DISPLAY() \
    if (!HaveDisplay()) GTEST_SKIP() << "no display"

// A step waits until `ready` holds (the events of the step before have
// been through the X server and the dialog's loop), then acts. The dialog
// is closed with a failure when a step waits longer than 20 seconds.
using Widgets = SettingsDialogWidgets;
struct Step {
    std::function<bool(const Widgets&)> ready;
    std::function<void(const Widgets&)> act;
};

bool AtOnce(const Widgets&) { return true; }

struct Driver {
    std::vector<Step> steps;
    size_t next = 0;
    int waited_ms = 0;
    bool mapped = false;    // the server has shown the dialog
    bool closed = false;    // the dialog has given its response
    bool finished = false;  // the timeout source removed itself
    Widgets widgets{};
};

constexpr int kPollMs = 25;

gboolean RunNextStep(gpointer data) {
    Driver* driver = static_cast<Driver*>(data);
    if (driver->closed) {
        driver->finished = true;
        return G_SOURCE_REMOVE;
    }
    driver->waited_ms += kPollMs;
    if (driver->waited_ms < 20000) {
        if (driver->next < driver->steps.size()) {
            const Step& step = driver->steps[driver->next];
            if (driver->mapped && step.ready(driver->widgets)) {
                ++driver->next;
                driver->waited_ms = 0;
                step.act(driver->widgets);
            }
        }
        return G_SOURCE_CONTINUE;
    }
    // A step never became ready, or the dialog stayed open after the last
    // one: end it so the test fails instead of hanging.
    ADD_FAILURE() << "the dialog did not close; steps run: " << driver->next;
    driver->finished = true;
    gtk_dialog_response(GTK_DIALOG(driver->widgets.dialog), 99);
    return G_SOURCE_REMOVE;
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer data) {
    static_cast<Driver*>(data)->mapped = true;
    return FALSE;
}

void OnResponse(GtkDialog*, gint, gpointer data) { static_cast<Driver*>(data)->closed = true; }

// Runs the dialog on `modes`, feeding it the steps, and returns its result.
int Drive(DisplaySettings& settings, const std::vector<DisplayMode>& modes,
          std::vector<Step> steps) {
    Driver driver;
    driver.steps = std::move(steps);
    guint source = 0;
    const int result = RunDisplaySettingsDialog(settings, modes, [&](const Widgets& w) {
        driver.widgets = w;
        g_signal_connect(w.dialog, "map-event", G_CALLBACK(OnMapped), &driver);
        g_signal_connect(w.dialog, "response", G_CALLBACK(OnResponse), &driver);
        source = g_timeout_add(kPollMs, RunNextStep, &driver);
    });
    if (!driver.finished) g_source_remove(source);
    return result;
}

// Real input through the X server (XTest), as a viewer's mouse and keyboard
// would give it.
Display* XDisplayOf(GtkWidget* widget) {
    return GDK_WINDOW_XDISPLAY(gtk_widget_get_window(widget));
}

void MovePointerInto(GtkWidget* widget) {
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    int x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
    XTestFakeMotionEvent(XDisplayOf(widget), -1, x + a.x + a.width / 2, y + a.y + a.height / 2,
                         CurrentTime);
}

void Click(GtkWidget* widget) {
    Display* display = XDisplayOf(widget);
    MovePointerInto(widget);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
}

void PressKey(GtkWidget* dialog, KeySym key) {
    Display* display = XDisplayOf(dialog);
    MovePointerInto(dialog);
    XSetInputFocus(display, GDK_WINDOW_XID(gtk_widget_get_window(dialog)), RevertToParent,
                   CurrentTime);
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
}

bool Checked(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)); }
bool Enabled(GtkWidget* widget) { return gtk_widget_get_sensitive(widget); }

std::string ActiveLine(GtkWidget* combo) {
    gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo));
    std::string line = text ? text : "";
    g_free(text);
    return line;
}

void CollectLabels(GtkWidget* widget, std::vector<std::string>& texts) {
    if (GTK_IS_LABEL(widget)) texts.push_back(gtk_label_get_text(GTK_LABEL(widget)));
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* c = children; c; c = c->next) CollectLabels(GTK_WIDGET(c->data), texts);
        g_list_free(children);
    }
}

const std::vector<DisplayMode> kModes = {{800, 600, 32, 60},
                                         {1024, 768, 32, 60},
                                         {1024, 768, 32, 75},
                                         {1280, 1024, 32, 60},
                                         {640, 480, 16, 60}};

TEST(SettingsDialog, OpensWithTheDefaultsAndCancelLeavesTheRecord) {
    REQUIRE_DISPLAY();
    DisplaySettings settings;
    const int result =
        Drive(settings, kModes,
              {{AtOnce, [](const Widgets& w) {
                    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(w.dialog)), "Video setup");
                    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(w.dialog)));
                    std::vector<std::string> texts;
                    CollectLabels(w.dialog, texts);
                    for (const char* text :
                         {"K I L N W O R K S", "Resolution:", "Fullscreen:", "Always on top:",
                          "Vertical sync:", "Multisampling:", "Render scale:", "Run", "Cancel"}) {
                        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
                    }
                    // Three lines: the 16-bit mode is dropped, the two 1024 x 768
                    // rates fold into one line, which is preselected.
                    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(w.resolution));
                    EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), 3);
                    EXPECT_EQ(ActiveLine(w.resolution), "1024 * 768");
                    EXPECT_TRUE(Checked(w.fullscreen));
                    EXPECT_FALSE(Checked(w.always_on_top));
                    EXPECT_FALSE(Enabled(w.always_on_top));
                    EXPECT_TRUE(Checked(w.vertical_sync));
                    EXPECT_FALSE(Checked(w.multisampling));
                    EXPECT_EQ(ActiveLine(w.render_scale), "100 %");
                    EXPECT_TRUE(gtk_widget_has_default(w.run));
                    EXPECT_TRUE(gtk_widget_is_focus(w.run));
                    // Labels sit left of their controls, the buttons below them,
                    // "Run" on the left.
                    GtkAllocation run, cancel, box;
                    gtk_widget_get_allocation(w.run, &run);
                    gtk_widget_get_allocation(w.cancel, &cancel);
                    gtk_widget_get_allocation(w.multisampling, &box);
                    EXPECT_GT(run.y, box.y + box.height);
                    EXPECT_LT(run.x, cancel.x);
                    Click(w.cancel);
                }}});
    EXPECT_EQ(result, 0);
    const DisplaySettings defaults;
    EXPECT_EQ(settings.width, defaults.width);
    EXPECT_FALSE(settings.windowed);
    EXPECT_TRUE(settings.always_on_top);
}

TEST(SettingsDialog, FullscreenControlsAlwaysOnTopAndRunWritesTheChoices) {
    REQUIRE_DISPLAY();
    DisplaySettings settings;
    const int result = Drive(settings, kModes,
                             {{AtOnce, [](const Widgets& w) { Click(w.fullscreen); }},
                              {[](const Widgets& w) { return !Checked(w.fullscreen); },
                               [](const Widgets& w) {
                                   EXPECT_TRUE(Enabled(w.always_on_top));
                                   EXPECT_FALSE(Checked(w.always_on_top));
                                   Click(w.always_on_top);
                               }},
                              {[](const Widgets& w) { return Checked(w.always_on_top); },
                               [](const Widgets& w) { Click(w.fullscreen); }},
                              {[](const Widgets& w) { return Checked(w.fullscreen); },
                               [](const Widgets& w) {
                                   // Checking "Fullscreen" again clears and disables it.
                                   EXPECT_FALSE(Checked(w.always_on_top));
                                   EXPECT_FALSE(Enabled(w.always_on_top));
                                   Click(w.fullscreen);
                               }},
                              {[](const Widgets& w) { return !Checked(w.fullscreen); },
                               [](const Widgets& w) {
                                   EXPECT_TRUE(Enabled(w.always_on_top));
                                   EXPECT_FALSE(Checked(w.always_on_top));
                                   Click(w.always_on_top);
                                   Click(w.vertical_sync);
                                   Click(w.multisampling);
                                   gtk_combo_box_set_active(GTK_COMBO_BOX(w.resolution), 2);
                                   gtk_combo_box_set_active(GTK_COMBO_BOX(w.render_scale), 3);
                               }},
                              {[](const Widgets& w) {
                                   return Checked(w.always_on_top) && !Checked(w.vertical_sync) &&
                                          Checked(w.multisampling);
                               },
                               [](const Widgets& w) {
                                   EXPECT_EQ(ActiveLine(w.resolution), "1280 * 1024");
                                   EXPECT_EQ(ActiveLine(w.render_scale), "50 %");
                                   Click(w.run);
                               }}});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(settings.width, 1280);
    EXPECT_EQ(settings.height, 1024);
    EXPECT_EQ(settings.bits_per_pixel, 32);
    EXPECT_TRUE(settings.windowed);
    EXPECT_TRUE(settings.always_on_top);
    EXPECT_FALSE(settings.vertical_sync);
    EXPECT_TRUE(settings.multisampling);
    EXPECT_FALSE(settings.render_scale.automatic);
    EXPECT_FLOAT_EQ(settings.render_scale.value, 0.5f);

    // The record's scale is preselected: automatic, or a --scale of its own
    // as a line of its own.
    const struct {
        RenderScale scale;
        const char* line;
        int lines;
    } records[] = {
        {{true, 1.0f}, "Auto", 4}, {{false, 0.75f}, "75 %", 4}, {{false, 0.6f}, "60 %", 5}};
    for (const auto& record : records) {
        DisplaySettings chosen;
        chosen.render_scale = record.scale;
        Drive(chosen, kModes,
              {{AtOnce, [&record](const Widgets& w) {
                    EXPECT_EQ(ActiveLine(w.render_scale), record.line);
                    GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(w.render_scale));
                    EXPECT_EQ(gtk_tree_model_iter_n_children(model, nullptr), record.lines);
                    Click(w.run);
                }}});
        EXPECT_EQ(chosen.render_scale.automatic, record.scale.automatic) << record.line;
        EXPECT_FLOAT_EQ(chosen.render_scale.value, record.scale.value) << record.line;
    }
}

TEST(SettingsDialog, RunWithoutASelectionKeepsTheRecordsSize) {
    REQUIRE_DISPLAY();
    // A display reporting no modes (with modes, the nearest is preselected).
    for (const std::vector<DisplayMode>& modes : {std::vector<DisplayMode>{}}) {
        DisplaySettings settings;
        settings.width = 640;
        settings.height = 480;
        settings.always_on_top = true;
        const int result = Drive(settings, modes, {{AtOnce, [](const Widgets& w) {
                                                        EXPECT_EQ(ActiveLine(w.resolution), "");
                                                        // Return presses the default button, "Run".
                                                        PressKey(w.dialog, XK_Return);
                                                    }}});
        EXPECT_EQ(result, 1);
        EXPECT_EQ(settings.width, 640);
        EXPECT_EQ(settings.height, 480);
        EXPECT_FALSE(settings.windowed);
        // Full screen: the disabled box reads unchecked.
        EXPECT_FALSE(settings.always_on_top);
    }
}

// --size and --windowed are the dialog's starting choices, listed even when
// the size is no display mode; what the viewer then picks is what the show
// gets.
TEST(SettingsDialog, CommandLineChoicesArePreselectedAndTheViewerDecides) {
    REQUIRE_DISPLAY();
    Options options;
    std::string error;
    const char* args[] = {"demo", "--size", "320x240", "--windowed"};
    ASSERT_TRUE(ParseOptions(4, args, options, error)) << error;
    DisplaySettings settings = InitialDisplaySettings(options);
    const int result = Drive(settings, kModes,
                             {{AtOnce,
                               [](const Widgets& w) {
                                   EXPECT_EQ(ActiveLine(w.resolution), "320 * 240");
                                   EXPECT_FALSE(Checked(w.fullscreen));
                                   EXPECT_TRUE(Enabled(w.always_on_top));
                                   Click(w.fullscreen);
                               }},
                              {[](const Widgets& w) { return Checked(w.fullscreen); },
                               [](const Widgets& w) { Click(w.run); }}});
    EXPECT_EQ(result, 1);
    EXPECT_EQ(settings.width, 320);
    EXPECT_EQ(settings.height, 240);
    EXPECT_FALSE(settings.windowed);
}

TEST(SettingsDialog, EscapeAndClosingTheWindowCancel) {
    REQUIRE_DISPLAY();
    DisplaySettings settings;
    settings.windowed = true;
    int result = Drive(settings, kModes, {{AtOnce, [](const Widgets& w) {
                                               // A windowed record opens with the box enabled.
                                               EXPECT_FALSE(Checked(w.fullscreen));
                                               EXPECT_TRUE(Enabled(w.always_on_top));
                                               EXPECT_FALSE(Checked(w.always_on_top));
                                               PressKey(w.dialog, XK_Escape);
                                           }}});
    EXPECT_EQ(result, 0);

    // The close button: the window manager sends WM_DELETE_WINDOW.
    result = Drive(settings, kModes,
                   {{AtOnce, [](const Widgets& w) {
                         GdkWindow* window = gtk_widget_get_window(w.dialog);
                         Display* display = GDK_WINDOW_XDISPLAY(window);
                         XEvent event{};
                         event.xclient.type = ClientMessage;
                         event.xclient.window = GDK_WINDOW_XID(window);
                         event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
                         event.xclient.format = 32;
                         event.xclient.data.l[0] = XInternAtom(display, "WM_DELETE_WINDOW", False);
                         event.xclient.data.l[1] = CurrentTime;
                         XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
                         XFlush(display);
                     }}});
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(settings.windowed);
}

// Without a display no dialog can be shown: the result is neither Run nor
// Cancel and the record keeps its values. Runs in a child process, since GTK
// starts once per process.
TEST(SettingsDialog, WithoutADisplayTheRecordStaysAsItWas) {
    if (getenv("SETTINGS_DIALOG_CHILD")) {
        DisplaySettings settings;
        settings.width = 321;
        const int result = ShowDisplaySettingsDialog(settings);
        EXPECT_NE(result, 0);
        EXPECT_NE(result, 1);
        EXPECT_EQ(settings.width, 321);
        return;
    }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    const CommandResult r = RunCommand(
        std::string("env -u DISPLAY -u WAYLAND_DISPLAY SETTINGS_DIALOG_CHILD=1 '") + self +
            "' --gtest_filter=SettingsDialog.WithoutADisplayTheRecordStaysAsItWas",
        SourceDir(), 60);
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
}

bool HaveXdotool() { return system("command -v xdotool >/dev/null 2>&1") == 0; }

// The demo's own dialog: Escape cancels the show before any window opens;
// Return runs it (and the "End of show" box is dismissed the same way).
TEST(SettingsDialog, TheDemoExitsWithMinusOneOnCancel) {
    REQUIRE_DISPLAY();
    if (!HaveXdotool()) GTEST_SKIP() << "no xdotool";
    ASSERT_EQ(access(DemoExecutable().c_str(), X_OK), 0) << DemoExecutable() << " is not built";
    ScratchDir dir;
    dir.Write("data/demo.txt", "m.ogg\n0\n1\nOverlays\n0\n100000\nEndDemo\n200\n100000\n");
    // press.sh KEY [KEY2]: starts the demo, presses KEY in "Video setup"
    // and, if given, KEY2 in the "Error" box; exits with the demo's status.
    dir.Write("press.sh",
              "press() {\n"
              "  id=\n"
              "  tries=0\n"
              "  while [ -z \"$id\" ] && [ $tries -lt 150 ]; do\n"
              "    sleep 0.2; tries=$((tries + 1))\n"
              "    id=$(xdotool search --onlyvisible --name \"$1\" 2>/dev/null | head -n1)\n"
              "  done\n"
              "  xdotool windowfocus --sync \"$id\" key \"$2\"\n"
              "}\n"
              "\"$1\" & demo=$!\n"
              "press '^Video setup$' \"$2\"\n"
              "if [ -n \"$3\" ]; then press '^Error$' \"$3\"; fi\n"
              "wait $demo\n");
    const std::string demo = "'" + DemoExecutable() + "'";
    CommandResult r = RunCommand("sh press.sh " + demo + " Escape", dir.path(), 60);
    // -1 from main is the exit status 255.
    EXPECT_EQ(r.exit_code, 255) << r.err;
    EXPECT_EQ(r.err.find("Loaded"), std::string::npos) << r.err;

    r = RunCommand("sh press.sh " + demo + " Return Return", dir.path(), 120);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Loaded Overlays"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Exception: End of show"), std::string::npos) << r.err;
}

}  // namespace
