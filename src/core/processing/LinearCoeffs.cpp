#include "core/processing/LinearCoeffs.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/processing/FileUtil.h"

namespace vistrel {

CoeffFileStatus ReadCoeffFile(const std::string& path, float* coeffA, float* coeffB,
                              std::vector<int>* changed) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in)
        return CoeffFileStatus::NotFound;
    std::string line;
    if (!ReadLine(in, line, 256) ||
        line.compare(0, std::strlen(kCoeffFileHeader), kCoeffFileHeader) != 0)
        return CoeffFileStatus::NotCoeffFile;
    int number = 0; // a line without a number keeps the previous line's
    while (ReadLine(in, line, 256)) {
        if (line.size() <= 3)
            continue;
        float a = 0.0f, b = 0.0f;
        std::sscanf(line.c_str(), "%d;%g;%g", &number, &a, &b);
        if (number < 1 || number > kMaxCoeffChannels)
            continue;
        coeffA[number - 1] = a;
        coeffB[number - 1] = b;
        if (changed)
            changed->push_back(number - 1);
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
