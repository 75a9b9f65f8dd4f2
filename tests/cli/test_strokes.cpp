// orlenta-cli with a single-line font: the G-code it writes, read back, cuts each stroke of
// the Hershey data once, as an open path with one plunge at one end.
#include "tests/cli/CliTestSupport.h"

#include "glyph/StrokeFontSource.h"

extern "C" {
#include <hersheyfont.h>
}

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace orlenta;

using namespace clitest;

namespace {

struct TCut {
    std::vector<std::pair<double, double>> Points; // the plunge point, then every feed move
};

// Splits a program into cuts: a plunge (G01 Z below 0) opens one, a rapid Z closes it.
// Feed moves outside a cut, or a plunge inside one, fail the test.
std::vector<TCut> ReadCuts(const std::string& program) {
    std::vector<TCut> cuts;
    std::istringstream in(program);
    std::string line;
    std::pair<double, double> at{};
    bool down = false;
    while (std::getline(in, line)) {
        const auto x = line.find(" X"), y = line.find(" Y"), z = line.find(" Z");
        if (z != std::string::npos) {
            const double depth = std::stod(line.substr(z + 2));
            if (depth < 0) {
                EXPECT_FALSE(down) << "plunge inside a cut: " << line;
                EXPECT_NE(line.find("G01"), std::string::npos) << line;
                down = true;
                cuts.push_back({{at}});
            } else {
                down = false;
            }
        } else if (x != std::string::npos && y != std::string::npos) {
            at = {std::stod(line.substr(x + 2)), std::stod(line.substr(y + 2))};
            if (line.find("G00") != std::string::npos)
                EXPECT_FALSE(down) << "rapid move at depth: " << line;
            else if (down)
                cuts.back().Points.push_back(at);
            else
                ADD_FAILURE() << "feed move above the work: " << line;
        }
    }
    EXPECT_FALSE(down) << "the program ends at depth";
    return cuts;
}

struct FontDeleter {
    void operator()(hershey_font* f) const { hershey_font_free(f); }
};

} // namespace

class CliStrokes : public TScratchDir {};

