// One full repaint of the preview (clear the surface, draw every toolpath, copy the picture
// to the screen in one block) for a 200-character text at Precision 100 on 1920 x 1080.
// Baseline: the same repaint with no toolpaths (clear and copy only), in the same process.
// A third run draws the origin marker and the size box too, as the window does by default;
// a fourth does so while the picture is dragged a pixel each repaint.
#include "app/command/CreateCommand.h"
#include "app/core/Globals.h"
#include "app/gui/VectorDisplay3D.h"
#include "glyph/UTTF2Vct.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <string>

using namespace orlenta;

namespace {

constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;

// The toolpaths of a 200-character line, built once through the real Create command.
const TOutRegionArray& LongTextToolpaths() {
    static const TOutRegionArray toolpaths = [] {
        SetStartupValues(Globals());
        Globals().Params.Precision = 100;
        Globals().Contours.assign(1, TVKRegionX{});
        // Filled by index: g++ 12 at -O3 warns falsely about appending in a loop.
        const std::string sample = "Orlenta engraves Quick Brown Foxes 0123456789 ";
        std::string text(200, ' ');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = sample[i % sample.size()];
        TCreateNumbers numbers;
        numbers.Text = text;
        numbers.Height = 10;
        TTTFToVectorConverter ttf;
        CreateCommand(Globals(), numbers, TFontChoice{"DejaVu Sans", false, false}, ttf);
        return Globals().Toolpaths;
    }();
    return toolpaths;
}

// pan: each repaint follows a one-pixel drag, back and forth, so the picture moves every time.
void Repaint(benchmark::State& state, const TOutRegionArray& toolpaths, bool overlay = false,
             bool pan = false) {
    TVectorDisplay3D preview;
    preview.resize(ScreenWidth, ScreenHeight);
    preview.SetCartesian();
    preview.ResetView();
    preview.Resize();
    preview.SetView(Globals().ViewBox, 20, 20, true);
    preview.Painter().Options().OriginAndExtent = overlay;
    preview.OnPaint = [&] {
        if (overlay)
            preview.Painter().Draw(toolpaths);
        else {
            preview.ClearSurface();
            DrawToolpaths(preview.Graph(), toolpaths);
        }
        preview.ShowSurface();
    };
    // The screen's backing store.
    QImage screen(ScreenWidth, ScreenHeight, QImage::Format_RGB32);
    std::size_t segments = 0;
    for (const TVKOutRegion& t : toolpaths)
        segments += t.Entities.size();
    double step = 1;
    for (auto _ : state) {
        if (pan) {
            preview.Painter().Pan(step, 0, TControlSize{ScreenWidth, ScreenHeight});
            step = -step;
        }
        // As the window repaints: the control is opaque, so no background is drawn first.
        preview.render(&screen, QPoint(), QRegion(), QWidget::DrawChildren);
        benchmark::DoNotOptimize(screen.constBits());
    }
    state.counters["segments"] = static_cast<double>(segments);
}

void BM_RepaintLongText(benchmark::State& state) {
    Repaint(state, LongTextToolpaths());
}

void BM_RepaintLongTextWithOriginAndExtent(benchmark::State& state) {
    Repaint(state, LongTextToolpaths(), true);
}

void BM_RepaintLongTextPanning(benchmark::State& state) {
    Repaint(state, LongTextToolpaths(), true, true);
}

void BM_RepaintEmpty(benchmark::State& state) {
    LongTextToolpaths(); // same view box as the full repaint
    const TOutRegionArray empty(1);
    Repaint(state, empty);
}

// Process CPU time: Qt may convert large images on worker threads.
BENCHMARK(BM_RepaintEmpty)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RepaintLongText)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RepaintLongTextWithOriginAndExtent)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(BM_RepaintLongTextPanning)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
