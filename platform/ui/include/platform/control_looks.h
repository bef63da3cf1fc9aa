// How the backends show a control of a class a module registered
// (platform/control_classes.h), given the look its procedure published.
// Free of the Windows headers, so the GTK side can read it too.
#pragma once

#include <memory>
#include <string>

typedef struct _GtkWidget GtkWidget;

namespace platform::ui {

struct ControlLook {
    // On the GTK thread: a widget for one control, and the look it is to
    // show now (null until the procedure publishes one).
    GtkWidget* (*makeWidget)();
    void (*show)(GtkWidget* widget, const std::shared_ptr<const void>& look);
    // The text the script backend's transcript gives the control.
    std::string (*describe)(const std::shared_ptr<const void>& look);
};

}  // namespace platform::ui
