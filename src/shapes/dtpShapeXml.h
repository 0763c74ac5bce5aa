#pragma once

// Typed values of shape and effect elements in single precision.

#include <cmath>
#include <string>
#include <strings.h>

#include "storage/XmlDocuments.h"

namespace kivrano {

// A stored float as a single; what is no finite single reads as the default.
inline float ReadXmlFloat(const TXmlNode& node, const std::string& name, float defaultValue) {
  const double v = node.GetFloat(name, defaultValue);
  if (!std::isfinite(v) || std::fabs(v) > 3.0e38) return defaultValue;
  return static_cast<float>(v);
}

inline void WriteXmlFloat(TXmlNode& node, const std::string& name, float value, float defaultValue) {
  node.PutFloat(name, static_cast<double>(value), static_cast<double>(defaultValue));
}

// Whether node is an element of that name (letter case aside).
inline bool IsElementNamed(const TXmlNode* node, const char* name) {
  return (node->Kind() == xnElement || node->Kind() == xnEmptyElement) && strcasecmp(node->Name().c_str(), name) == 0;
}

}  // namespace kivrano
