// The preview control; see VectorDisplay3D.h.
#include "app/gui/VectorDisplay3D.h"

#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"
#include "preview/PantoGraph.h"

#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <exception>

namespace {

constexpr std::uint32_t ToolpathColor = 0xFF0000; // blue, 0x00BBGGRR
constexpr std::uint32_t BackgroundColor = 0xFFFFFF;
constexpr std::uint32_t DashedPattern = 0xEAEAEAEA;
constexpr std::uint32_t SolidPattern = 0xFFFFFFFF;

QImage::Format qtFormat(std::uint8_t format) {
    switch (format) {
    case 2:
        return QImage::Format_Indexed8;
    case 3:
        return QImage::Format_RGB555;
    case 4:
        return QImage::Format_RGB16;
    default:
        return QImage::Format_BGR888;
    }
}

// Hands the surface's block to a QPainter in one image draw. The 24-bit surface (every
// display of 24 bits or more) is turned into the screen's own 32-bit layout in one pass that
// also flips its bottom-up rows: Qt's generic conversion of a flipped 24-bit image costs
// three times as much. Other formats are wrapped without copying and drawn through a flip.
class TPainterSink : public TSurfaceSink {
  public:
    TPainterSink(QPainter& p, QImage& f) : painter(p), frame(f) {}
    void CopyBlock(const TSurfaceImage& image, std::int32_t srcX, std::int32_t srcY,
                   std::int32_t width, std::int32_t height) override {
        if (width <= 0 || height <= 0)
            return;
        if (image.Format == 5) {
            if (frame.width() < width || frame.height() < height)
                frame = QImage(width, height, QImage::Format_RGB32);
            for (std::int32_t y = 0; y < height; ++y) {
                const std::uint8_t* src =
                    image.TopRow + std::ptrdiff_t(srcY + y) * image.RowBytes + srcX * 3;
                auto* dst = reinterpret_cast<QRgb*>(frame.scanLine(y));
                for (std::int32_t x = 0; x < width; ++x, src += 3)
                    dst[x] = 0xFF000000u | (QRgb(src[2]) << 16) | (QRgb(src[1]) << 8) | src[0];
            }
            painter.drawImage(QPoint(0, 0), frame, QRect(0, 0, width, height));
            return;
        }
        QImage wrapped(image.Bits, image.Width, image.Height, image.BytesPerLine,
                       qtFormat(image.Format));
        if (image.Format == 2 && image.Palette) {
            QList<QRgb> table;
            for (int i = 0; i < image.Palette->NumEntries; ++i) {
                const TPaletteEntry& e = image.Palette->Entries[i];
                table.append(qRgb(e.Red, e.Green, e.Blue));
            }
            wrapped.setColorTable(table);
        }
        // Picture row y is line (Height - 1 - y) of the wrapped image; the flip maps painter
        // y to device Height - y.
        painter.save();
        painter.setTransform(QTransform(1, 0, 0, -1, 0, height), true);
        painter.drawImage(QRect(0, 0, width, height), wrapped,
                          QRect(srcX, image.Height - srcY - height, width, height));
        painter.restore();
    }

  private:
    QPainter& painter;
    QImage& frame;
};

} // namespace

void DrawToolpaths(TPantoGraph& graph, const TOutRegionArray& toolpaths) {
    TDIBUltra* surface = graph.Surface();
    if (!surface)
        return;
    double px = 0, py = 0, pz = 0; // where the previous toolpath ended
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TVKOutRegion& t = toolpaths[i];
        const double z = -t.Depth;
        surface->SetPenColor(ToolpathColor);
        graph.MoveTo(Vector3D(px, py, pz));
        const TPoint2 s = ToolpathStart(t);
        if (t.RapidStart >= 1 && t.RapidStart <= 4) {
            surface->SetLinePattern(DashedPattern);
            graph.LineTo(Vector3D(px, py, -t.Clearance));
            graph.LineTo(Vector3D(s.x, s.y, -t.Clearance));
        }
        surface->SetLinePattern(SolidPattern);
        graph.LineTo(Vector3D(s.x, s.y, z));
        // Segments of a contour join end to start; moving the pen to where the last line
        // left it changes nothing, so that transform is skipped.
        double penX = s.x, penY = s.y;
        for (const TMyEntity& e : t.Entities) {
            if (e.X1 != penX || e.Y1 != penY)
                graph.MoveTo(Vector3D(e.X1, e.Y1, z));
            graph.LineTo(Vector3D(e.X2, e.Y2, z));
            penX = e.X2;
            penY = e.Y2;
        }
        const TPoint2 end = ToolpathEnd(t);
        px = end.x;
        py = end.y;
        pz = z;
    }
}

