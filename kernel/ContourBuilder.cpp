// The contour builder: chains loose segments, sorted by MinX, into closed or open contours,
// batch by batch, then joins the open chains that batch borders have cut. The tests keep
// a plain, quadratic version of the same rules (tests/kernel/PlainContourBuilder.h) and
// check that both choose the same pieces.
#include "kernel/ContourBuilder.h"

#include "kernel/Hooks.h"
#include "kernel/QuorvelKernel.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>

namespace orlenta {

namespace {

// Two ends closer than this in X and in Y (each strictly) meet; the end joined on is then
// moved onto the other, so finished chains have no gaps.
constexpr double JoinTolerance = 0.0005;
// Batches keep the quadratic search small; very large inputs get larger batches so that
// their number stays near MaxBatches.
constexpr std::size_t BatchSize = 100;
constexpr std::size_t MaxBatches = 500;

constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

// The still-free elements of an array, in index order, in a doubly linked list, so that
// a scan never touches a used element.
class FreeElements {
  public:
    explicit FreeElements(std::size_t count) : count_(count) {
        // Index count_ is the anchor of a circular list: anchor, 0, 1, ..., count - 1.
        next_.resize(count_ + 1);
        prev_.resize(count_ + 1);
        for (std::size_t i = 0; i <= count_; ++i) {
            next_[i] = i == count_ ? 0 : i + 1;
            prev_[i] = i == 0 ? count_ : i - 1;
        }
        if (count_ == 0)
            next_[0] = prev_[0] = 0;
    }

    // First free index, or count when there is none.
    std::size_t First() const { return next_[count_]; }
    std::size_t Next(std::size_t i) const { return next_[i]; }

    void Remove(std::size_t i) {
        next_[prev_[i]] = next_[i];
        prev_[next_[i]] = prev_[i];
        next_[i] = prev_[i] = i; // a second Remove is harmless
    }

  private:
    std::size_t count_;
    std::vector<std::size_t> next_;
    std::vector<std::size_t> prev_;
};

// Answers "the first element, free or not, whose MinX is greater than v" in O(log n): the
// running maximum of MinX rises monotonically and exceeds v exactly from that element on,
// whether or not the array is sorted (a NaN MinX exceeds nothing and is left out of it).
class StopFinder {
  public:
    template <class MinXOf> void Build(std::size_t count, MinXOf minX) {
        runningMax_.resize(count);
        double top = -std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < count; ++i) {
            const double x = minX(i);
            if (x > top)
                top = x;
            runningMax_[i] = top;
        }
    }
    std::size_t FirstAbove(double v) const {
        return static_cast<std::size_t>(
            std::upper_bound(runningMax_.begin(), runningMax_.end(), v) - runningMax_.begin());
    }

  private:
    std::vector<double> runningMax_;
};

// One batch: a contiguous slice of the sorted input, chained in place. Mark 1 = free.
class BatchChainer {
  public:
    // chain is scratch space, reused from batch to batch.
    BatchChainer(TMyEntity* segments, std::size_t count, bool clockwise, double depth,
                 TMyEntityArray& chain)
        : seg_(segments), count_(count), clockwise_(clockwise), depth_(depth), free_(count),
          chain_(chain) {
        stops_.Build(count_, [this](std::size_t i) { return seg_[i].MinX; });
    }

    // Appends the batch's contours to out.
    void Build(TRegionArrayX& out) {
        // A batch of one all-zero line is the empty outline of a blank character.
        if (count_ == 1 && seg_[0].Radius == 0 && seg_[0].X1 == 0 && seg_[0].Y1 == 0 &&
            seg_[0].X2 == 0 && seg_[0].Y2 == 0)
            return;
        for (std::size_t i = 0; i < count_; ++i)
            seg_[i].Mark = 1;
        for (std::size_t i = 0; i < count_; ++i) {
            if (seg_[i].Mark != 1)
                continue; // already taken by an earlier contour
            seg_[i].Mark = 0;
            free_.Remove(i);
            // The chain grows in a reused buffer and is then copied at its exact size, so
            // no contour keeps the spare capacity of its growth.
            TVKRegionX& c = out.emplace_back();
            c.Entities.swap(chain_);
            Grow(i, c);
            c.Depth = depth_;
            chain_.swap(c.Entities);
            c.Entities.assign(chain_.begin(), chain_.end());
            chain_.clear();
        }
    }

