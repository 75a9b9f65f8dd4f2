// The process-wide state; see Globals.h.
#include "app/core/Globals.h"

namespace orlenta {

TGlobals& Globals() {
    static TGlobals g;
    return g;
}

void SetStartupValues(TGlobals& g) {
    g.Params.Precision = 8;
    g.Params.Depth = 0.5;
    g.OrientationFlag = 1;
}

} // namespace orlenta
