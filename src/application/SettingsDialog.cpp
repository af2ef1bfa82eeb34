#include "application/SettingsDialog.h"

#include <SDL.h>
#include <gtk/gtk.h>

#include <cmath>

#include "application/Logger.h"

namespace ember {

namespace {

const char* kSource = "src/application/SettingsDialog";

// Widgets the handlers update, with the model they edit.
struct DialogView {
    SettingsDialogModel* model = nullptr;
    GtkWidget* alwaysOnTop = nullptr;
    GtkWidget* multisamplingValue = nullptr;
    GtkWidget* anisotropyValue = nullptr;
    bool updating = false;
};

void onResolutionChanged(GtkComboBox* combo, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    view->model->selectResolution(gtk_combo_box_get_active(combo));
}

void syncAlwaysOnTop(DialogView* view) {
    view->updating = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(view->alwaysOnTop), view->model->alwaysOnTop());
    gtk_widget_set_sensitive(view->alwaysOnTop, view->model->alwaysOnTopEnabled());
    view->updating = false;
}

void onFullscreenToggled(GtkToggleButton* box, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    view->model->setFullscreen(gtk_toggle_button_get_active(box));
    syncAlwaysOnTop(view);
}

void onAlwaysOnTopToggled(GtkToggleButton* box, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    if (view->updating) return;
    view->model->setAlwaysOnTop(gtk_toggle_button_get_active(box));
    syncAlwaysOnTop(view);
}

void onVerticalSyncToggled(GtkToggleButton* box, gpointer data) {
    static_cast<DialogView*>(data)->model->setVerticalSync(gtk_toggle_button_get_active(box));
}

int sliderPosition(GtkRange* range) {
    return static_cast<int>(std::lround(gtk_range_get_value(range)));
}

void onMultisamplingMoved(GtkRange* range, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    view->model->setMultisamplingPosition(sliderPosition(range));
    gtk_label_set_text(GTK_LABEL(view->multisamplingValue), view->model->multisamplingLabel().c_str());
}

void onAnisotropyMoved(GtkRange* range, gpointer data) {
    auto* view = static_cast<DialogView*>(data);
    view->model->setAnisotropyPosition(sliderPosition(range));
    gtk_label_set_text(GTK_LABEL(view->anisotropyValue), view->model->anisotropyLabel().c_str());
}

GtkWidget* rowLabel(const char* text) {
    GtkWidget* label = gtk_label_new(text);
    gtk_label_set_xalign(GTK_LABEL(label), 1.0f);
    return label;
}

GtkWidget* checkBox(const char* name, bool active, bool enabled) {
    GtkWidget* box = gtk_check_button_new();
    gtk_widget_set_name(box, name);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), active);
    gtk_widget_set_sensitive(box, enabled);
    gtk_widget_set_halign(box, GTK_ALIGN_START);
    return box;
}

GtkWidget* slider(const char* name, bool enabled) {
    GtkWidget* scale =
        gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, SettingsDialogModel::sliderMaximum, 1);
    gtk_widget_set_name(scale, name);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    gtk_range_set_round_digits(GTK_RANGE(scale), 0);
    gtk_range_set_increments(GTK_RANGE(scale), 1, 1);
    for (int p = 0; p <= SettingsDialogModel::sliderMaximum; ++p)
        gtk_scale_add_mark(GTK_SCALE(scale), p, GTK_POS_BOTTOM, nullptr);
    gtk_range_set_value(GTK_RANGE(scale), 0);
    gtk_widget_set_sensitive(scale, enabled);
    gtk_widget_set_hexpand(scale, TRUE);
    gtk_widget_set_size_request(scale, 120, -1);
    return scale;
}

GtkWidget* valueLabel(const char* name, const std::string& text) {
    GtkWidget* label = gtk_label_new(text.c_str());
    gtk_widget_set_name(label, name);
    gtk_label_set_xalign(GTK_LABEL(label), 1.0f);
    gtk_label_set_width_chars(GTK_LABEL(label), 3);
    // Shown greyed like the read-only value it is.
    gtk_widget_set_sensitive(label, FALSE);
    return label;
}

GtkWidget* picture(const std::string& path) {
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file_at_scale(path.c_str(), SettingsDialog::pictureWidth,
                                                          SettingsDialog::pictureHeight, FALSE, &error);
    GtkWidget* frame = gtk_frame_new(nullptr);
    gtk_widget_set_name(frame, "picture");
    gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
    gtk_widget_set_valign(frame, GTK_ALIGN_START);
    if (pixbuf) {
        gtk_container_add(GTK_CONTAINER(frame), gtk_image_new_from_pixbuf(pixbuf));
        g_object_unref(pixbuf);
    } else {
        Logger::instance().writeLocated(kSource, "SettingsDialog::show", __LINE__,
                                        "No dialog picture: " + std::string(error ? error->message : path));
        if (error) g_error_free(error);
        GtkWidget* empty = gtk_drawing_area_new();
        gtk_widget_set_size_request(empty, SettingsDialog::pictureWidth, SettingsDialog::pictureHeight);
        gtk_container_add(GTK_CONTAINER(frame), empty);
    }
    return frame;
}

// Lets GTK finish unmapping and destroying the dialog before the caller
// creates its own window.
void drainEvents() {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

}  // namespace

