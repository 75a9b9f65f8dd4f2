// The preview control: draws the toolpaths as a wireframe into an off-screen surface
// through the window/viewport engine and copies the finished picture in one block.
// Shift+left drag pans, Ctrl+left drag zooms.
#pragma once

#include "kernel/QuorvelTypes.h"
#include "layout/ViewBox.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

class QPainter;
class TPantoGraph;

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
    // Follows the control's size: device size and viewport of the engine.
    void Resize();
    // Paints synchronously and clears Busy.
    void Paint();

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
    // Shows the message of an error raised by a pan or zoom step or by a paint.
    std::function<void(const QString&)> ShowException;

    TPantoGraph& Graph() { return *graph; }
    const TViewBox& View() const { return view; }
    bool Busy() const { return busy; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int X, int Y);
    void reportError(const QString& text);

    std::unique_ptr<TPantoGraph> graph;
    TViewBox view;
    std::int32_t LastX = 0;
    std::int32_t LastY = 0;
    bool busy = false;
    QPainter* painter = nullptr; // the control's painter while a paint runs
    QImage frame;                // the picture in the screen's pixel layout
    bool paintFailed = false;    // one message per run of failing paints
};

// Draws toolpaths 1 to the last as the preview shows them: blue, a dashed rapid move at
// the clearance plane where a toolpath starts with one, otherwise a solid link from the end
// of the previous toolpath (the first starts from the origin).
void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths);

// Copies the top-left width x height block of the engine's surface to (0, 0) of painter in
// one image draw. frame is scratch space kept between paints (the 24-bit surface is turned
// into the screen's 32-bit layout there).
void CopySurface(TPantoGraph& graph, QPainter& painter, std::int32_t width, std::int32_t height,
                 QImage& frame);
