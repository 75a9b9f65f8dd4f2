// The View menu's display choices for the preview: the origin marker with the size box, and
// the colours of a dark theme. They change how the picture looks, never what Create builds.
#pragma once

#include "app/gui/VectorDisplay3D.h"
#include "kernel/MachineSettings.h"

#include <QAction>

class QMenu;

namespace orlenta {

class TViewOptions {
  public:
    // The actions belong to window (found by their object names); preview is repainted when
    // one is toggled.
    TViewOptions(QWidget& window, TVectorDisplay3D& preview);

    // "Show Origin and Extent" (on) and "Follow Dark Theme" (off), after a separator.
    void AddTo(QMenu& view);
    // Sets the painter's options for the next picture: the choices, the size's unit, and
    // with Follow Dark Theme the preview's palette (background Base, toolpaths Text, the
    // marker between the two); without it the plain colours.
    void Apply(TUnits units);

    QAction ShowOriginAndExtent1;
    QAction FollowDarkTheme1;

  private:
    TVectorDisplay3D& preview;
};

} // namespace orlenta
