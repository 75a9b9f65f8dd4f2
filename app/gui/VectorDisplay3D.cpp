// The preview control; see VectorDisplay3D.h.
#include "app/gui/VectorDisplay3D.h"

#include "kernel/Hooks.h"

#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

namespace orlenta {

namespace {

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

// Turns rows top .. bottom, columns left .. right of the 24-bit block at (srcX, srcY) into
// the frame's 32-bit pixels (0xFFRRGGBB), flipping the surface's bottom-up rows. Each pixel is
// read as four bytes, the fourth masked off; the block's last pixel is read byte by byte, as
// it may end the buffer.
void ConvertRows(const TSurfaceImage& image, std::int32_t srcX, std::int32_t srcY, QImage& frame,
                 std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
    for (std::int32_t y = top; y <= bottom; ++y) {
        const std::uint8_t* src =
            image.TopRow + std::ptrdiff_t(srcY + y) * image.RowBytes + std::ptrdiff_t(srcX) * 3;
        auto* dst = reinterpret_cast<QRgb*>(frame.scanLine(y));
        std::int32_t x = left;
        for (; x < right; ++x) {
            std::uint32_t v;
            std::memcpy(&v, src + std::ptrdiff_t(x) * 3, 4);
            dst[x] = 0xFF000000u | (v & 0xFFFFFFu);
        }
        const std::uint8_t* p = src + std::ptrdiff_t(x) * 3;
        dst[x] = 0xFF000000u | (QRgb(p[2]) << 16) | (QRgb(p[1]) << 8) | p[0];
    }
}

// Hands the surface's block to a QPainter in one image draw. The 24-bit surface (every
// display of 24 bits or more) is turned into the screen's own 32-bit layout in the frame,
// which is then drawn unscaled: Qt's generic conversion of a flipped 24-bit image costs
// three times as much. Other formats are wrapped without copying and drawn through a flip.
class TPainterSink : public TSurfaceSink {
  public:
    TPainterSink(QPainter& p, TScreenFrame& f, double r) : painter(p), frame(f), ratio(r) {}
    void CopyBlock(const TSurfaceImage& image, std::int32_t srcX, std::int32_t srcY,
                   std::int32_t width, std::int32_t height) override {
        if (width <= 0 || height <= 0)
            return;
        if (image.Format == 5) {
            // Exactly the block's size, so that the frame is the picture (see Frame()).
            const bool same = frame.Block != 0 && frame.Block == image.Previous &&
                              frame.SrcX == srcX && frame.SrcY == srcY &&
                              frame.Image.width() == width && frame.Image.height() == height;
            if (frame.Image.width() != width || frame.Image.height() != height)
                frame.Image = QImage(width, height, QImage::Format_RGB32);
            frame.Image.setDevicePixelRatio(ratio);
            // The part of the block that changed, in the frame's pixels.
            std::int32_t left = 0, top = 0, right = width - 1, bottom = height - 1;
            if (same) {
                left = std::max(left, image.Changed.Left - srcX);
                top = std::max(top, image.Changed.Top - srcY);
                right = std::min(right, image.Changed.Right - srcX);
                bottom = std::min(bottom, image.Changed.Bottom - srcY);
            }
            if (left <= right && top <= bottom)
                ConvertRows(image, srcX, srcY, frame.Image, left, top, right, bottom);
            frame.Block = image.Number;
            frame.SrcX = srcX;
            frame.SrcY = srcY;
            painter.drawImage(QRectF(0, 0, width / ratio, height / ratio), frame.Image,
                              QRectF(0, 0, width, height));
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
        painter.setTransform(QTransform(1, 0, 0, -1, 0, height / ratio), true);
        painter.drawImage(QRectF(0, 0, width / ratio, height / ratio), wrapped,
                          QRect(srcX, image.Height - srcY - height, width, height));
        painter.restore();
    }

  private:
    QPainter& painter;
    TScreenFrame& frame;
    double ratio;
};

} // namespace

void CopySurface(TPreviewPainter& painter, QPainter& screenPainter, std::int32_t width,
                 std::int32_t height, TScreenFrame& frame, double ratio) {
    TPainterSink sink(screenPainter, frame, ratio);
    painter.ShowSurface(sink, TControlSize{width, height});
}

TVectorDisplay3D::TVectorDisplay3D(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true); // the last position follows the mouse without buttons too
    setMinimumSize(16, 16);
    ShowException = [this](const QString& text) {
        QMessageBox::critical(this, QGuiApplication::applicationName(), text);
    };

    // The surface is as large as the screen, so a resized control never needs a new one.
    // In device pixels: the picture is drawn at the screen's ratio.
    int screenW = 1024, screenH = 768, depth = 24;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screenW = static_cast<int>(std::lround(s->size().width() * s->devicePixelRatio()));
        screenH = static_cast<int>(std::lround(s->size().height() * s->devicePixelRatio()));
        depth = s->depth();
    }
    painter = std::make_unique<TPreviewPainter>(screenW, screenH, depth, controlSize());
    LastX = 0;
    LastY = 0;
}

TVectorDisplay3D::~TVectorDisplay3D() = default;

TControlSize TVectorDisplay3D::controlSize() const {
    return TControlSize{static_cast<std::int32_t>(std::lround(toDevice(width()))),
                        static_cast<std::int32_t>(std::lround(toDevice(height())))};
}

double TVectorDisplay3D::PixelRatio() const {
    return ratioOverride > 0 ? ratioOverride : devicePixelRatioF();
}

void TVectorDisplay3D::SetPixelRatio(double ratio) {
    ratioOverride = ratio > 0 && std::isfinite(ratio) ? ratio : 0;
    Resize();
}

