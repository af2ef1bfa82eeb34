// Shows the real settings dialog and prints how it ended, for tests that
// drive it with synthetic input under Xvfb.
//
//   settings-dialog-probe [--width N] [--height N] [--fullscreen 0|1]
//       [--always-on-top 0|1] [--vertical-sync 0|1] [--samples N]
//       [--anisotropy N] [--title TEXT] [--picture PATH]
//
// Once the dialog is on screen and drawn, it prints
//   window XID X Y W H              (root coordinates)
//   widget NAME X Y W H             (one per named widget, window coordinates)
//   choice NAME TEXT                (one per named drop-down list: its shown
//                                    entry, "-" when the box is blank)
//   ready
// and when the dialog ends
//   result run|cancel
//   width=.. height=.. fullscreen=.. alwaysOnTop=.. verticalSync=.. samples=.. anisotropy=..
// The exit code is always 0.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "application/SettingsDialog.h"

namespace {

bool gDrawn = false;
bool gReported = false;

void reportWidgets(GtkWidget* widget, gpointer toplevel) {
    const char* name = gtk_widget_get_name(widget);
    if (name && std::strncmp(name, "Gtk", 3) != 0 && gtk_widget_get_mapped(widget)) {
        int x = 0, y = 0;
        gtk_widget_translate_coordinates(widget, GTK_WIDGET(toplevel), 0, 0, &x, &y);
        GtkAllocation a;
        gtk_widget_get_allocation(widget, &a);
        std::printf("widget %s %d %d %d %d\n", name, x, y, a.width, a.height);
        if (GTK_IS_COMBO_BOX_TEXT(widget)) {
            gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(widget));
            std::printf("choice %s %s\n", name, text && *text ? text : "-");
            g_free(text);
        }
    }
    if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), reportWidgets, toplevel);
}

gboolean onDraw(GtkWidget*, cairo_t*, gpointer) {
    gDrawn = true;
    return FALSE;
}

gboolean reportWhenShown(gpointer) {
    if (gReported) return G_SOURCE_REMOVE;
    GList* tops = gtk_window_list_toplevels();
    for (GList* it = tops; it; it = it->next) {
        GtkWidget* w = GTK_WIDGET(it->data);
        if (!GTK_IS_DIALOG(w)) continue;
        if (!gtk_widget_get_mapped(w)) break;
        static bool hooked = false;
        if (!hooked) {
            hooked = true;
            g_signal_connect_after(w, "draw", G_CALLBACK(onDraw), nullptr);
            gtk_widget_queue_draw(w);
            break;
        }
        if (!gDrawn) break;
        GdkWindow* gw = gtk_widget_get_window(w);
        int x = 0, y = 0;
        gdk_window_get_origin(gw, &x, &y);
        std::printf("window %lu %d %d %d %d\n", static_cast<unsigned long>(gdk_x11_window_get_xid(gw)), x, y,
                    gdk_window_get_width(gw), gdk_window_get_height(gw));
        reportWidgets(w, w);
        std::printf("ready\n");
        std::fflush(stdout);
        gReported = true;
    }
    g_list_free(tops);
    return gReported ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    ember::ApplicationSettings s;
    s.title = "Quillmoor / Marrowgate";
    std::string picture = "data/loading/dialog.png";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        const char* value = argv[i + 1];
        if (key == "--width")
            s.width = std::atoi(value);
        else if (key == "--height")
            s.height = std::atoi(value);
        else if (key == "--fullscreen")
            s.fullscreen = std::atoi(value) != 0;
        else if (key == "--always-on-top")
            s.alwaysOnTop = std::atoi(value) != 0;
        else if (key == "--vertical-sync")
            s.verticalSync = std::atoi(value) != 0;
        else if (key == "--samples")
            s.samples = std::atoi(value);
        else if (key == "--anisotropy")
            s.anisotropy = std::atoi(value);
        else if (key == "--title")
            s.title = value;
        else if (key == "--picture")
            picture = value;
        else {
            std::fprintf(stderr, "unknown option %s\n", key.c_str());
            return 2;
        }
    }

    g_timeout_add(20, reportWhenShown, nullptr);
    const bool run = ember::showSettingsDialog(s, picture);
    std::printf("result %s\n", run ? "run" : "cancel");
    std::printf("width=%d height=%d fullscreen=%d alwaysOnTop=%d verticalSync=%d samples=%d anisotropy=%d\n",
                s.width, s.height, s.fullscreen, s.alwaysOnTop, s.verticalSync, s.samples, s.anisotropy);
    std::fflush(stdout);
    return 0;
}
