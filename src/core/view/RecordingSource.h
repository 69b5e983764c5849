#pragma once
// The samples of an open recording as the plot reads them.

#include "core/recording/DataFile.h"
#include "core/view/SampleSource.h"

namespace vistrel {

class CRecordingSource : public ISampleSource {
public:
    explicit CRecordingSource(const CDataFile* file = nullptr) : m_file(file) {}
    void Attach(const CDataFile* file) { m_file = file; }

    uint64_t Samples() const override {
        return m_file && m_file->Samples() > 0 ? static_cast<uint64_t>(m_file->Samples()) : 0;
    }
    int Channels() const override { return m_file ? m_file->Channels() : 0; }
    bool IsRawImage() const override { return m_file && m_file->Type() != 1; }
    long double Value(uint64_t k, int c) const override { return m_file ? m_file->SampleValue(k, c) : 0; }
    uint16_t Raw(uint64_t k, int c) const override { return m_file ? m_file->RawCount(k, c) : 0; }
    void WillRead(uint64_t a, uint64_t b) const override {
        if (m_file) m_file->AdviseWillNeed(a, b);
    }
    void DoneReading(uint64_t a, uint64_t b) const override {
        if (m_file) m_file->AdviseDone(a, b);
    }
    void FindExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                      uint64_t* maxPos) const override;
    void ReadValues(uint64_t k0, size_t rows, int c, double* out) const override;
    void FindMoments(const int* channels, int count, uint64_t a, uint64_t b, Moments* out) const override;

private:
    static constexpr uint64_t kSectorCounts = 124;
    void FloatExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                       uint64_t* maxPos) const;
    void RawExtremes(const int* channels, int count, uint64_t a, uint64_t b, uint64_t* minPos,
                     uint64_t* maxPos) const;
    // Counts of logical sector L, or null for a hole or a sector past the last one.
    const uint8_t* SectorCounts(uint64_t L) const;
    const CDataFile* m_file;
};

} // namespace vistrel
