// Feeds arbitrary bytes to the outline walk as a native outline buffer; the first byte
// picks the precision.
#include "glyph/UTTF2Vct.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace orlenta;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int precision = 1 + data[0] % MaxPrecision;
    // A copy of exactly the buffer's size, so any read past it is caught.
    std::vector<std::uint8_t> buffer(data + 1, data + size);
    TStrokeCollection strokes;
    WalkNativeOutline(buffer.data(), buffer.size(), precision, strokes);
    strokes.RemoveDuplicates();
    return 0;
}
