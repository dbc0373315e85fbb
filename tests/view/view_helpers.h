// Small models for the view tests, filled straight into the tables.
#pragma once

#include <string>

#include "analysis/modelstore.h"

namespace tarvelin::test {

inline void SetNode(ModelStore& s, int n, double x, double y, double z) {
  s.CoordGrid.SetCell(1, n, std::to_string(x));
  s.CoordGrid.SetCell(2, n, std::to_string(y));
  s.CoordGrid.SetCell(3, n, std::to_string(z));
}

inline void SetBar(ModelStore& s, int i, int begin, int end, int type = 0) {
  s.EleGrid.SetCell(1, i, std::to_string(begin));
  s.EleGrid.SetCell(2, i, std::to_string(end));
  s.EleGrid.SetCell(3, i, std::to_string(type));
}

// Three bars from the block's underside down to supports, plus a horizontal one: nodes
// 1..4 on the block, 5..8 supported; types 0 and 1.
inline ModelStore SmallModel() {
  ModelStore s;
  InitTables(s);
  s.PropGrid.SetCell(1, 1, "210000000");
  s.PropGrid.SetCell(2, 1, "0.001");
  s.PropGrid.SetCell(1, 2, "70000000");
  s.PropGrid.SetCell(2, 2, "0.002");
  SetNode(s, 1, 1, 0, 0.5);
  SetNode(s, 2, -1, 0.5, 0.5);
  SetNode(s, 3, -1, -0.5, 0.5);
  SetNode(s, 4, 0, 1, 0);
  SetNode(s, 5, 1, 0, 2);
  SetNode(s, 6, -1, 0.5, 2);
  SetNode(s, 7, -1, -0.5, 2);
  SetNode(s, 8, 0, 3, 0);
  SetBar(s, 1, 1, 5, 0);
  SetBar(s, 2, 2, 6, 0);
  SetBar(s, 3, 3, 7, 1);
  SetBar(s, 4, 4, 8, 1);
  return s;
}

}  // namespace tarvelin::test
