#include "platform/message_box.h"

#include <gtk/gtk.h>

bool ShowErrorMessageBox(const std::string& text) {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    // Messages can quote file contents (a shader that is not text): GTK shows
    // only valid UTF-8, so invalid bytes become replacement characters.
    gchar* shown = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                            GTK_BUTTONS_OK, "%s", shown);
    g_free(shown);
    gtk_window_set_title(GTK_WINDOW(box), "Error");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    // Let the box disappear from the screen before the process goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