std::vector<DisplayMode> SettingsDialog::primaryDisplayModes() {
    std::vector<DisplayMode> modes;
    const bool started = SDL_WasInit(SDL_INIT_VIDEO) == 0;
    if (started && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        Logger::instance().writeLocated(kSource, "SettingsDialog::primaryDisplayModes", __LINE__,
                                        std::string("SDL video unavailable: ") + SDL_GetError());
        return modes;
    }
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0) break;
        DisplayMode mode;
        mode.width = m.w;
        mode.height = m.h;
        mode.bitsPerPixel = static_cast<int32_t>(SDL_BITSPERPIXEL(m.format));
        mode.bytesPerPixel = static_cast<int32_t>(SDL_BYTESPERPIXEL(m.format));
        mode.refreshRate = m.refresh_rate;
        modes.push_back(mode);
    }
    if (started) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return modes;
}

bool SettingsDialog::show(ApplicationSettings& settings, const std::string& picturePath) {
    if (!gtk_init_check(nullptr, nullptr)) {
        Logger::instance().writeLocated(
            kSource, "SettingsDialog::show", __LINE__,
            "No display for the settings dialog; starting with the pre-filled settings");
        return true;
    }

    SettingsDialogModel model(settings, primaryDisplayModes());
    DialogView view;
    view.model = &model;

    GtkWidget* dialog = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(dialog), model.title().c_str());
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_container_set_border_width(GTK_CONTAINER(dialog), 6);

    GtkWidget* run = gtk_dialog_add_button(GTK_DIALOG(dialog), "Run", GTK_RESPONSE_OK);
    GtkWidget* cancel = gtk_dialog_add_button(GTK_DIALOG(dialog), "Cancel", GTK_RESPONSE_CANCEL);
    gtk_widget_set_name(run, "run");
    gtk_style_context_add_class(gtk_widget_get_style_context(run), GTK_STYLE_CLASS_SUGGESTED_ACTION);
    gtk_widget_set_name(cancel, "cancel");
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);

    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), 6);
    gtk_grid_set_column_spacing(GTK_GRID(grid), 8);
    gtk_widget_set_valign(grid, GTK_ALIGN_START);

    GtkWidget* resolution = gtk_combo_box_text_new();
    gtk_widget_set_name(resolution, "resolution");
    for (const SettingsDialogModel::Resolution& r : model.resolutions())
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(resolution),
                                       SettingsDialogModel::resolutionLabel(r).c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(resolution), model.selectedResolution());
    gtk_widget_set_sensitive(resolution, !model.resolutions().empty());

    GtkWidget* fullscreen = checkBox("fullscreen", model.fullscreen(), true);
    view.alwaysOnTop = checkBox("always-on-top", model.alwaysOnTop(), model.alwaysOnTopEnabled());
    GtkWidget* verticalSync = checkBox("vertical-sync", model.verticalSync(), true);
    GtkWidget* multisampling = slider("multisampling", model.multisamplingEnabled());
    GtkWidget* anisotropy = slider("anisotropy", model.anisotropyEnabled());
    view.multisamplingValue = valueLabel("multisampling-value", model.multisamplingLabel());
    view.anisotropyValue = valueLabel("anisotropy-value", model.anisotropyLabel());

    gtk_grid_attach(GTK_GRID(grid), rowLabel("Resolution:"), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), resolution, 1, 0, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), rowLabel("Fullscreen:"), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), fullscreen, 1, 1, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), rowLabel("Always on top:"), 0, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), view.alwaysOnTop, 1, 2, 2, 1);
    gtk_grid_attach(GTK_GRID(grid), rowLabel("Vertical sync:"), 0, 3, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), verticalSync, 1, 3, 2, 1);
    GtkWidget* multisamplingLabel = rowLabel("Multisampling:");
    GtkWidget* anisotropyLabel = rowLabel("Anisotropic:");
    gtk_widget_set_sensitive(multisamplingLabel, model.multisamplingEnabled());
    gtk_widget_set_sensitive(anisotropyLabel, model.anisotropyEnabled());
    gtk_grid_attach(GTK_GRID(grid), multisamplingLabel, 0, 4, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), multisampling, 1, 4, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), view.multisamplingValue, 2, 4, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), anisotropyLabel, 0, 5, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), anisotropy, 1, 5, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), view.anisotropyValue, 2, 5, 1, 1);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
    gtk_container_set_border_width(GTK_CONTAINER(row), 6);
    gtk_box_pack_start(GTK_BOX(row), picture(picturePath), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), grid, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), row, TRUE, TRUE, 0);

    g_signal_connect(resolution, "changed", G_CALLBACK(onResolutionChanged), &view);
    g_signal_connect(fullscreen, "toggled", G_CALLBACK(onFullscreenToggled), &view);
    g_signal_connect(view.alwaysOnTop, "toggled", G_CALLBACK(onAlwaysOnTopToggled), &view);
    g_signal_connect(verticalSync, "toggled", G_CALLBACK(onVerticalSyncToggled), &view);
    g_signal_connect(multisampling, "value-changed", G_CALLBACK(onMultisamplingMoved), &view);
    g_signal_connect(anisotropy, "value-changed", G_CALLBACK(onAnisotropyMoved), &view);

    gtk_widget_show_all(dialog);
    gtk_widget_grab_focus(run);
    // Held across the run: the dialog may be destroyed from outside while it runs.
    g_object_ref(dialog);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    g_object_unref(dialog);
    drainEvents();

    if (response != GTK_RESPONSE_OK) return false;
    model.apply(settings);
    return true;
}

}  // namespace ember
