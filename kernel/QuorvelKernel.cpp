// Geometric primitives and the contour builder.
#include "QuorvelKernel.h"
