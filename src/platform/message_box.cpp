#include "platform/message_box.h"

#include <gtk/gtk.h>

bool ShowErrorMessageBox(const std::string& text) {
    if (!gtk_init_check(nullptr, nullptr)) return false;
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Error");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    // Let the box disappear from the screen before the process goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
