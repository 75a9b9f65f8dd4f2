// Line drawing on the preview surface against QPainter (aliased, 1-pixel pen) on a QImage of
// the same size, with the same 10^6 random lines of 1 to 500 pixels on 1920 x 1080.
#include "preview/DIBUltra.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

using namespace orlenta;

namespace {

constexpr int W = 1920, H = 1080, LineCount = 1000000;

struct Line {
    int x1, y1, x2, y2;
};

struct Lines {
    std::vector<Line> lines;
    double pixels = 0; // pixels per pass, both ends included
};

const Lines& TheLines() {
    static const Lines set = [] {
        Lines s;
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> angle(0, 2 * M_PI);
        std::uniform_int_distribution<int> length(1, 500), px(0, W - 1), py(0, H - 1);
        while (static_cast<int>(s.lines.size()) < LineCount) {
            const int x1 = px(rng), y1 = py(rng);
            const double a = angle(rng);
            const int len = length(rng);
            const int x2 = x1 + static_cast<int>(std::lround(len * std::cos(a)));
            const int y2 = y1 + static_cast<int>(std::lround(len * std::sin(a)));
            if (x2 < 0 || x2 >= W || y2 < 0 || y2 >= H)
                continue;
            s.lines.push_back({x1, y1, x2, y2});
            s.pixels += std::max(std::abs(x2 - x1), std::abs(y2 - y1)) + 1;
        }
        return s;
    }();
    return set;
}

void BM_DIBUltraFormat5(benchmark::State& state) {
    const Lines& set = TheLines();
    TDIBUltra surface(W, H, 5);
    surface.Clear();
    surface.SetPenColor(0xFF0000);
    for (auto _ : state) {
        for (const Line& l : set.lines) {
            surface.MoveTo(l.x1, l.y1);
            surface.LineTo(l.x2, l.y2);
        }
        benchmark::DoNotOptimize(surface.Bits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] =
        benchmark::Counter(set.pixels * state.iterations(), benchmark::Counter::kIsRate);
}

void QPainterLines(benchmark::State& state, QImage::Format format) {
    const Lines& set = TheLines();
    QImage image(W, H, format);
    image.fill(Qt::white);
    for (auto _ : state) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(QColor(0, 0, 255), 1));
        for (const Line& l : set.lines)
            painter.drawLine(l.x1, l.y1, l.x2, l.y2);
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
    state.counters["pixels/s"] =
        benchmark::Counter(set.pixels * state.iterations(), benchmark::Counter::kIsRate);
}

// The same three bytes per pixel as format 5.
void BM_QPainterBGR888(benchmark::State& state) {
    QPainterLines(state, QImage::Format_BGR888);
}
// QPainter's own fastest raster format.
void BM_QPainterRGB32(benchmark::State& state) {
    QPainterLines(state, QImage::Format_RGB32);
}

} // namespace

BENCHMARK(BM_DIBUltraFormat5)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_QPainterBGR888)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_QPainterRGB32)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
