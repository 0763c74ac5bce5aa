#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/Types.h"
#include "engine/EngineTestSupport.h"
#include "engine/ShapeRegistry.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpPolygonShape.h"

namespace kivrano::testing {

inline std::string PointListText(const std::vector<TFloatPoint>& points) {
  std::ostringstream out;
  for (const TFloatPoint& p : points) out << "(" << p.X << ", " << p.Y << ") ";
  return out.str();
}

// Same length and every point within tolerance, in order.
inline ::testing::AssertionResult PointsNear(const std::vector<TFloatPoint>& actual,
                                             const std::vector<TFloatPoint>& expected, float tolerance = 1e-4f) {
  if (actual.size() != expected.size()) {
    return ::testing::AssertionFailure() << actual.size() << " points, expected " << expected.size()
                                         << "\n  actual:   " << PointListText(actual)
                                         << "\n  expected: " << PointListText(expected);
  }
  for (size_t i = 0; i < actual.size(); ++i) {
    if (!(std::fabs(actual[i].X - expected[i].X) <= tolerance && std::fabs(actual[i].Y - expected[i].Y) <= tolerance)) {
      return ::testing::AssertionFailure() << "point " << i << " is (" << actual[i].X << ", " << actual[i].Y
                                           << "), expected (" << expected[i].X << ", " << expected[i].Y << ")"
                                           << "\n  actual:   " << PointListText(actual);
    }
  }
  return ::testing::AssertionSuccess();
}

// The registered figure class of that name, or none when it is no polygon shape.
inline std::unique_ptr<TdtpPolygonShape> CreateFigure(const std::string& name) {
  RegisterFigureShapeClasses();
  std::unique_ptr<TdtpShape> shape = FindShapeClass(name).Create();
  if (!dynamic_cast<TdtpPolygonShape*>(shape.get())) return nullptr;
  return std::unique_ptr<TdtpPolygonShape>(static_cast<TdtpPolygonShape*>(shape.release()));
}

// Adds a new T to the fixture's current page without an undo record and returns it.
template <typename T>
T* AddWithoutUndo(test::DocumentFixture& f) {
  auto owned = std::make_unique<T>();
  T* shape = owned.get();
  f.doc.LockUndo();
  f.doc.AddShape(std::move(owned));
  f.doc.UnlockUndo();
  return shape;
}

}  // namespace kivrano::testing
