// The preview's display choices; see ViewOptions.h.
#include "app/gui/ViewOptions.h"

#include <QMenu>
#include <QPalette>

namespace orlenta {

namespace {

// Qt's colour in the painter's 0x00BBGGRR layout.
std::uint32_t painterColor(const QColor& c) {
    return static_cast<std::uint32_t>(c.blue()) << 16 | static_cast<std::uint32_t>(c.green()) << 8 |
           static_cast<std::uint32_t>(c.red());
}

// The marker stays in the background: a little over a third of the way to the text colour.
constexpr double OverlayWeight = 0.4;

QColor between(const QColor& from, const QColor& to, double t) {
    auto mix = [t](int a, int b) { return static_cast<int>(a + t * (b - a) + 0.5); };
    return QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                  mix(from.blue(), to.blue()));
}

} // namespace

TViewOptions::TViewOptions(QWidget& window, TVectorDisplay3D& preview)
    : ShowOriginAndExtent1("Show &Origin and Extent", &window),
      FollowDarkTheme1("Follow &Dark Theme", &window), preview(preview) {
    ShowOriginAndExtent1.setObjectName("ShowOriginAndExtent1");
    ShowOriginAndExtent1.setCheckable(true);
    ShowOriginAndExtent1.setChecked(true);
    FollowDarkTheme1.setObjectName("FollowDarkTheme1");
    FollowDarkTheme1.setCheckable(true);
    for (QAction* a : {&ShowOriginAndExtent1, &FollowDarkTheme1})
        QObject::connect(a, &QAction::toggled, &preview, [&preview] { preview.update(); });
}

void TViewOptions::AddTo(QMenu& view) {
    view.addSeparator();
    view.addAction(&ShowOriginAndExtent1);
    view.addAction(&FollowDarkTheme1);
}

void TViewOptions::Apply(TUnits units) {
    TPreviewOptions& o = preview.Painter().Options();
    o.OriginAndExtent = ShowOriginAndExtent1.isChecked();
    o.Units = units;
    const TPreviewOptions plain;
    if (FollowDarkTheme1.isChecked()) {
        const QPalette& p = preview.palette();
        const QColor base = p.color(QPalette::Base);
        const QColor text = p.color(QPalette::Text);
        o.Background = painterColor(base);
        o.Toolpaths = painterColor(text);
        o.Overlay = painterColor(between(base, text, OverlayWeight));
    } else {
        o.Background = plain.Background;
        o.Toolpaths = plain.Toolpaths;
        o.Overlay = plain.Overlay;
    }
}

} // namespace orlenta
