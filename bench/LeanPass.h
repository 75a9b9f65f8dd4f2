// The floor for the whole pipeline: what a lean single pass over the same text costs. It
// decomposes each glyph with FreeType, flattens every curve piece into Precision strokes,
// makes one toolpath per outline contour and writes them with the same G-code writer, so
// it formats and writes a program of about the same size. It skips what Orlenta adds on
// top (font lookup, rounding and duplicate removal, chaining, orientation, passes).
#pragma once

#include "gcode/GCodeWriter.h"
#include "kernel/QuorvelKernel.h"
#include "kernel/QuorvelTypes.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <filesystem>
#include <stdexcept>
#include <string>

namespace orlenta {

namespace bench {

class TLeanPass {
  public:
    // fontFile: the file fontconfig would pick (resolved once by the caller).
    TLeanPass(const std::string& fontFile, int precision, double height)
        : precision_(precision), height_(height) {
        if (FT_Init_FreeType(&library_) != 0 || FT_New_Face(library_, fontFile.c_str(), 0, &face_))
            throw std::runtime_error("lean pass: cannot open " + fontFile);
        scale_ = height_ / face_->units_per_EM;
    }
    ~TLeanPass() {
        if (face_)
            FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    TLeanPass(const TLeanPass&) = delete;
    TLeanPass& operator=(const TLeanPass&) = delete;

    // Text to G-code file; returns the number of toolpaths.
    std::size_t Run(const std::string& text, const std::filesystem::path& file,
                    const TMachiningParameters& params) {
        toolpaths_.assign(1, TVKOutRegion{});
        pen_ = 0;
        for (unsigned char c : text) {
            const FT_UInt index = FT_Get_Char_Index(face_, c);
            if (FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
                continue;
            FT_Outline_Funcs funcs{};
            funcs.move_to = &MoveTo;
            funcs.line_to = &LineTo;
            funcs.conic_to = &ConicTo;
            funcs.cubic_to = &CubicTo;
            FT_Outline_Decompose(&face_->glyph->outline, &funcs, this);
            pen_ += static_cast<double>(face_->glyph->advance.x);
        }
        for (TVKOutRegion& t : toolpaths_) {
            t.Depth = params.Depth;
            t.Feed = params.RoughFeed;
            t.Clearance = -params.RapidHeight;
            t.RapidStart = 1;
        }
        WriteGCode(toolpaths_, file, params);
        return toolpaths_.size() - 1;
    }

  private:
    static TLeanPass& Self(void* user) { return *static_cast<TLeanPass*>(user); }

    TPoint2 Map(double x, double y) const { return {(pen_ + x) * scale_, y * scale_}; }

    void Stroke(TPoint2 to) {
        if (!(to == at_))
            toolpaths_.back().Entities.push_back(MakeLine(at_.x, at_.y, to.x, to.y));
        at_ = to;
    }

    static int MoveTo(const FT_Vector* to, void* user) {
        TLeanPass& self = Self(user);
        self.toolpaths_.emplace_back();
        self.at_ = self.Map(to->x, to->y);
        self.ctrl_ = {static_cast<double>(to->x), static_cast<double>(to->y)};
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user) {
        TLeanPass& self = Self(user);
        self.Stroke(self.Map(to->x, to->y));
        self.ctrl_ = {static_cast<double>(to->x), static_cast<double>(to->y)};
        return 0;
    }
    static int ConicTo(const FT_Vector* c, const FT_Vector* to, void* user) {
        TLeanPass& self = Self(user);
        const TPoint2 a = self.ctrl_;
        const double h = 1.0 / self.precision_;
        for (int k = 1; k <= self.precision_; ++k) {
            const double t = k == self.precision_ ? 1 : k * h, u = 1 - t;
            self.Stroke(self.Map(u * u * a.x + 2 * u * t * c->x + t * t * to->x,
                                 u * u * a.y + 2 * u * t * c->y + t * t * to->y));
        }
        self.ctrl_ = {static_cast<double>(to->x), static_cast<double>(to->y)};
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        TLeanPass& self = Self(user);
        const TPoint2 a = self.ctrl_;
        const double h = 1.0 / self.precision_;
        for (int k = 1; k <= self.precision_; ++k) {
            const double t = k == self.precision_ ? 1 : k * h, u = 1 - t;
            const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
            self.Stroke(self.Map(b0 * a.x + b1 * c1->x + b2 * c2->x + b3 * to->x,
                                 b0 * a.y + b1 * c1->y + b2 * c2->y + b3 * to->y));
        }
        self.ctrl_ = {static_cast<double>(to->x), static_cast<double>(to->y)};
        return 0;
    }

    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    int precision_;
    double height_;
    double scale_ = 1;
    double pen_ = 0;
    TPoint2 at_, ctrl_;
    TOutRegionArray toolpaths_;
};

} // namespace bench

} // namespace orlenta