void CopySurface(TPantoGraph& graph, QPainter& painter, std::int32_t width, std::int32_t height,
                 QImage& frame) {
    TDIBUltra* surface = graph.Surface();
    if (!surface)
        return;
    // The size goes through 16 bits, as the surface takes it.
    const auto w = static_cast<std::uint16_t>(width);
    const auto h = static_cast<std::uint16_t>(height);
    surface->SetSize(w, h);
    TPainterSink sink(painter, frame);
    surface->Draw(TRect{0, 0, w, h}, sink, 0, 0);
}

TVectorDisplay3D::TVectorDisplay3D(QWidget* parent)
    : QWidget(parent), graph(std::make_unique<TPantoGraph>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the last position follows the mouse without buttons too
    setMinimumSize(16, 16);
    ShowException = [this](const QString& text) {
        QMessageBox::critical(this, QGuiApplication::applicationName(), text);
    };

    // The surface is as large as the screen, so a resized control never needs a new one.
    int screenW = 1024, screenH = 768, depth = 24;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        screenW = screen->size().width();
        screenH = screen->size().height();
        depth = screen->depth();
    }
    view = TViewBox{-100, 100, -100, 100};
    graph->SetPolar(1);
    graph->CreateSurface(screenW, screenH, depth);
    graph->Surface()->ExcludeLastPixel = true;
    graph->Surface()->SetBrushColor(BackgroundColor);
    graph->ViewWidth = 2.0;
    graph->ViewHeight = 2.0;
    graph->Zoom = 1.0;
    graph->Azimuth = 0;
    graph->Elevation = 90;
    graph->RefZ = 0;
    SetView(view, 20, 20, true);
    ResetView();
    LastX = 0;
    LastY = 0;
}

TVectorDisplay3D::~TVectorDisplay3D() = default;

void TVectorDisplay3D::SetView(TViewBox E, std::int32_t MarginX, std::int32_t MarginY,
                               bool Recentre) {
    view = E;
    const double w = width() - 2.0 * MarginX;
    const double h = height() - 2.0 * MarginY;
    const double sx = view.MaxX == view.MinX ? 1.0 : w / (view.MaxX - view.MinX);
    const double sy = view.MaxY == view.MinY ? 1.0 : h / (view.MaxY - view.MinY);
    const double s = sx >= sy ? sy : sx;
    // Also catches NaN: a window that cannot be shown leaves the engine as it was.
    if (!(s > 0))
        return;
    const double cx = view.MinX + (view.MaxX - view.MinX) / 2;
    const double cy = view.MinY + (view.MaxY - view.MinY) / 2;
    view.MinX = cx - (width() / 2.0) / s;
    view.MaxX = cx + (width() / 2.0) / s;
    view.MinY = cy - (height() / 2.0) / s;
    view.MaxY = cy + (height() / 2.0) / s;
    graph->SetWindow(Recentre, view.MinX, view.MaxX, view.MinY, view.MaxY, view.Reserved3);
    graph->SetViewport(0, 1, 0, 1);
    graph->UpdateView();
}

void TVectorDisplay3D::ResetView() {
    graph->Zoom = 1.0;
    graph->Azimuth = 0;
    graph->Elevation = 90;
    graph->UpdateView();
}

