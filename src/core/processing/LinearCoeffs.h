#pragma once
// The coefficient file of the linear transformation Y = A*X + B.
#include "platform/FileCheck.h"

#include <string>
#include <vector>

namespace vistrel {

constexpr int kMaxCoeffChannels = 256;
inline constexpr const char* kCoeffFileHeader = "#Linear Transformation Coeffs#";

enum class CoeffFileStatus { Ok, NotFound, NotCoeffFile, BadNumber, NotNumbers };

// Reads a coefficient file into A and B (256 entries each). Lines may come in any order and
// name any subset of channels; numbers outside 1..256 are ignored. `changed` receives the
// 0-based indices stored, in file order. Nothing is stored unless the status is Ok. BadNumber:
// a coefficient is NaN or infinite (or beyond a float); `badLine` gets its 1-based line.
// NotNumbers: a line (other than a blank one or one of 3 characters or fewer, which are
// skipped) does not begin with "number;A" (B may be missing and reads 0); `badLine` likewise.
// Lines may end in CR LF, LF or CR. NotFound: the file cannot be read (`problem` says why;
// a FIFO or device is refused without being opened).
CoeffFileStatus ReadCoeffFile(const std::string& path, float* coeffA, float* coeffB,
                              std::vector<int>* changed = nullptr, int* badLine = nullptr,
                              platform::FileProblem* problem = nullptr);

// Writes the header and one "%d;%g;%g" line per channel 0..count-1. False when the file cannot
// be created or written completely.
bool WriteCoeffFile(const std::string& path, const float* coeffA, const float* coeffB, int count);

} // namespace vistrel