  private:
    void Take(std::size_t i, TVKRegionX& c, bool reversed, std::size_t index) {
        AppendSegment(seg_[i], c, reversed, index);
        free_.Remove(i);
    }

    void Grow(std::size_t seedIndex, TVKRegionX& c) {
        TMyEntity& seed = seg_[seedIndex];
        if (IsFullCircle(seed)) {
            // A full circle is a contour by itself.
            const bool isClockwise = seed.Radius < 0;
            AppendSegment(seed, c, isClockwise != clockwise_, 0);
            c.IsOpen = 0;
            return;
        }
        const TPoint2 head = SegmentStart(seed);
        TPoint2 tail = SegmentEnd(seed);
        AppendSegment(seed, c, false, 0);
        std::size_t n = 1;
        std::size_t lastForward = 0;
        bool closed = false;
        bool grewBackward = false;

        for (;;) {
            bool sawFree = false;
            const std::size_t found = ForwardStep(c, head, tail, n, closed, sawFree);
            if (!sawFree)
                break;
            if (found != NotFound) {
                ++n;
                if (closed)
                    break;
                continue;
            }
            lastForward = n - 1;
            TPoint2 cursor = head;
            while (BackwardStep(c, cursor, n)) {
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
            // Backward pieces were stored ending where the chain began; put them first,
            // farthest first, so the chain runs one way from its far start to the tail.
            auto first = c.Entities.begin() + static_cast<std::ptrdiff_t>(lastForward + 1);
            std::reverse(first, c.Entities.end());
            std::rotate(c.Entities.begin(), first, c.Entities.end());
        }
    }

    // One forward scan from the tail; appends the first free segment that meets it.
    std::size_t ForwardStep(TVKRegionX& c, TPoint2 head, TPoint2& tail, std::size_t n, bool& closed,
                            bool& sawFree) {
        const double right = tail.x + JoinTolerance;
        const double left = tail.x - JoinTolerance;
        for (std::size_t i = free_.First(); i < count_; i = free_.Next(i)) {
            TMyEntity& s = seg_[i];
            if (s.Mark != 1)
                continue;
            sawFree = true;
            if (s.MinX > right)
                break; // sorted by MinX: nothing later reaches the tail
            if (s.MaxX <= left)
                continue;
            const auto [start, end] = SegmentEnds(s);
            if (PointsMeet(start, tail, JoinTolerance)) {
                MoveSegmentEnd(s, tail, TEnd::Start);
                tail = end;
                if (PointsMeet(end, head, JoinTolerance)) {
                    MoveSegmentEnd(s, head, TEnd::End);
                    closed = true;
                }
                Take(i, c, false, n);
                return i;
            }
            if (PointsMeet(end, tail, JoinTolerance)) {
                MoveSegmentEnd(s, tail, TEnd::End);
                tail = start;
                if (PointsMeet(start, head, JoinTolerance)) {
                    MoveSegmentEnd(s, head, TEnd::Start);
                    closed = true;
                }
                Take(i, c, true, n);
                return i;
            }
        }
        return NotFound;
    }

    // One backward scan from the cursor (the chain's current start); no closure test here.
    bool BackwardStep(TVKRegionX& c, TPoint2& cursor, std::size_t n) {
        const double right = cursor.x + JoinTolerance;
        const double left = cursor.x - JoinTolerance;
        const std::size_t stop = stops_.FirstAbove(right);
        for (std::size_t i = free_.First(); i < stop; i = free_.Next(i)) {
            TMyEntity& s = seg_[i];
            if (s.MinX > right)
                break; // free or not
            if (s.Mark != 1 || s.MaxX <= left)
                continue;
            const auto [start, end] = SegmentEnds(s);
            if (PointsMeet(start, cursor, JoinTolerance)) {
                MoveSegmentEnd(s, cursor, TEnd::Start);
                cursor = end;
                Take(i, c, true, n);
                return true;
            }
            if (PointsMeet(end, cursor, JoinTolerance)) {
                MoveSegmentEnd(s, cursor, TEnd::End);
                cursor = start;
                Take(i, c, false, n);
                return true;
            }
        }
        return false;
    }

    TMyEntity* seg_;
    std::size_t count_;
    bool clockwise_;
    double depth_;
    FreeElements free_;
    StopFinder stops_;
    TMyEntityArray& chain_;
};

// The joining pass over the flattened, sorted contours: every open, pending contour in
// turn grows at its tail, then (unless it closed) at its head, by absorbing other open,
// pending contours whose ends meet.
class OpenJoiner {
  public:
    OpenJoiner(TRegionArrayX& list, bool clockwise)
        : list_(list), count_(list.size()), clockwise_(clockwise), open_(count_) {
        for (std::size_t i = 0; i < count_; ++i)
            if (!IsJoinable(list_[i]))
                open_.Remove(i);
        stops_.Build(count_, [this](std::size_t i) { return list_[i].MinX; });
    }

