// The contour builder's rules written the plain way: every scan walks its array from the
// first element and checks each element's own flag. Quadratic, but easy to read against
// the rules; the tests compare BuildContours with it and the benchmark takes it as its
// baseline. Keep it in step with kernel/ContourBuilder.cpp.
#pragma once

#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

namespace orlenta {

namespace plain_reference {

constexpr double JoinTolerance = 0.0005;
constexpr std::size_t BatchSize = 100;
constexpr std::size_t MaxBatches = 500;
constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

// The quicksort by MinX as the rules state it, swapping the items themselves at every
// partition step (the kernel runs the same steps on keys and moves each item once).
template <class Item>
void SwapSortByMinX(std::vector<Item>& list, std::ptrdiff_t lo, std::ptrdiff_t hi) {
    while (lo < hi) {
        std::ptrdiff_t i = lo;
        std::ptrdiff_t j = hi;
        const double pivot = list[static_cast<std::size_t>((lo + hi) / 2)].MinX;
        do {
            while (list[static_cast<std::size_t>(i)].MinX < pivot)
                ++i;
            while (list[static_cast<std::size_t>(j)].MinX > pivot)
                --j;
            if (i <= j) {
                std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j)
                SwapSortByMinX(list, lo, j);
            lo = i;
        } else {
            if (i < hi)
                SwapSortByMinX(list, i, hi);
            hi = j;
        }
    }
}

inline bool Meets(TPoint2 p, TPoint2 q) {
    return PointsMeet(p, q, JoinTolerance);
}

// One batch of the sorted segments, chained in place. Mark 1 = free.
class Batch {
  public:
    Batch(TMyEntity* segments, std::size_t count, bool clockwise, double depth)
        : seg_(segments), count_(count), clockwise_(clockwise), depth_(depth) {}

    void Build(TRegionArrayX& out) {
        if (count_ == 1 && seg_[0].Radius == 0 && seg_[0].X1 == 0 && seg_[0].Y1 == 0 &&
            seg_[0].X2 == 0 && seg_[0].Y2 == 0)
            return;
        for (std::size_t i = 0; i < count_; ++i)
            seg_[i].Mark = 1;
        for (std::size_t i = 0; i < count_; ++i) {
            if (seg_[i].Mark != 1)
                continue;
            seg_[i].Mark = 0;
            out.emplace_back();
            Grow(seg_[i], out.back());
            out.back().Depth = depth_;
        }
    }

  private:
    void Grow(TMyEntity& seed, TVKRegionX& c) {
        if (IsFullCircle(seed)) {
            AppendSegment(seed, c, (seed.Radius < 0) != clockwise_, 0);
            c.IsOpen = 0;
            return;
        }
        const TPoint2 head = SegmentStart(seed);
        TPoint2 tail = SegmentEnd(seed);
        AppendSegment(seed, c, false, 0);
        std::size_t n = 1, lastForward = 0;
        bool closed = false, grewBackward = false;
        for (;;) {
            bool sawFree = false;
            const bool found = Forward(c, head, tail, n, closed, sawFree);
            if (!sawFree)
                break;
            if (found) {
                ++n;
                if (closed)
                    break;
                continue;
            }
            lastForward = n - 1;
            TPoint2 cursor = head;
            while (Backward(c, cursor, n)) {
                ++n;
                grewBackward = true;
            }
            break;
        }
        c.Entities.resize(n);
        if (closed) {
            c.IsOpen = 0;
            OrientContour(c, clockwise_, false);
            return;
        }
        c.IsOpen = 1;
        if (grewBackward) {
            auto first = c.Entities.begin() + static_cast<std::ptrdiff_t>(lastForward + 1);
            std::reverse(first, c.Entities.end());
            std::rotate(c.Entities.begin(), first, c.Entities.end());
        }
    }

    bool Forward(TVKRegionX& c, TPoint2 head, TPoint2& tail, std::size_t n, bool& closed,
                 bool& sawFree) {
        for (std::size_t i = 0; i < count_; ++i) {
            TMyEntity& s = seg_[i];
            if (s.Mark != 1)
                continue;
            sawFree = true;
            if (s.MinX > tail.x + JoinTolerance)
                break;
            if (s.MaxX <= tail.x - JoinTolerance)
                continue;
            const auto [start, end] = SegmentEnds(s);
            const bool fromStart = Meets(start, tail);
            if (!fromStart && !Meets(end, tail))
                continue;
            MoveSegmentEnd(s, tail, fromStart ? TEnd::Start : TEnd::End);
            tail = fromStart ? end : start;
            if (Meets(tail, head)) {
                MoveSegmentEnd(s, head, fromStart ? TEnd::End : TEnd::Start);
                closed = true;
            }
            AppendSegment(s, c, !fromStart, n);
            return true;
        }
        return false;
    }

    bool Backward(TVKRegionX& c, TPoint2& cursor, std::size_t n) {
        for (std::size_t i = 0; i < count_; ++i) {
            TMyEntity& s = seg_[i];
            if (s.MinX > cursor.x + JoinTolerance)
                break;
            if (s.Mark != 1 || s.MaxX <= cursor.x - JoinTolerance)
                continue;
            const auto [start, end] = SegmentEnds(s);
            const bool fromStart = Meets(start, cursor);
            if (!fromStart && !Meets(end, cursor))
                continue;
            MoveSegmentEnd(s, cursor, fromStart ? TEnd::Start : TEnd::End);
            cursor = fromStart ? end : start;
            AppendSegment(s, c, fromStart, n);
            return true;
        }
        return false;
    }

