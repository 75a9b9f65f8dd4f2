// The finiteness checkpoint and safe double-to-integer conversions; see Errors.h.
#include "kernel/Errors.h"

#include <cmath>

namespace orlenta {

void RaiseNotFinite(double v) {
    if (std::isnan(v))
        throw EInvalidOp();
    throw EOverflow();
}

std::int32_t TruncToInt32(double v) {
    // The bounds are exact in double, so the comparison itself decides the range.
    if (!(v > -2147483649.0 && v < 2147483648.0))
        throw EInvalidOp();
    return static_cast<std::int32_t>(v);
}

std::int32_t RoundToInt32(double v) {
    // Halves to even: nearbyint in the default rounding mode.
    if (!(v > -2147483648.5 && v < 2147483647.5))
        throw EInvalidOp();
    return static_cast<std::int32_t>(std::nearbyint(v));
}

std::int64_t TruncToInt64(double v) {
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
        throw EInvalidOp();
    return static_cast<std::int64_t>(v);
}

} // namespace orlenta