void TVectorDisplay3D::SetView(TViewBox E, std::int32_t MarginX, std::int32_t MarginY,
                               bool Recentre) {
    lastView = TLastView{TViewWindow{E.MinX, E.MaxX, E.MinY, E.MaxY, E.Reserved3}, MarginX, MarginY,
                         Recentre};
    setViewAtRatio();
}

void TVectorDisplay3D::setViewAtRatio() {
    // The margins are screen pixels, as the control's size is.
    if (lastView)
        painter->SetView(lastView->Window,
                         static_cast<std::int32_t>(std::lround(toDevice(lastView->MarginX))),
                         static_cast<std::int32_t>(std::lround(toDevice(lastView->MarginY))),
                         lastView->Recentre, controlSize());
}

void TVectorDisplay3D::ResetView() {
    painter->ResetView();
}

void TVectorDisplay3D::Resize() {
    const bool newRatio = PixelRatio() != appliedRatio;
    appliedRatio = PixelRatio();
    painter->Options().PixelScale = std::max(1, static_cast<int>(std::lround(appliedRatio)));
    painter->Resize(controlSize());
    // The margins of the last fit, in the picture's pixels, change with the ratio.
    if (newRatio)
        setViewAtRatio();
}

void TVectorDisplay3D::Paint() {
    repaint();
}

void TVectorDisplay3D::SetPenColor(std::uint32_t color) {
    painter->SetPenColor(color);
}

void TVectorDisplay3D::SetLinePattern(std::uint32_t pattern) {
    painter->SetLinePattern(pattern);
}

void TVectorDisplay3D::MoveTo3D(double x, double y, double z) {
    painter->MoveTo3D(x, y, z);
}

void TVectorDisplay3D::LineTo3D(double x, double y, double z) {
    painter->LineTo3D(x, y, z);
}

void TVectorDisplay3D::ClearSurface() {
    painter->ClearSurface();
}

void TVectorDisplay3D::ShowSurface() {
    if (screenPainter) {
        const TControlSize size = controlSize();
        CopySurface(*painter, *screenPainter, size.Width, size.Height, frame, PixelRatio());
    }
}

void TVectorDisplay3D::SetCartesian() {
    painter->SetCartesian();
}

void TVectorDisplay3D::paintEvent(QPaintEvent*) {
    QPainter p(this);
    screenPainter = &p;
    try {
        // Moved to a screen of another density: the engine follows, as after a resize.
        if (PixelRatio() != appliedRatio)
            Resize();
        if (OnPaint)
            OnPaint();
        else {
            ClearSurface();
            ShowSurface();
        }
        paintFailed = false;
    } catch (const std::exception& e) {
        const std::uint32_t bg = painter->Options().Background; // 0x00BBGGRR
        p.fillRect(rect(), QColor(bg & 0xFF, (bg >> 8) & 0xFF, (bg >> 16) & 0xFF));
        reportLater(e, paintFailed);
    }
    screenPainter = nullptr;
    busy = false;
}

void TVectorDisplay3D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    try {
        Resize();
        refitFailed = false;
    } catch (const std::exception& e) {
        reportLater(e, refitFailed);
    }
}

void TVectorDisplay3D::FitView() {
    try {
        painter->Refit(controlSize());
        Paint();
    } catch (const std::exception& e) {
        reportError(QString::fromStdString(e.what()));
    }
}

void TVectorDisplay3D::ZoomStep(bool in) {
    // A zoom step of the mouse moves each side by 4 / ZoomScale of the extent per pixel.
    constexpr double ZoomScale = 32;
    try {
        painter->Zoom(in ? -1 : 1, ZoomScale, controlSize());
        Paint();
    } catch (const std::exception& e) {
        reportError(QString::fromStdString(e.what()));
    }
}

void TVectorDisplay3D::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) {
        QWidget::wheelEvent(event);
        return;
    }
    const QPointF at = event->position();
    try {
        painter->ZoomAbout(steps > 0, toDevice(at.x()), toDevice(at.y()), controlSize());
        Paint();
    } catch (const std::exception& e) {
        reportError(QString::fromStdString(e.what()));
    }
    event->accept();
}

void TVectorDisplay3D::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    MouseMove(event->buttons(), event->modifiers(), pos.x(), pos.y());
    if (OnCursor)
        OnCursor(painter->WorldAt(toDevice(pos.x()), toDevice(pos.y())));
    QWidget::mouseMoveEvent(event);
}

void TVectorDisplay3D::MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int X,
                                 int Y) {
    const bool left = buttons == Qt::LeftButton;
    const Qt::KeyboardModifiers keys =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    try {
        const bool middle = buttons == Qt::MiddleButton && keys == Qt::NoModifier;
        if ((left && keys == Qt::ShiftModifier) || middle) {
            const double dX = X - LastX;
            const double dY = Y - LastY;
            if (!busy) {
                busy = true;
                ProcessMessages();
                painter->Pan(toDevice(dX), toDevice(dY), controlSize());
                Paint();
            }
        } else if (left && keys == Qt::ControlModifier) {
            const double dY = Y - LastY;
            if (!busy) {
                busy = true;
                ProcessMessages();
                double screenH = 768;
                if (const QScreen* s = screen())
                    screenH = s->size().height();
                painter->Zoom(toDevice(dY), toDevice(screenH), controlSize());
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

void TVectorDisplay3D::reportLater(const std::exception& e, bool& failed) {
    if (failed)
        return;
    failed = true;
    const QString text = QString::fromStdString(e.what());
    QTimer::singleShot(0, this, [this, text] { reportError(text); });
}

} // namespace orlenta
