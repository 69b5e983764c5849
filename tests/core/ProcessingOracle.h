#pragma once
// The operations' previous, value-by-value code paths: the oracle of the block paths.
#include "core/processing/ProcessJob.h"

namespace vistrel::test {

// RunProcessJob with the previous code of operations 0 to 7 (others run nothing).
void RunOldProcessJob(ProcessJob& job, IProcessObserver& observer);

} // namespace vistrel::test