    void Run() {
        std::vector<std::size_t> kept;
        for (std::size_t i = 0; i < count_; ++i)
            if (list_[i].IsOpen == 0 || list_[i].Pending == 0)
                kept.push_back(i);

        TRegionArrayX joined;
        const std::size_t pumpEvery = std::max<std::size_t>(1, count_ / 10);
        for (std::size_t i = 0; i < count_; ++i) {
            if (i % pumpEvery == 0)
                ProcessMessages();
            if (!IsJoinable(list_[i]))
                continue;
            list_[i].Pending = 0;
            open_.Remove(i);
            // The list keeps the contour's box for the scans; its segments move out.
            joined.push_back(std::move(list_[i]));
            Join(joined.back());
        }

        TRegionArrayX result;
        result.reserve(kept.size() + joined.size());
        for (std::size_t i : kept)
            result.push_back(std::move(list_[i]));
        for (TVKRegionX& c : joined)
            result.push_back(std::move(c));
        list_ = std::move(result);
    }

  private:
    static bool IsJoinable(const TVKRegionX& c) { return c.Pending != 0 && c.IsOpen != 0; }

    // The pieces are collected first and the chain is put together once at its exact
    // size: before-pieces (farthest first), current, after-pieces (in the order found).
    void Join(TVKRegionX& current) {
        auto [head, tail] = ContourEnds(current);
        bool closed = false;
        bool sawOpen = false;
        after_.clear();
        before_.clear();
        for (;;) {
            sawOpen = false;
            bool farEndMeetsHead = false;
            const std::size_t found = ForwardScan(head, tail, farEndMeetsHead, sawOpen);
            if (found == NotFound)
                break;
            GrowBox(current, list_[found]);
            after_.push_back(found);
            Consume(found);
            if (farEndMeetsHead) {
                closed = true;
                break;
            }
        }

        if (!closed && sawOpen) {
            // Pieces joined at the head, in the order found; each ends where the chain
            // started before it.
            TPoint2 cursor = head;
            for (std::size_t found; (found = BackwardScan(cursor)) != NotFound;) {
                GrowBox(current, list_[found]);
                before_.push_back(found);
                Consume(found);
            }
        }

        if (!after_.empty() || !before_.empty()) {
            std::size_t total = current.Entities.size();
            for (std::size_t k : before_)
                total += list_[k].Entities.size();
            for (std::size_t k : after_)
                total += list_[k].Entities.size();
            TMyEntityArray chain;
            chain.reserve(total);
            const auto append = [&chain](TMyEntityArray& piece) {
                chain.insert(chain.end(), piece.begin(), piece.end());
                piece = TMyEntityArray();
            };
            for (auto k = before_.rbegin(); k != before_.rend(); ++k)
                append(list_[*k].Entities);
            append(current.Entities);
            for (std::size_t k : after_)
                append(list_[k].Entities);
            current.Entities = std::move(chain);
        }

        if (closed) {
            MoveContourEnd(current, head, TEnd::End);
            current.IsOpen = 0;
            OrientContour(current, clockwise_, false);
        } else {
            current.IsOpen = 1;
        }
    }

