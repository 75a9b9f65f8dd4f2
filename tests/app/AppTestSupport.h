// Helpers shared by the command and window tests: a fresh process-wide state, a recording
// message hook, and reading a saved G-code program back into moves.
#pragma once

#include "app/core/Globals.h"
#include "app/core/ParameterFile.h"
#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace orlenta {

inline void ResetGlobals() {
    Globals() = TGlobals{};
    SetStartupValues(Globals());
    Globals().Contours.assign(1, TVKRegionX{});
    Globals().Toolpaths.assign(1, TVKOutRegion{});
}

// Collects every message for the duration of a test instead of showing it.
class TMessageRecorder {
  public:
    TMessageRecorder() {
        previous = SetMessageBoxHook([this](const std::string& t) { Messages.push_back(t); });
    }
    ~TMessageRecorder() { SetMessageBoxHook(std::move(previous)); }
    std::vector<std::string> Messages;

  private:
    MessageBoxHook previous;
};

// While it lives, the parameter file is Path in a fresh folder of this test's own (no file
// there at first), so tests running at once never meet each other's Parameters.cfg.
class TOwnParameterFile {
  public:
    TOwnParameterFile() : Path(folder.Path() / ParametersFileName) { SetParametersPath(Path); }
    ~TOwnParameterFile() { SetParametersPath({}); }
    TOwnParameterFile(const TOwnParameterFile&) = delete;
    TOwnParameterFile& operator=(const TOwnParameterFile&) = delete;

  private:
    ScratchDir folder;

  public:
    const std::filesystem::path Path;
};

// A file name in the system's temporary directory, removed when the test ends.
class TTempFile {
  public:
    explicit TTempFile(const std::string& name)
        : Path(std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)) {
        std::filesystem::remove(Path);
    }
    ~TTempFile() { std::filesystem::remove(Path); }
    std::filesystem::path Path;
};

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TMove {
    double X = 0;
    double Y = 0;
};

// The X/Y positions a G-code program moves to, in order (rapid and feed moves alike).
inline std::vector<TMove> ReadGCodeMoves(const std::string& program) {
    std::vector<TMove> moves;
    std::istringstream in(program);
    std::string line;
    while (std::getline(in, line)) {
        const auto x = line.find(" X");
        const auto y = line.find(" Y");
        if (x == std::string::npos || y == std::string::npos)
            continue;
        moves.push_back({std::stod(line.substr(x + 2)), std::stod(line.substr(y + 2))});
    }
    return moves;
}

// Where the tool must go for toolpaths: each toolpath's start, then every segment's end.
inline std::vector<TMove> ExpectedMoves(const TOutRegionArray& toolpaths) {
    std::vector<TMove> moves;
    for (std::size_t i = 1; i < toolpaths.size(); ++i) {
        const TPoint2 s = ToolpathStart(toolpaths[i]);
        moves.push_back({s.x, s.y});
        for (const TMyEntity& e : toolpaths[i].Entities) {
            const TPoint2 p = SegmentEnd(e);
            moves.push_back({p.x, p.y});
        }
    }
    return moves;
}

inline void ExpectSameMoves(const std::vector<TMove>& actual, const std::vector<TMove>& expected,
                            double tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_NEAR(actual[i].X, expected[i].X, tolerance) << "move " << i;
        EXPECT_NEAR(actual[i].Y, expected[i].Y, tolerance) << "move " << i;
    }
}

} // namespace orlenta
