// Helpers shared by the DXF tests: scratch folders, file reading and small toolpath arrays.
#pragma once

#include "QuorvelTypes.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir() {
        std::mt19937_64 rng(std::random_device{}());
        path_ = std::filesystem::temp_directory_path() /
                ("orlenta_dxf_" + std::to_string(::getpid()) + "_" + std::to_string(rng()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& Path() const { return path_; }
    // Names of every file in the folder, hidden ones included.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream out(fileName, std::ios::binary);
    out << bytes;
}

inline TMyEntity LineSegment(double x1, double y1, double x2, double y2) {
    TMyEntity e;
    e.X1 = x1;
    e.Y1 = y1;
    e.X2 = x2;
    e.Y2 = y2;
    return e;
}

inline TMyEntity ArcSegment(double cx, double cy, double radius, double start, double end) {
    TMyEntity e;
    e.X1 = cx;
    e.Y1 = cy;
    e.Radius = radius;
    e.X2 = start;
    e.Y2 = end;
    return e;
}

// A toolpath array with element 0 empty and one toolpath per entry of paths.
inline TOutRegionArray Toolpaths(std::initializer_list<std::pair<double, TMyEntityArray>> paths) {
    TOutRegionArray result(1);
    for (const auto& [depth, segments] : paths) {
        TVKOutRegion t;
        t.Depth = depth;
        t.RapidStart = 1;
        t.Entities = segments;
        result.push_back(t);
    }
    return result;
}

// Many small closed polygons, as the outlines of a line of text give: count toolpaths of
// 3 to 9 sides each, seeded so every run sees the same drawing.
inline TOutRegionArray PolygonToolpaths(int count, double depth, unsigned seed = 42) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> size(0.2, 3.0);
    std::uniform_int_distribution<int> sides(3, 9);
    TOutRegionArray result(1);
    for (int i = 0; i < count; ++i) {
        TVKOutRegion t;
        t.Depth = depth;
        const double cx = (i % 50) * 7.25 - 3.5;
        const double cy = (i / 50) * -6.125 + 0.3;
        const double r = size(rng);
        const int n = sides(rng);
        for (int k = 0; k < n; ++k) {
            // Clockwise, as the contours come from the layout.
            const double a0 = -2 * 3.14159265358979323846 * k / n;
            const double a1 = -2 * 3.14159265358979323846 * (k + 1) / n;
            t.Entities.push_back(LineSegment(cx + r * std::cos(a0), cy + r * std::sin(a0),
                                             cx + r * std::cos(a1), cy + r * std::sin(a1)));
        }
        result.push_back(std::move(t));
    }
    return result;
}