    void Consume(std::size_t i) {
        list_[i].Pending = 0;
        open_.Remove(i);
    }

    std::size_t ForwardScan(TPoint2 head, TPoint2& tail, bool& farEndMeetsHead, bool& sawOpen) {
        const double right = tail.x + JoinTolerance;
        const double left = tail.x - JoinTolerance;
        for (std::size_t i = open_.First(); i < count_; i = open_.Next(i)) {
            TVKRegionX& other = list_[i];
            if (!IsJoinable(other))
                continue;
            sawOpen = true;
            if (other.MinX > right)
                break;
            if (other.MaxX <= left)
                continue;
            const auto [start, end] = ContourEnds(other);
            if (PointsMeet(start, tail, JoinTolerance)) {
                MoveContourEnd(other, tail, TEnd::Start);
                tail = end;
                farEndMeetsHead = PointsMeet(end, head, JoinTolerance);
                return i;
            }
            if (PointsMeet(end, tail, JoinTolerance)) {
                MoveContourEnd(other, tail, TEnd::End);
                tail = start;
                farEndMeetsHead = PointsMeet(start, head, JoinTolerance);
                OrientContour(other, clockwise_, true);
                return i;
            }
        }
        return NotFound;
    }

    std::size_t BackwardScan(TPoint2& cursor) {
        const double right = cursor.x + JoinTolerance;
        const double left = cursor.x - JoinTolerance;
        const std::size_t stop = stops_.FirstAbove(right);
        for (std::size_t i = open_.First(); i < stop; i = open_.Next(i)) {
            TVKRegionX& other = list_[i];
            if (other.MinX > right)
                break; // of any kind
            if (!IsJoinable(other) || other.MaxX <= left)
                continue;
            const auto [start, end] = ContourEnds(other);
            if (PointsMeet(start, cursor, JoinTolerance)) {
                MoveContourEnd(other, cursor, TEnd::Start);
                cursor = end;
                OrientContour(other, clockwise_, true);
                return i;
            }
            if (PointsMeet(end, cursor, JoinTolerance)) {
                MoveContourEnd(other, cursor, TEnd::End);
                cursor = start;
                return i;
            }
        }
        return NotFound;
    }

    TRegionArrayX& list_;
    std::size_t count_;
    bool clockwise_;
    FreeElements open_;
    StopFinder stops_;
    std::vector<std::size_t> after_;
    std::vector<std::size_t> before_;
};

} // namespace

void BuildContours(TMyEntityArray& segments, TRegionArrayX& result, std::uint8_t orientation,
                   double depth) {
    if (segments.empty())
        return;
    ProcessMessages();
    result.assign(1, TVKRegionX{});
    const bool clockwise = orientation != 0;

    // The batches are chained in place; the caller's array is consumed.
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
    TMyEntityArray chain;
    for (std::size_t b = 0; b <= lastBatch; ++b) {
        const std::size_t first = b * size;
        const std::size_t count = std::min(size, work.size() - first);
        BatchChainer(work.data() + first, count, clockwise, depth, chain).Build(list);
    }

    for (TVKRegionX& c : list)
        c.Pending = 1;
    if (list.size() > 1)
        SortByMinX(list, 0, static_cast<std::ptrdiff_t>(list.size()) - 1);

    OpenJoiner(list, clockwise).Run();

    result.reserve(1 + list.size());
    for (TVKRegionX& c : list)
        result.push_back(std::move(c));
}

} // namespace orlenta
