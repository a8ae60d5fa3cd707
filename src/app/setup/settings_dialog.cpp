#include "app/setup/settings_dialog.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "app/core/stop_signals.h"
#include "app/setup/mode_list.h"
#include "app/setup/settings_dialog_internal.h"

namespace {

// Response ids: "Run" ends the dialog with 1, everything else with 0.
constexpr int kRunResponse = 1;
constexpr int kCancelResponse = 0;
// Returned when no dialog can be shown: neither Run nor Cancel.
constexpr int kNoDialog = 2;

bool StartGtk() {
    static bool tried = false;
    static bool ready = false;
    if (!tried) {
        tried = true;
        // The show parses numbers with the C library; keep its "C" locale.
        gtk_disable_setlocale();
        ready = gtk_init_check(nullptr, nullptr);
    }
    return ready;
}

GtkWidget* RightAlignedLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_widget_set_halign(label, GTK_ALIGN_END);
    gtk_label_set_xalign(GTK_LABEL(label), 1.0f);
    return label;
}

GtkWidget* CheckBox(bool checked) {
    GtkWidget* box = gtk_check_button_new();
    gtk_widget_set_halign(box, GTK_ALIGN_START);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), checked);
    return box;
}

// Full screen leaves no room for a window-manager hint: checking
// "Fullscreen" clears and disables "Always on top", unchecking enables it.
void OnFullscreenToggled(GtkToggleButton* fullscreen, gpointer always_on_top) {
    if (gtk_toggle_button_get_active(fullscreen)) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(always_on_top), FALSE);
        gtk_widget_set_sensitive(GTK_WIDGET(always_on_top), FALSE);
    } else {
        gtk_widget_set_sensitive(GTK_WIDGET(always_on_top), TRUE);
    }
}

void RespondRun(GtkButton*, gpointer dialog) {
    gtk_dialog_response(GTK_DIALOG(dialog), kRunResponse);
}

void RespondCancel(GtkButton*, gpointer dialog) {
    gtk_dialog_response(GTK_DIALOG(dialog), kCancelResponse);
}

// A stop signal (Ctrl+C, SIGTERM, SIGHUP) answers the dialog as Cancel does:
// nobody may be there to close it.
gboolean CancelOnStopSignal(gpointer dialog) {
    if (StopSignalReceived()) gtk_dialog_response(GTK_DIALOG(dialog), kCancelResponse);
    return G_SOURCE_CONTINUE;
}

bool IsChecked(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)); }

// The "Render scale" lines: Auto, 100 %, 75 %, 50 %, and the record's own
// fixed scale (from --scale) when it is none of these.
std::vector<RenderScale> ScaleChoices(const RenderScale& current) {
    std::vector<RenderScale> choices = {{true, 1.0f}, {false, 1.0f}, {false, 0.75f}, {false, 0.5f}};
    if (!current.automatic && current.value != 1.0f && current.value != 0.75f &&
        current.value != 0.5f)
        choices.push_back(current);
    return choices;
}

int ChoiceOf(const std::vector<RenderScale>& choices, const RenderScale& current) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].automatic == current.automatic &&
            (current.automatic || choices[i].value == current.value))
            return static_cast<int>(i);
    return 1;
}

