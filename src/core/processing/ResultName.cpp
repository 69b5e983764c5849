#include "core/processing/ResultName.h"

#include <string>

#include "platform/UniqueFile.h"

namespace vistrel {

std::filesystem::path ReserveResultName(const std::filesystem::path& name, platform::FileProblem* problem)
{
    const std::filesystem::path folder = name.parent_path();
    const std::filesystem::path stem = name.stem();
    const std::filesystem::path extension = name.extension();
    for (int n = 1; n <= 9999; ++n) {
        std::filesystem::path candidate = name;
        if (n > 1) {
            std::filesystem::path file = stem;
            file += "_" + std::to_string(n);
            file += extension;
            candidate = folder / file;
        }
        platform::FileProblem why = platform::FileProblem::None;
        switch (platform::CreateExclusiveFile(candidate, &why)) {
        case platform::CreateOutcome::Created:
            if (problem) *problem = platform::FileProblem::None;
            return candidate;
        case platform::CreateOutcome::Exists: continue;
        case platform::CreateOutcome::Failed:
            if (problem) *problem = why;
            return {};
        }
    }
    if (problem) *problem = platform::FileProblem::Other;
    return {};
}

} // namespace vistrel
