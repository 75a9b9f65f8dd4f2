// Pictures for the preview's golden tests: 24-bit RGB pixels, binary PPM (P6) to store
// them, and a pixel-for-pixel comparison with a golden picture in tests/data/.
#pragma once

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace orlenta {

struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgb; // rows top to bottom, three bytes (R, G, B) per pixel

    TRgbPicture() = default;
    TRgbPicture(int w, int h) : Width(w), Height(h), Rgb(std::size_t(w) * h * 3, 0) {}
    std::uint8_t* At(int x, int y) { return Rgb.data() + (std::size_t(y) * Width + x) * 3; }
    const std::uint8_t* At(int x, int y) const {
        return Rgb.data() + (std::size_t(y) * Width + x) * 3;
    }
};

inline std::string ToPpm(const TRgbPicture& p) {
    std::string bytes =
        "P6\n" + std::to_string(p.Width) + " " + std::to_string(p.Height) + "\n255\n";
    bytes.append(reinterpret_cast<const char*>(p.Rgb.data()), p.Rgb.size());
    return bytes;
}

// Reads what ToPpm writes (no comments, maximum 255); an empty picture for anything else.
inline TRgbPicture FromPpm(const std::string& bytes) {
    std::istringstream in(bytes);
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    if (!in || magic != "P6" || maxValue != 255 || w <= 0 || h <= 0 || w > 4096 || h > 4096)
        return {};
    in.get(); // the one whitespace byte before the pixels
    TRgbPicture p(w, h);
    in.read(reinterpret_cast<char*>(p.Rgb.data()), std::streamsize(p.Rgb.size()));
    if (in.gcount() != std::streamsize(p.Rgb.size()))
        return {};
    return p;
}

// Compares a picture with tests/data/<goldenName> (a .ppm) pixel for pixel. On a mismatch
// the actual picture goes beside the golden as <stem>.<outTag>.ppm so it can be viewed;
// on a match a stale one is removed. Two tests comparing with one golden pass different
// tags, so they never write the same file.
inline ::testing::AssertionResult MatchesGoldenPicture(const TRgbPicture& actual,
                                                       const std::string& goldenName,
                                                       const std::string& outTag = "out") {
    const std::filesystem::path golden = std::filesystem::path(TEST_DATA_DIR) / goldenName;
    std::filesystem::path out = golden;
    out.replace_extension("." + outTag + ".ppm");
    const TRgbPicture expected = FromPpm(ReadBytes(golden));
    std::ostringstream why;
    if (expected.Width == 0)
        why << golden << " is missing or not a picture";
    else if (expected.Width != actual.Width || expected.Height != actual.Height)
        why << "size " << actual.Width << "x" << actual.Height << ", golden " << expected.Width
            << "x" << expected.Height;
    else {
        int differing = 0, firstX = -1, firstY = -1;
        for (int y = 0; y < actual.Height; ++y)
            for (int x = 0; x < actual.Width; ++x)
                if (!std::equal(actual.At(x, y), actual.At(x, y) + 3, expected.At(x, y))) {
                    if (differing++ == 0) {
                        firstX = x;
                        firstY = y;
                    }
                }
        if (differing == 0) {
            std::filesystem::remove(out);
            return ::testing::AssertionSuccess();
        }
        why << differing << " pixels differ, the first at " << firstX << "," << firstY;
    }
    WriteBytes(out, ToPpm(actual));
    return ::testing::AssertionFailure()
           << goldenName << ": " << why.str() << "; actual picture written to " << out;
}

} // namespace orlenta