// Lays the controls out like the original dialog: a centred banner, labels
// right-aligned to the left of their controls, "Run" at the bottom left and
// "Cancel" at the bottom right.
SettingsDialogWidgets BuildDialog(const DisplaySettings& settings, const ModeList& list,
                                  const std::vector<RenderScale>& scales) {
    SettingsDialogWidgets w{};
    w.dialog = gtk_dialog_new();
    GtkWindow* window = GTK_WINDOW(w.dialog);
    gtk_window_set_title(window, "Video setup");
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER);
    gtk_window_set_resizable(window, FALSE);
    gtk_window_set_default_size(window, 280, 180);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 14);
    gtk_container_set_border_width(GTK_CONTAINER(grid), 10);

    GtkWidget* banner = gtk_label_new("K I L N W O R K S");
    gtk_widget_set_halign(banner, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_bottom(banner, 6);
    gtk_grid_attach(GTK_GRID(grid), banner, 0, 0, 2, 1);

    w.resolution = gtk_combo_box_text_new();
    gtk_widget_set_size_request(w.resolution, 112, -1);
    gtk_widget_set_halign(w.resolution, GTK_ALIGN_START);
    for (const ModeListEntry& entry : list.entries) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.resolution), entry.line.c_str());
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.resolution), list.selected);

    w.fullscreen = CheckBox(!settings.windowed);
    // "Always on top" starts unchecked whatever the record holds.
    w.always_on_top = CheckBox(false);
    gtk_widget_set_sensitive(w.always_on_top, settings.windowed);
    w.vertical_sync = CheckBox(settings.vertical_sync);
    w.multisampling = CheckBox(settings.multisampling);
    g_signal_connect(w.fullscreen, "toggled", G_CALLBACK(OnFullscreenToggled), w.always_on_top);
    w.render_scale = gtk_combo_box_text_new();
    gtk_widget_set_halign(w.render_scale, GTK_ALIGN_START);
    for (const RenderScale& scale : scales) {
        char line[32];
        if (scale.automatic)
            snprintf(line, sizeof line, "Auto");
        else
            snprintf(line, sizeof line, "%.0f %%", scale.value * 100.0f);
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w.render_scale), line);
    }
    gtk_combo_box_set_active(GTK_COMBO_BOX(w.render_scale),
                             ChoiceOf(scales, settings.render_scale));

    const struct {
        const char* label;
        GtkWidget* control;
    } rows[] = {
        {"Resolution:", w.resolution},       {"Fullscreen:", w.fullscreen},
        {"Always on top:", w.always_on_top}, {"Vertical sync:", w.vertical_sync},
        {"Multisampling:", w.multisampling}, {"Render scale:", w.render_scale},
    };
    int row = 1;
    for (const auto& r : rows) {
        gtk_grid_attach(GTK_GRID(grid), RightAlignedLabel(r.label), 0, row, 1, 1);
        gtk_grid_attach(GTK_GRID(grid), r.control, 1, row, 1, 1);
        ++row;
    }

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_margin_top(buttons, 8);
    w.run = gtk_button_new_with_label("Run");
    w.cancel = gtk_button_new_with_label("Cancel");
    gtk_widget_set_size_request(w.run, 76, -1);
    gtk_widget_set_size_request(w.cancel, 76, -1);
    gtk_box_pack_start(GTK_BOX(buttons), w.run, FALSE, FALSE, 0);
    gtk_box_pack_end(GTK_BOX(buttons), w.cancel, FALSE, FALSE, 0);
    gtk_grid_attach(GTK_GRID(grid), buttons, 0, row, 2, 1);
    g_signal_connect(w.run, "clicked", G_CALLBACK(RespondRun), w.dialog);
    g_signal_connect(w.cancel, "clicked", G_CALLBACK(RespondCancel), w.dialog);

    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(w.dialog))), grid, TRUE, TRUE,
                       0);

    // "Run" is the default button and, as the first control, has the focus.
    gtk_widget_set_can_default(w.run, TRUE);
    gtk_window_set_default(window, w.run);
    gtk_widget_show_all(w.dialog);
    gtk_widget_grab_focus(w.run);
    return w;
}

void ReadChoices(const SettingsDialogWidgets& w, const ModeList& list,
                 const std::vector<RenderScale>& scales, DisplaySettings& settings) {
    const int selected = gtk_combo_box_get_active(GTK_COMBO_BOX(w.resolution));
    // Without a selection the record keeps its size.
    if (selected >= 0 && selected < static_cast<int>(list.entries.size())) {
        settings.width = list.entries[selected].width;
        settings.height = list.entries[selected].height;
    }
    settings.windowed = !IsChecked(w.fullscreen);
    settings.always_on_top = IsChecked(w.always_on_top);
    settings.vertical_sync = IsChecked(w.vertical_sync);
    settings.multisampling = IsChecked(w.multisampling);
    const int scale = gtk_combo_box_get_active(GTK_COMBO_BOX(w.render_scale));
    if (scale >= 0 && scale < static_cast<int>(scales.size()))
        settings.render_scale = scales[scale];
}

}  // namespace

int RunDisplaySettingsDialog(DisplaySettings& settings, const std::vector<DisplayMode>& modes,
                             const SettingsDialogHook& on_shown) {
    if (!StartGtk()) return kNoDialog;
    const ModeList list = BuildModeList(modes, settings.bits_per_pixel, settings.width,
                                        settings.height, settings.size_given);
    const std::vector<RenderScale> scales = ScaleChoices(settings.render_scale);
    const SettingsDialogWidgets widgets = BuildDialog(settings, list, scales);
    if (on_shown) on_shown(widgets);

    // Escape and the window's close button end the run loop with
    // GTK_RESPONSE_DELETE_EVENT: both count as "Cancel".
    const guint signal_watch = g_timeout_add(100, CancelOnStopSignal, widgets.dialog);
    const int response = gtk_dialog_run(GTK_DIALOG(widgets.dialog));
    g_source_remove(signal_watch);
    const int result = response == kRunResponse ? 1 : 0;
    if (result == 1) ReadChoices(widgets, list, scales, settings);

    gtk_widget_destroy(widgets.dialog);
    // Let the dialog leave the screen before the show's window opens.
    while (gtk_events_pending()) gtk_main_iteration();
    return result;
}

int ShowDisplaySettingsDialog(DisplaySettings& settings) {
    if (!StartGtk()) return kNoDialog;
    return RunDisplaySettingsDialog(settings, EnumerateDisplayModes());
}
