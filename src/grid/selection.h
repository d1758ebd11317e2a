#pragma once
// SelectionList: the grid's selection of cells, whole rows and whole
// columns, keyed by record so that it survives scrolling and refreshing.
#include <cstdint>

namespace kt {

class SelectionList {
 public:
  SelectionList() = default;
};

}  // namespace kt
