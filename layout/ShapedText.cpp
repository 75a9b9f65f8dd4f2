// Shaped text for the layouts; see ShapedText.h.
#include "layout/ShapedText.h"

#include "kernel/ContourBuilder.h"
#include "kernel/Errors.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <utility>

namespace orlenta {

std::optional<TShapedLine> ShapeLine(const std::u32string& text, TTTFToVectorConverter& converter,
                                     const TSpacing& spacing) {
    const auto glyphs = converter.Shape(text);
    if (!glyphs)
        return std::nullopt;
    // A cluster stands for the characters from its index up to the next cluster's index:
    // clusters come out in the text's order or, right to left, in the reverse of it.
    std::vector<std::uint32_t> starts;
    starts.reserve(glyphs->size());
    for (const TShapedGlyph& g : *glyphs)
        starts.push_back(g.Cluster);
    std::ranges::sort(starts);
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    const auto spacingOf = [&](std::uint32_t cluster) {
        const auto next = std::ranges::upper_bound(starts, cluster);
        const std::size_t end = next == starts.end() ? text.size() : *next;
        double sum = 0;
        for (std::size_t i = cluster; i < end && i < text.size(); ++i)
            sum += spacing.Char + (text[i] == U' ' ? spacing.Word : 0);
        return sum;
    };

    TShapedLine line;
    for (std::size_t i = 0; i < glyphs->size(); ++i) {
        const TShapedGlyph& g = (*glyphs)[i];
        if (i == 0 || g.Cluster != (*glyphs)[i - 1].Cluster) {
            line.emplace_back();
            line.back().Spacing = spacingOf(g.Cluster);
        }
        TShapedCluster& c = line.back();
        c.Glyphs.push_back({g.Glyph, c.Advance + g.XOffset, g.YOffset});
        c.Advance += g.XAdvance;
    }
    return line;
}

double ShapedExtent(const TShapedLine& line) {
    double advances = 0, spacing = 0;
    for (const TShapedCluster& c : line) {
        advances += c.Advance;
        spacing += c.Spacing;
    }
    const double e = advances / OutlineFontPoints + spacing;
    CheckFinite(e);
    return e;
}

void PlaceCluster(const TShapedCluster& cluster, TTTFToVectorConverter& converter,
                  TRegionArrayX& contours, std::uint8_t orientation,
                  const std::function<void(TMyEntityArray&)>& place) {
    TMyEntityArray segments;
    TRegionArrayX local;
    for (const TClusterGlyph& g : cluster.Glyphs) {
        segments.clear();
        GlyphToSegments(g.Glyph, segments, converter);
        if (segments.empty())
            continue;
        TranslateSegments(segments, g.X, g.Y);
        place(segments);
        CheckSegmentsFinite(segments);
        NormaliseLineDirection(segments);
        SortSegmentsByMinX(segments, 0, static_cast<std::int64_t>(segments.size()) - 1);
        BuildContours(segments, local, orientation, 0);
        AppendContours(std::move(local), contours);
    }
}

TLinearPlacement LayoutShapedLinearText(const TShapedLine& line, TRegionArrayX& contours,
                                        TTTFToVectorConverter& converter, double H, double W,
                                        double X0, double Y0, TAlignment alignment,
                                        std::uint8_t orientation) {
    const TLinearPlacement p = PlaceByExtent(ShapedExtent(line), H, W, X0, Y0, alignment);
    const double scale = p.S / OutlineFontPoints;
    double pen = 0; // outline units, spacing included
    for (const TShapedCluster& c : line) {
        PlaceCluster(c, converter, contours, orientation, [&](TMyEntityArray& e) {
            TranslateSegments(e, pen, 0);
            ScaleSegments(e, scale);
            TranslateSegments(e, p.X, p.Y);
        });
        pen += c.Advance + c.Spacing * OutlineFontPoints;
    }
    return p;
}

} // namespace orlenta
