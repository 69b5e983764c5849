#include "core/processing/LinearCoeffs.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/processing/FileUtil.h"

namespace vistrel {

CoeffFileStatus ReadCoeffFile(const std::string& path, float* coeffA, float* coeffB,
                              std::vector<int>* changed, int* badLine,
                              platform::FileProblem* problem) {
    std::ifstream in;
    const platform::FileProblem why = OpenForReading(PathFromUtf8(path), in);
    if (problem)
        *problem = why;
    if (why != platform::FileProblem::None)
        return CoeffFileStatus::NotFound;
    std::string line;
    if (!ReadLine(in, line) || line.compare(0, std::strlen(kCoeffFileHeader), kCoeffFileHeader) != 0)
        return CoeffFileStatus::NotCoeffFile;
    struct Entry {
        int index;
        float a, b;
    };
    std::vector<Entry> entries; // stored only once the whole file has been read
    int lineNumber = 1;
    auto refuse = [&](CoeffFileStatus status) {
        if (badLine)
            *badLine = lineNumber;
        return status;
    };
    while (ReadLine(in, line)) {
        ++lineNumber;
        if (line.size() <= 3 || IsBlankLine(line))
            continue;
        // "number;A;B": the channel number and A are needed; a missing B reads 0.
        long number = 0;
        float a = 0.0f, b = 0.0f;
        const char* p = line.c_str();
        if (!ReadLong(p, number) || *p != ';')
            return refuse(CoeffFileStatus::NotNumbers);
        ++p;
        if (!ReadFloat(p, a))
            return refuse(CoeffFileStatus::NotNumbers);
        if (*p == ';') {
            ++p;
            ReadFloat(p, b);
        }
        if (number < 1 || number > kMaxCoeffChannels)
            continue;
        if (!std::isfinite(a) || !std::isfinite(b))
            return refuse(CoeffFileStatus::BadNumber);
        entries.push_back({static_cast<int>(number) - 1, a, b});
    }
    for (const Entry& e : entries) {
        coeffA[e.index] = e.a;
        coeffB[e.index] = e.b;
        if (changed)
            changed->push_back(e.index);
    }
    return CoeffFileStatus::Ok;
}

bool WriteCoeffFile(const std::string& path, const float* coeffA, const float* coeffB, int count) {
    if (count < 0 || count > kMaxCoeffChannels)
        return false;
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out << kCoeffFileHeader << "\r\n";
    char buf[128];
    for (int i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "%d;%g;%g\r\n", i + 1, static_cast<double>(coeffA[i]),
                      static_cast<double>(coeffB[i]));
        out << buf;
    }
    out.flush();
    return static_cast<bool>(out);
}

} // namespace vistrel
