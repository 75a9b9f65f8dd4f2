// The error the drawing model raises for misuse of its layers and entities.
#pragma once

#include "kernel/Errors.h"

#include <string>

namespace orlenta {

class DXF_exception : public OrlentaError {
  public:
    using OrlentaError::OrlentaError;
};

} // namespace orlenta
