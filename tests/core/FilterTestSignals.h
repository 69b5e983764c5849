#pragma once
// The deterministic test signals of scripts/filter_reference.py ("random", "sine", "trend").
#include <string>
#include <vector>

namespace vistrel::filters {
std::vector<double> ReferenceSignal(const std::string& kind, int n, double fs);
} // namespace vistrel::filters
