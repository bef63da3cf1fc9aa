// The toolbar button and its three textures.
#include "halvex/controls/gtk_controls.h"

#include <gtk/gtk.h>

#include <vector>

namespace halvex::controls {

namespace {

struct ButtonTextures {
    GdkTexture* hot;
    GdkTexture* normal;
    GdkTexture* disabled;
    bool pointerInside = false;
};

void freeTextures(gpointer data) {
    auto* textures = static_cast<ButtonTextures*>(data);
    g_object_unref(textures->hot);
    g_object_unref(textures->normal);
    g_object_unref(textures->disabled);
    delete textures;
}

void showState(GtkWidget* button) {
    auto* textures = static_cast<ButtonTextures*>(g_object_get_data(G_OBJECT(button), "halvex-textures"));
    GdkTexture* texture = !gtk_widget_get_sensitive(button) ? textures->disabled
                          : textures->pointerInside        ? textures->hot
                                                           : textures->normal;
    gtk_picture_set_paintable(GTK_PICTURE(gtk_button_get_child(GTK_BUTTON(button))), GDK_PAINTABLE(texture));
}

void setPointer(GtkEventControllerMotion* motion, bool inside) {
    GtkWidget* button = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(motion));
    static_cast<ButtonTextures*>(g_object_get_data(G_OBJECT(button), "halvex-textures"))->pointerInside = inside;
    showState(button);
}

}  // namespace

GdkTexture* makeMaskedTexture(const Bitmap& bitmap) {
    const std::vector<std::uint8_t> rgba = maskedRgba(bitmap);
    GBytes* bytes = g_bytes_new(rgba.data(), rgba.size());
    GdkTexture* texture = gdk_memory_texture_new(bitmap.width, bitmap.height, GDK_MEMORY_R8G8B8A8, bytes,
                                                 static_cast<gsize>(bitmap.width) * 4);
    g_bytes_unref(bytes);
    return texture;
}

GtkWidget* makeToolbarButton(const ToolbarImages& images, int index) {
    // Cut first: a missing image throws before anything is made.
    const Bitmap hot = toolbarImage(images.hot, index);
    const Bitmap normal = toolbarImage(images.normal, index);
    const Bitmap disabled = toolbarImage(images.disabled, index);
    auto* textures = new ButtonTextures{makeMaskedTexture(hot), makeMaskedTexture(normal), makeMaskedTexture(disabled)};
    GtkWidget* picture = gtk_picture_new();
    gtk_picture_set_can_shrink(GTK_PICTURE(picture), FALSE);
    GtkWidget* button = gtk_button_new();
    gtk_button_set_has_frame(GTK_BUTTON(button), FALSE);
    gtk_button_set_child(GTK_BUTTON(button), picture);
    g_object_set_data_full(G_OBJECT(button), "halvex-textures", textures, freeTextures);

    GtkEventController* motion = gtk_event_controller_motion_new();
    g_signal_connect(motion, "enter", G_CALLBACK(+[](GtkEventControllerMotion* m, double, double, gpointer) { setPointer(m, true); }), nullptr);
    g_signal_connect(motion, "leave", G_CALLBACK(+[](GtkEventControllerMotion* m, gpointer) { setPointer(m, false); }), nullptr);
    gtk_widget_add_controller(button, motion);
    g_signal_connect(button, "notify::sensitive", G_CALLBACK(+[](GtkWidget* b, GParamSpec*, gpointer) { showState(b); }), nullptr);
    showState(button);
    return button;
}

}  // namespace halvex::controls