    TMyEntity* seg_;
    std::size_t count_;
    bool clockwise_;
    double depth_;
};

// The joining pass over the sorted contours of all batches.
class Joiner {
  public:
    Joiner(TRegionArrayX& list, bool clockwise) : list_(list), clockwise_(clockwise) {}

    void Run() {
        std::vector<std::size_t> kept;
        for (std::size_t i = 0; i < list_.size(); ++i)
            if (!Joinable(list_[i]))
                kept.push_back(i);
        TRegionArrayX joined;
        for (std::size_t i = 0; i < list_.size(); ++i) {
            if (!Joinable(list_[i]))
                continue;
            list_[i].Pending = 0;
            joined.push_back(std::move(list_[i]));
            Join(joined.back());
        }
        TRegionArrayX result;
        for (std::size_t i : kept)
            result.push_back(std::move(list_[i]));
        for (TVKRegionX& c : joined)
            result.push_back(std::move(c));
        list_ = std::move(result);
    }

  private:
    static bool Joinable(const TVKRegionX& c) { return c.Pending != 0 && c.IsOpen != 0; }

    void Join(TVKRegionX& current) {
        auto [head, tail] = ContourEnds(current);
        bool closed = false, sawOpen = false;
        for (;;) {
            sawOpen = false;
            bool farEndMeetsHead = false;
            const std::size_t found = Forward(head, tail, farEndMeetsHead, sawOpen);
            if (found == NotFound)
                break;
            TVKRegionX& other = list_[found];
            GrowBox(current, other);
            current.Entities.insert(current.Entities.end(), other.Entities.begin(),
                                    other.Entities.end());
            other.Entities.clear();
            other.Pending = 0;
            if (farEndMeetsHead) {
                MoveContourEnd(current, head, TEnd::End);
                closed = true;
                break;
            }
        }
        if (!closed && sawOpen) {
            std::vector<std::size_t> before;
            TPoint2 cursor = head;
            for (std::size_t found; (found = Backward(cursor)) != NotFound;) {
                GrowBox(current, list_[found]);
                before.push_back(found);
                list_[found].Pending = 0;
            }
            TMyEntityArray chain;
            for (auto k = before.rbegin(); k != before.rend(); ++k)
                chain.insert(chain.end(), list_[*k].Entities.begin(), list_[*k].Entities.end());
            chain.insert(chain.end(), current.Entities.begin(), current.Entities.end());
            current.Entities = std::move(chain);
        }
        current.IsOpen = closed ? 0 : 1;
        if (closed)
            OrientContour(current, clockwise_, false);
    }

    std::size_t Forward(TPoint2 head, TPoint2& tail, bool& farEndMeetsHead, bool& sawOpen) {
        for (std::size_t i = 0; i < list_.size(); ++i) {
            TVKRegionX& other = list_[i];
            if (!Joinable(other))
                continue;
            sawOpen = true;
            if (other.MinX > tail.x + JoinTolerance)
                break;
            if (other.MaxX <= tail.x - JoinTolerance)
                continue;
            const auto [start, end] = ContourEnds(other);
            const bool fromStart = Meets(start, tail);
            if (!fromStart && !Meets(end, tail))
                continue;
            MoveContourEnd(other, tail, fromStart ? TEnd::Start : TEnd::End);
            tail = fromStart ? end : start;
            farEndMeetsHead = Meets(tail, head);
            if (!fromStart)
                OrientContour(other, clockwise_, true);
            return i;
        }
        return NotFound;
    }

    std::size_t Backward(TPoint2& cursor) {
        for (std::size_t i = 0; i < list_.size(); ++i) {
            TVKRegionX& other = list_[i];
            if (other.MinX > cursor.x + JoinTolerance)
                break;
            if (!Joinable(other) || other.MaxX <= cursor.x - JoinTolerance)
                continue;
            const auto [start, end] = ContourEnds(other);
            const bool fromStart = Meets(start, cursor);
            if (!fromStart && !Meets(end, cursor))
                continue;
            MoveContourEnd(other, cursor, fromStart ? TEnd::Start : TEnd::End);
            cursor = fromStart ? end : start;
            if (fromStart)
                OrientContour(other, clockwise_, true);
            return i;
        }
        return NotFound;
    }

    TRegionArrayX& list_;
    bool clockwise_;
};

// BuildContours' contract, the plain way.
inline void BuildContours(TMyEntityArray& segments, TRegionArrayX& result, std::uint8_t orientation,
                          double depth) {
    if (segments.empty())
        return;
    result.assign(1, TVKRegionX{});
    const bool clockwise = orientation != 0;
    TMyEntityArray work = std::move(segments);
    segments.clear();
    const std::size_t h = work.size() - 1;
    std::size_t size = BatchSize;
    std::size_t lastBatch = h / BatchSize;
    if (lastBatch > MaxBatches) {
        size = h / MaxBatches;
        lastBatch = h / size;
    }
    TRegionArrayX list;
    for (std::size_t b = 0; b <= lastBatch; ++b) {
        const std::size_t first = b * size;
        Batch(work.data() + first, std::min(size, work.size() - first), clockwise, depth)
            .Build(list);
    }
    for (TVKRegionX& c : list)
        c.Pending = 1;
    if (list.size() > 1)
        plain_reference::SwapSortByMinX(list, 0, static_cast<std::ptrdiff_t>(list.size()) - 1);
    Joiner(list, clockwise).Run();
    for (TVKRegionX& c : list)
        result.push_back(std::move(c));
}

} // namespace plain_reference

} // namespace orlenta
