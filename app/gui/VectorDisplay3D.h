// The preview control: the paint event, the mouse's pan and zoom and the copy of the
// picture to the screen. What is drawn, and how the view is fitted, lives in the Qt-free
// preview/PreviewPainter.h. Shift+left drag and middle drag pan, Ctrl+left drag and the
// wheel zoom. The picture is drawn at the screen's device-pixel ratio, so it is sharp on a
// high-density screen; mouse positions are turned into the picture's pixels the same way.
#pragma once

#include "kernel/QuorvelTypes.h"
#include "layout/ViewBox.h"
#include "preview/PreviewPainter.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QPainter;

namespace orlenta {

// The picture in the screen's 32-bit layout, kept between paints: when it holds the
// surface's previous block from the same place, a paint converts only what changed since.
struct TScreenFrame {
    QImage Image;
    std::uint64_t Block = 0; // TSurfaceImage::Number of the block it holds; 0: none
    std::int32_t SrcX = 0;
    std::int32_t SrcY = 0;
};

class TVectorDisplay3D : public QWidget {
    Q_OBJECT

  public:
    explicit TVectorDisplay3D(QWidget* parent = nullptr);
    ~TVectorDisplay3D() override;

    // Fits the world window E into the control with the margins in pixels (same scale on
    // both axes, centred). A scale that is not positive changes nothing in the engine.
    void SetView(TViewBox E, std::int32_t MarginX, std::int32_t MarginY, bool Recentre);
    // Top view, zoom 1.
    void ResetView();
    // Follows the control's size: device size and viewport of the engine, and the view
    // fitted again as the last SetView asked for (same margins, centred, one scale).
    void Resize();
    // Paints synchronously and clears Busy.
    void Paint();
    // The View menu's commands: the fit of the last SetView again, and one zoom step about
    // the centre (an eighth of the window's extent off every side, or onto it).
    void FitView();
    void ZoomStep(bool in);

    void SetPenColor(std::uint32_t color);
    void SetLinePattern(std::uint32_t pattern);
    void MoveTo3D(double x, double y, double z);
    void LineTo3D(double x, double y, double z);
    void ClearSurface();
    // Copies the surface onto the control in one block; only during a paint.
    void ShowSurface();
    void SetCartesian();

    // The paint handler (the main window's); draws nothing when empty.
    std::function<void()> OnPaint;
    // Told the work-plane point under the mouse as it moves over the control; nothing when
    // the view cannot say.
    std::function<void(std::optional<std::pair<double, double>>)> OnCursor;
    // Shows the message of an error raised by a pan or zoom step, a refit or a paint.
    std::function<void(const QString&)> ShowException;

    // The device-pixel ratio the picture is drawn at: the screen's, or the one set here
    // (0 returns to the screen's). Setting one refits the view, as a resize does; tests
    // and pictures use it to draw as a high-density screen would.
    void SetPixelRatio(double ratio);
    double PixelRatio() const;
    // The picture as last copied to the screen, in device pixels, carrying its ratio (on
    // displays of 24 bits or more; others are drawn without it).
    const QImage& Frame() const { return frame.Image; }

    TPreviewPainter& Painter() { return *painter; }
    TPantoGraph& Graph() { return painter->Graph(); }
    const TViewWindow& View() const { return painter->View(); }
    bool Busy() const { return busy; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // The wheel zooms about the point under the mouse.
    void wheelEvent(QWheelEvent* event) override;

  private:
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int X, int Y);
    void reportError(const QString& text);
    // Reports an error raised inside an event handler after the handler has returned: a
    // message box from inside a paint would paint again. failed keeps a run of failures
    // (every paint, every step of a window drag) to one message.
    void reportLater(const std::exception& e, bool& failed);
    // The last SetView again, its margins at the current ratio.
    void setViewAtRatio();
    // The control's size in the picture's pixels.
    TControlSize controlSize() const;
    // A distance or position in control pixels, in the picture's pixels.
    double toDevice(double v) const { return v * PixelRatio(); }

    std::unique_ptr<TPreviewPainter> painter;
    std::int32_t LastX = 0;
    std::int32_t LastY = 0;
    bool busy = false;
    QPainter* screenPainter = nullptr; // the control's painter while a paint runs
    TScreenFrame frame;                // the picture in the screen's pixel layout
    struct TLastView {
        TViewWindow Window;
        std::int32_t MarginX = 0; // control pixels
        std::int32_t MarginY = 0;
        bool Recentre = true;
    };
    std::optional<TLastView> lastView; // for a change of ratio
    double ratioOverride = 0;          // SetPixelRatio's; 0 follows the screen
    double appliedRatio = 1;           // the ratio the engine was last sized for
    bool paintFailed = false;          // one message per run of failing paints
    bool refitFailed = false;          // one message per run of failing refits
};

// Copies the control-sized top-left block of the painter's surface to (0, 0) of screen in
// one image draw. frame is kept between paints (the 24-bit surface is turned into the
// screen's 32-bit layout there, only where it changed since the frame's block).
// width and height are in the surface's pixels; ratio is how many of them make one pixel of
// screenPainter's (the picture is drawn at width / ratio x height / ratio).
void CopySurface(TPreviewPainter& painter, QPainter& screenPainter, std::int32_t width,
                 std::int32_t height, TScreenFrame& frame, double ratio = 1);

} // namespace orlenta
