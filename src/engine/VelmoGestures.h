#pragma once

#include "ParameterTable.h"

// The gesture recogniser. Its parameter table lives in ParameterTable; the per-frame
// recognition state is added beside it in files of its own.
class VelmoGestures : public ParameterTable {
 public:
  VelmoGestures() = default;
};
