// The toolpath builder; see ToolpathBuilder.h.
#include "kernel/ToolpathBuilder.h"

#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

namespace orlenta {

namespace {

// A loop continues from its tail with a segment that starts this close (in X and in Y),
// and closes when its tail comes this close to its head.
constexpr double LoopTolerance = 0.00025;
// A loop starting this close to the previous one continues it at depth.
constexpr double RapidJoinDistance = 0.0001;
// Extra search rounds per loop beyond one per segment; bounds the work on odd input.
constexpr std::size_t ExtraLoopRounds = 21;

// The first free segment that starts at tail, searching forward from current + 1 and then
// wrapping round to the segments before current, so that segments already in contour
// order are chained in one sweep.
std::optional<std::size_t> FindNext(const TMyEntityArray& s, std::size_t current, TPoint2 tail) {
    for (std::size_t i = current + 1; i < s.size(); ++i)
        if (s[i].Mark == 0 && PointsMeet(SegmentStart(s[i]), tail, LoopTolerance))
            return i;
    for (std::size_t i = 0; i < current; ++i)
        if (s[i].Mark == 0 && PointsMeet(SegmentStart(s[i]), tail, LoopTolerance))
            return i;
    return std::nullopt;
}

} // namespace

void PlanPasses(const TRegionArrayX& contours, double step, TMasterRegionArray& plan) {
    plan.assign(1, TMasterRegion{});
    for (std::size_t i = 1; i < contours.size(); ++i) {
        const TVKRegionX& c = contours[i];
        if (c.Pending == 0 || !(c.Depth > 0))
            continue;
        CheckFinite(c.Depth);
        // A negative or NaN step would never reach the depth; treat it like 0.
        if (!(step > 0))
            step = c.Depth;
        TMasterRegion master;
        master.Region = static_cast<std::int32_t>(i);
        master.Passes.resize(1);
        double d = 0;
        for (;;) {
            d += step;
            const bool last = !(c.Depth > d);
            if (last)
                d = c.Depth;
            if (master.Passes.size() > static_cast<std::size_t>(MaxPassesPerContour))
                throw ETooManyPasses();
            TMachineRegion pass;
            pass.Region = master.Region;
            pass.PassDepth = d;
            master.Passes.push_back(std::move(pass));
            if (last)
                break;
        }
        plan.push_back(std::move(master));
    }
}

void BuildLoops(TMyEntityArray& s, TRegionArrayX& loops, double depth,
                const std::int32_t& runFlag) {
    if (runFlag == 0 || s.empty())
        return;
    // The all-zero placeholder that an empty contour may carry yields nothing. Y2 is part of
    // the test: a lone line from the origin straight up is real geometry, not a placeholder.
    if (s.size() == 1 && s[0].Radius == 0 && s[0].X1 == 0 && s[0].Y1 == 0 && s[0].X2 == 0 &&
        s[0].Y2 == 0)
        return;
    const std::size_t rounds = s.size() - 1 + ExtraLoopRounds;

    for (std::size_t j = 0; j < s.size(); ++j) {
        if (s[j].Tag != 0 || s[j].Mark == 1)
            continue;
        s[j].Mark = 1;
        TVKRegionX loop;
        loop.Depth = depth;
        TMyEntityArray& chain = loop.Entities;
        // Nearly always one loop takes every segment left: room for all of them is then
        // exact, and anything less is trimmed below, so no loop keeps spare capacity.
        chain.reserve(s.size() - j);
        chain.push_back(s[j]);
        if (IsFullCircle(s[j])) {
            chain.shrink_to_fit();
            loops.push_back(std::move(loop));
            continue;
        }
        std::size_t current = j;
        bool closed = false;
        bool backedOff = false;
        TMyEntity setAside;
        const TPoint2 head = SegmentStart(s[j]);
        TPoint2 tail = SegmentEnd(s[j]);
        TPoint2 previousTail = tail;

        for (std::size_t round = 0; round < rounds; ++round) {
            if (const auto found = FindNext(s, current, tail)) {
                const std::size_t i = *found;
                s[i].Mark = 1;
                current = i;
                previousTail = tail;
                tail = SegmentEnd(s[i]);
                chain.push_back(s[i]);
                backedOff = false;
                if (PointsMeet(tail, head, LoopTolerance)) {
                    MoveSegmentEnd(chain.back(), head, TEnd::End);
                    closed = true;
                    break;
                }
                continue;
            }
            if (backedOff)
                break;
            // Dead end: set the last segment aside (it stays used) and look again from
            // where it began; whatever is found there takes its place.
            backedOff = true;
            tail = previousTail;
            setAside = chain.back();
            chain.pop_back();
            if (chain.empty())
                break;
        }
        // An open chain keeps the segment it set aside last: it is the chain's true end,
        // not a spur, when nothing else was found in its place.
        if (!closed && backedOff)
            chain.push_back(setAside);
        if (chain.capacity() > chain.size())
            chain.shrink_to_fit();
        loops.push_back(std::move(loop));
    }
}

void AppendOpenLoop(TMyEntityArray segments, TRegionArrayX& loops, double depth, TPoint2 from) {
    if (segments.empty())
        return;
    const TPoint2 start = SegmentStart(segments.front());
    const TPoint2 end = SegmentEnd(segments.back());
    if (std::hypot(end.x - from.x, end.y - from.y) <
        std::hypot(start.x - from.x, start.y - from.y)) {
        std::reverse(segments.begin(), segments.end());
        for (TMyEntity& e : segments)
            ReverseSegment(e);
    }
    TVKRegionX loop;
    loop.Depth = depth;
    loop.IsOpen = 1;
    loop.Entities = std::move(segments);
    loops.push_back(std::move(loop));
}

void SetRapidFlags(TRegionArrayX& loops, double rapidHeight) {
    for (std::size_t i = 1; i < loops.size(); ++i) {
        TVKRegionX& loop = loops[i];
        if (i >= 2 && !loops[i - 1].Entities.empty() && !loop.Entities.empty()) {
            const TPoint2 a = ContourStart(loop);
            const TPoint2 b = ContourStart(loops[i - 1]);
            if (std::hypot(a.x - b.x, a.y - b.y) <= RapidJoinDistance) {
                loop.Clearance = loops[i - 1].Clearance;
                loop.RapidStart = 0;
                continue;
            }
        }
        loop.Clearance = -rapidHeight;
        loop.RapidStart = 1;
    }
}

void AppendToolpaths(TRegionArrayX& loops, TOutRegionArray& toolpaths, double roughFeed) {
    for (std::size_t i = 1; i < loops.size(); ++i) {
        TVKRegionX& loop = loops[i];
        TVKOutRegion t;
        t.Feed = roughFeed;
        t.Depth = loop.Depth;
        t.Pending = loop.Pending;
        t.IsOpen = loop.IsOpen;
        t.HasLeads = loop.HasLeads;
        t.Clearance = loop.Clearance;
        t.RapidStart = loop.RapidStart;
        t.Entities = std::move(loop.Entities);
        toolpaths.push_back(std::move(t));
    }
}

namespace {

// Both forms of BuildToolpaths; owned is the contours when their segments may move out.
// appending: toolpaths already holds those built before (element 0 included) and keeps them.
void buildToolpaths(const TRegionArrayX& contours, TRegionArrayX* owned,
                    TMachiningParameters& params, TOutRegionArray& toolpaths,
                    const std::int32_t& runFlag, bool appending = false) {
    if (runFlag == 0)
        return;
    if (params.Increment == 0)
        params.Increment = 1;
    TMasterRegionArray plan;
    PlanPasses(contours, params.StepDown, plan);
    if (!appending)
        toolpaths.assign(1, TVKOutRegion{});

    TRegionArrayX loops(1);
    TMyEntityArray segments;
    for (std::size_t i = 1; i < plan.size(); ++i) {
        for (std::size_t j = 1; j < plan[i].Passes.size(); ++j) {
            const TMachineRegion& pass = plan[i].Passes[j];
            // Contours are looked up afresh for every pass: the message pump below may
            // have run a command that replaced them.
            const auto region = static_cast<std::size_t>(pass.Region);
            if (runFlag != 0 && region < contours.size()) {
                const bool open = contours[region].IsOpen != 0;
                // An open stroke is cut from the end nearer the pen; taken before the
                // segments may move out of the contour.
                const TPoint2 from = !open                  ? TPoint2{}
                                     : toolpaths.size() > 1 ? ToolpathEnd(toolpaths.back())
                                                            : ContourStart(contours[region]);
                if (owned != nullptr && j + 1 == plan[i].Passes.size())
                    segments = std::move((*owned)[region].Entities); // its last pass
                else
                    segments = contours[region].Entities;
                for (TMyEntity& e : segments)
                    e.Mark = 0;
                ProcessMessages();
                if (!open)
                    BuildLoops(segments, loops, pass.PassDepth, runFlag);
                else if (runFlag != 0)
                    AppendOpenLoop(std::move(segments), loops, pass.PassDepth, from);
                segments = TMyEntityArray(); // the loops hold copies; free it now
            }
            SetRapidFlags(loops, params.RapidHeight);
            AppendToolpaths(loops, toolpaths, params.RoughFeed);
            loops.resize(1);
        }
    }
}

} // namespace

void BuildToolpaths(const TRegionArrayX& contours, TMachiningParameters& params,
                    TOutRegionArray& toolpaths, const std::int32_t& runFlag) {
    buildToolpaths(contours, nullptr, params, toolpaths, runFlag);
}

void BuildToolpathsConsuming(TRegionArrayX& contours, TMachiningParameters& params,
                             TOutRegionArray& toolpaths, const std::int32_t& runFlag) {
    buildToolpaths(contours, &contours, params, toolpaths, runFlag);
}

void AppendToolpathsConsuming(TRegionArrayX& contours, TMachiningParameters& params,
                              TOutRegionArray& toolpaths, const std::int32_t& runFlag) {
    if (toolpaths.empty())
        toolpaths.resize(1);
    buildToolpaths(contours, &contours, params, toolpaths, runFlag, true);
}

} // namespace orlenta