TEST_F(CliStrokes, SerialNumberIsOneOpenCutPerHersheyStroke) {
    WriteBytes(Dir / "shop.cfg", "[Parameters]\nDepth=0.2\nRapidHeight=2\nRoughFeed=300\n"
                                 "RoughPlunge=100\nPrecision=8\nDecimal=4\nStart=10\n"
                                 "Increment=5\n");
    const std::string text = "SERIAL 0042";
    const TRun run = RunCli(Dir, {text, "--font", "Hershey Roman Simplex", "--height", "5", "-o",
                                  "s.Dnc", "--params", "shop.cfg"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<TCut> cuts = ReadCuts(ReadBytes(Dir / "s.Dnc"));

    // What the font data holds, read here with the library itself.
    std::unique_ptr<hershey_font, FontDeleter> font(hershey_font_load("rowmans"));
    ASSERT_TRUE(font);
    std::vector<std::size_t> expected, actual;
    for (char c : text)
        for (const hershey_path* p = hershey_font_glyph(font.get(), c)->paths; p; p = p->next)
            expected.push_back(p->nverts);
    for (const TCut& cut : cuts)
        actual.push_back(cut.Points.size());
    std::ranges::sort(expected);
    std::ranges::sort(actual);
    // One cut per stroke, each with the stroke's points: nothing closed, joined or split.
    EXPECT_EQ(actual, expected);

    double top = -1e9, bottom = 1e9;
    std::pair<double, double> last{};
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const auto& pts = cuts[i].Points;
        for (std::size_t k = 1; k < pts.size(); ++k)
            EXPECT_GT(
                std::hypot(pts[k].first - pts[k - 1].first, pts[k].second - pts[k - 1].second),
                0.0001)
                << "zero-length move in cut " << i;
        for (const auto& p : pts) {
            top = std::max(top, p.second);
            bottom = std::min(bottom, p.second);
        }
        // Each cut starts at the end of its stroke nearer to where the last one ended.
        if (i > 0) {
            const auto dist = [&](std::pair<double, double> p) {
                return std::hypot(p.first - last.first, p.second - last.second);
            };
            EXPECT_LE(dist(pts.front()), dist(pts.back()) + 0.0001) << "cut " << i;
        }
        last = pts.back();
    }
    // Capitals and digits stand on the baseline and are as high as an outline font's.
    EXPECT_NEAR(bottom, 0, 0.0001);
    EXPECT_NEAR(top, 5 * StrokeCapHeight / 1024, 0.0001);
}

TEST_F(CliStrokes, ListFontsNamesTheStrokeFontsAndTheSystemFonts) {
    const TRun run = RunCli(Dir, {"--list-fonts"});
    ASSERT_EQ(run.Status, 0) << run.Err;
    const auto stroke = run.Out.find("\n  Hershey Roman Simplex\n");
    const auto system = run.Out.find("System fonts:");
    EXPECT_NE(stroke, std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find("\n  Hershey Gothic English\n"), std::string::npos);
    ASSERT_NE(system, std::string::npos) << run.Out;
    EXPECT_LT(stroke, system);
    // fonts-dejavu-core is part of the set-up.
    EXPECT_NE(run.Out.find("\n  DejaVu Sans\n", system), std::string::npos);
    EXPECT_TRUE(Files().empty());
}

TEST_F(CliStrokes, LinesFromAFileOrEscapesAndDefaultStyleOptionsChangeNoByte) {
    WriteBytes(Dir / "plate.txt", "ACME\nPUMP 3\n");
    const auto run = [&](std::vector<std::string> args, const char* out) {
        if (std::ranges::find(args, "--font") == args.end())
            args.insert(args.end(), {"--font", "Arial"});
        args.insert(args.end(), {"--height", "4", "--align", "cent", "-o", out});
        const TRun r = RunCli(Dir, args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return ReadBytes(Dir / out);
    };
    const std::string fromFile = run({"--text-file", "plate.txt"}, "a.Dnc");
    EXPECT_EQ(run({"ACME\\nPUMP 3"}, "b.Dnc"), fromFile);
    EXPECT_NE(run({"ACME PUMP 3"}, "c.Dnc"), fromFile);
    const std::string plain = run({"ACME"}, "d.Dnc");
    EXPECT_EQ(run({"ACME", "--char-spacing", "0", "--word-spacing", "0", "--line-spacing", "1.5",
                   "--mirror=no", "--rotation", "0", "--arc-bottom=no", "--shape=no"},
                  "e.Dnc"),
              plain);
    EXPECT_NE(run({"ACME", "--mirror"}, "f.Dnc"), plain);
    // Shaping kerns the outline font's "AV"; a stroke font is laid out as without it.
    EXPECT_NE(run({"AVA", "--shape"}, "s.Dnc"), run({"AVA"}, "t.Dnc"));
    EXPECT_EQ(run({"AVA", "--shape", "--font", "Hershey Roman Simplex"}, "u.Dnc"),
              run({"AVA", "--font", "Hershey Roman Simplex"}, "v.Dnc"));
    // A batch line takes the same keys; a half turn about the origin is the same as
    // mirroring in X and then in Y, so its X coordinates are the mirror's.
    WriteBytes(Dir / "jobs.txt", "ACME\trotation=180\toutput=g.Dnc\n"
                                 "ACME\tmirror=yes\toutput=h.Dnc\n"
                                 "AVA\tshape=yes\toutput=i.Dnc\n");
    const TRun batch =
        RunCli(Dir, {"--batch", "jobs.txt", "--font", "Arial", "--height", "4", "--align", "cent"});
    ASSERT_EQ(batch.Status, 0) << batch.Err;
    EXPECT_EQ(ReadBytes(Dir / "i.Dnc"), ReadBytes(Dir / "s.Dnc"));
    const auto xs = [](const std::string& program) {
        std::vector<double> v;
        for (std::size_t at = program.find('X'); at != std::string::npos;
             at = program.find('X', at + 1))
            v.push_back(std::stod(program.substr(at + 1)));
        return v;
    };
    const auto turned = xs(ReadBytes(Dir / "g.Dnc")), mirrored = xs(ReadBytes(Dir / "h.Dnc"));
    ASSERT_FALSE(turned.empty());
    std::vector<double> a = turned, b = mirrored;
    std::ranges::sort(a);
    std::ranges::sort(b);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_NEAR(a[i], b[i], 0.0015);
}