void TVectorDisplay3D::Resize() {
    graph->DeviceWidth = width();
    graph->DeviceHeight = height();
    graph->SetViewport(0, 1, 0, 1);
    // Narrow (or grow) the drawable area now rather than after the next drawing, so a
    // control larger than the screen never shows a freshly rebuilt, empty buffer.
    if (TDIBUltra* surface = graph->Surface())
        surface->SetSize(static_cast<std::uint16_t>(width()), static_cast<std::uint16_t>(height()));
}

void TVectorDisplay3D::Paint() {
    repaint();
}

void TVectorDisplay3D::SetPenColor(std::uint32_t color) {
    if (TDIBUltra* surface = graph->Surface())
        surface->SetPenColor(color);
}

void TVectorDisplay3D::SetLinePattern(std::uint32_t pattern) {
    if (TDIBUltra* surface = graph->Surface())
        surface->SetLinePattern(pattern);
}

void TVectorDisplay3D::MoveTo3D(double x, double y, double z) {
    graph->MoveTo(Vector3D(x, y, z));
}

void TVectorDisplay3D::LineTo3D(double x, double y, double z) {
    graph->LineTo(Vector3D(x, y, z));
}

void TVectorDisplay3D::ClearSurface() {
    if (TDIBUltra* surface = graph->Surface())
        surface->Clear();
}

void TVectorDisplay3D::ShowSurface() {
    if (painter)
        CopySurface(*graph, *painter, width(), height(), frame);
}

void TVectorDisplay3D::SetCartesian() {
    graph->SetPolar(0);
}

void TVectorDisplay3D::paintEvent(QPaintEvent*) {
    QPainter p(this);
    painter = &p;
    try {
        if (OnPaint)
            OnPaint();
        else {
            ClearSurface();
            ShowSurface();
        }
        paintFailed = false;
    } catch (const std::exception& e) {
        p.fillRect(rect(), Qt::white);
        // A message box from inside a paint would paint again; show it afterwards, once.
        if (!paintFailed) {
            paintFailed = true;
            const QString text = QString::fromStdString(e.what());
            QTimer::singleShot(0, this, [this, text] { reportError(text); });
        }
    }
    painter = nullptr;
    busy = false;
}

void TVectorDisplay3D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Resize();
}

void TVectorDisplay3D::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseMove(event->buttons(), event->modifiers(), pos.x(), pos.y());
    QWidget::mouseMoveEvent(event);
}

void TVectorDisplay3D::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int X,
                                 int Y) {
    const bool left = buttons == Qt::LeftButton;
    const Qt::KeyboardModifiers keys =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    try {
        if (left && keys == Qt::ShiftModifier) {
            double dX = X - LastX;
            double dY = Y - LastY;
            if (!busy) {
                busy = true;
                ProcessMessages();
                dX /= graph->ScaleX();
                dY /= graph->ScaleY();
                view.MinX -= dX;
                view.MaxX -= dX;
                view.MinY += dY;
                view.MaxY += dY;
                SetView(view, 0, 0, false);
                Paint();
            }
        } else if (left && keys == Qt::ControlModifier) {
            const double dY = Y - LastY;
            if (!busy) {
                busy = true;
                ProcessMessages();
                double x0, x1, y0, y1;
                graph->GetWindow(x0, x1, y0, y1);
                double screenH = 768;
                if (const QScreen* s = screen())
                    screenH = s->size().height();
                const double k = -4 * dY / screenH;
                view.MinX = x0 + (x1 - x0) * k;
                view.MaxX = x1 - (x1 - x0) * k;
                view.MinY = y0 + (y1 - y0) * k;
                view.MaxY = y1 - (y1 - y0) * k;
                SetView(view, 0, 0, true);
                Paint();
            }
        }
    } catch (const std::exception& e) {
        // The step ended without its paint; let the next one start.
        busy = false;
        reportError(QString::fromStdString(e.what()));
    }
    LastX = X;
    LastY = Y;
}

void TVectorDisplay3D::reportError(const QString& text) {
    if (ShowException)
        ShowException(text);
}
