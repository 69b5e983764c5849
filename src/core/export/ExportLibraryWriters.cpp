// The formats written through their own libraries: WAV/RF64 (libsndfile), HDF5 (libhdf5) and
// MATLAB v7.3 (matio). Each is compiled only when its library was found.
#include "core/export/ExportWriters.h"

#include <cerrno>
#include <cmath>
#include <cstdio>

#include <algorithm>
#include <vector>

#if VISTREL_WITH_SNDFILE
#include <sndfile.h>
#endif
#if VISTREL_WITH_HDF5
#include <hdf5.h>
#endif
#if VISTREL_WITH_MATIO
#include <matio.h>
#endif

namespace vistrel::exporting {

bool FormatAvailable(ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv:
    case ExportFormat::Npy: return true;
    case ExportFormat::Wav: return VISTREL_WITH_SNDFILE != 0;
    case ExportFormat::Hdf5: return VISTREL_WITH_HDF5 != 0;
    case ExportFormat::Mat: return VISTREL_WITH_MATIO != 0;
    default: return false;
    }
}

namespace {

[[maybe_unused]] std::string UtcText(int64_t fileTime) {
    return IsoTime(fileTime) + "Z";
}

#if VISTREL_WITH_SNDFILE
class WavWriter : public ExportWriter {
public:
    explicit WavWriter(const ExportInfo& info) : m_info(info) {}
    ~WavWriter() override { Abort(); }
    bool UsesSink() const override { return false; }
    bool Open(const std::filesystem::path& path, ByteSink&) override {
        SF_INFO sf{};
        sf.samplerate = static_cast<int>(std::lround(m_info.rate));
        sf.channels = static_cast<int>(m_info.channelNumbers.size());
        sf.format = SF_FORMAT_RF64 | SF_FORMAT_FLOAT;
        errno = 0;
        m_file = sf_open(path.string().c_str(), SFM_WRITE, &sf);
        if (!m_file)
            return Failed(nullptr);
        // RF64 only when the data outgrows RIFF's 4 GiB; smaller results come out as plain WAV.
        if (!m_info.forceRf64)
            sf_command(m_file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
        if (static_cast<double>(sf.samplerate) != m_info.rate) {
            char text[96];
            std::snprintf(text, sizeof text, "rate=%.17g Hz", m_info.rate);
            sf_set_string(m_file, SF_STR_COMMENT, text);
        }
        return true;
    }
    bool Write(const float* values, size_t count, uint64_t) override {
        errno = 0;
        const sf_count_t frames = static_cast<sf_count_t>(count);
        if (sf_writef_float(m_file, values, frames) != frames)
            return Failed(m_file);
        return true;
    }
    bool Finish() override {
        errno = 0;
        sf_write_sync(m_file);
        const int rc = sf_close(m_file);
        m_file = nullptr;
        if (rc != 0) {
            m_errno = errno;
            m_error = sf_error_number(rc);
            return false;
        }
        return true;
    }
    void Abort() override {
        if (m_file)
            sf_close(m_file);
        m_file = nullptr;
    }

private:
    bool Failed(SNDFILE* file) {
        m_errno = errno;
        m_error = sf_strerror(file);
        return false;
    }
    ExportInfo m_info;
    SNDFILE* m_file = nullptr;
};
#endif

#if VISTREL_WITH_HDF5
// Attributes of the HDF5 writer: a scalar, a text or a one-dimensional array.
bool PutAttribute(hid_t obj, const char* name, hid_t type, const void* data, hsize_t count) {
    const hid_t space = count == 0 ? H5Screate(H5S_SCALAR) : H5Screate_simple(1, &count, nullptr);
    const hid_t attr = H5Acreate2(obj, name, type, space, H5P_DEFAULT, H5P_DEFAULT);
    const bool ok = attr >= 0 && H5Awrite(attr, type, data) >= 0;
    if (attr >= 0)
        H5Aclose(attr);
    H5Sclose(space);
    return ok;
}

bool PutText(hid_t obj, const char* name, const std::string& text) {
    const hid_t type = H5Tcopy(H5T_C_S1);
    H5Tset_size(type, std::max<size_t>(1, text.size()));
    H5Tset_cset(type, H5T_CSET_UTF8);
    const bool ok = PutAttribute(obj, name, type, text.data(), 0);
    H5Tclose(type);
    return ok;
}

class Hdf5Writer : public ExportWriter {
public:
    explicit Hdf5Writer(const ExportInfo& info) : m_info(info) {}
    ~Hdf5Writer() override { Abort(); }
    bool UsesSink() const override { return false; }
    bool Open(const std::filesystem::path& path, ByteSink&) override {
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr); // failures are reported by return codes
        errno = 0;
        m_file = H5Fcreate(path.string().c_str(), H5F_ACC_TRUNC, H5P_DEFAULT, H5P_DEFAULT);
        if (m_file < 0)
            return Failed("cannot create the HDF5 file");
        const size_t width = m_info.channelNumbers.size();
        const hsize_t dims[2] = {m_info.rows, width};
        const hid_t space = H5Screate_simple(2, dims, nullptr);
        const hid_t props = H5Pcreate(H5P_DATASET_CREATE);
        if (m_info.h5Deflate) {
            // Chunks of about 256 KiB of whole rows, shuffled and deflated.
            const hsize_t chunkRows = std::max<hsize_t>(1, std::min<hsize_t>(m_info.rows, 65536 / width));
            const hsize_t chunk[2] = {chunkRows, width};
            H5Pset_chunk(props, 2, chunk);
            H5Pset_shuffle(props);
            H5Pset_deflate(props, 4);
        } else {
            // One contiguous block that the rows fill in order: the file holds the values as
            // they are and a reader can map them. Every value is written, so no fill is needed.
            H5Pset_layout(props, H5D_CONTIGUOUS);
            H5Pset_fill_time(props, H5D_FILL_TIME_NEVER);
        }
        m_data = H5Dcreate2(m_file, "/samples", H5T_IEEE_F32LE, space, H5P_DEFAULT, props, H5P_DEFAULT);
        H5Pclose(props);
        H5Sclose(space);
        if (m_data < 0)
            return Failed("cannot create the dataset /samples");
        std::vector<int32_t> numbers(m_info.channelNumbers.begin(), m_info.channelNumbers.end());
        const hsize_t n = width;
        const int64_t filetime = m_info.startUtc;
        const bool ok = PutAttribute(m_data, "rate", H5T_NATIVE_DOUBLE, &m_info.rate, 0) &&
                        PutText(m_data, "start_time", UtcText(m_info.startUtc)) &&
                        PutAttribute(m_data, "start_filetime", H5T_NATIVE_INT64, &filetime, 0) &&
                        PutAttribute(m_data, "channel_numbers", H5T_NATIVE_INT32, numbers.data(), n) &&
                        PutAttribute(m_data, "display_low", H5T_NATIVE_DOUBLE, m_info.displayLow.data(), n) &&
                        PutAttribute(m_data, "display_high", H5T_NATIVE_DOUBLE, m_info.displayHigh.data(), n) &&
                        PutText(m_data, "source", m_info.source);
        return ok || Failed("cannot write the attributes");
    }
    bool Write(const float* values, size_t count, uint64_t firstRow) override {
        return WriteRows(values, H5T_NATIVE_FLOAT, count, firstRow);
    }
    // The contiguous dataset takes the stored little-endian rows as they are: the library then
    // writes them from the caller's memory (the recording's mapping) with no conversion.
    bool TakesStoredRows() const override { return !m_info.h5Deflate; }
    bool WriteStored(const void* rows, size_t count, uint64_t firstRow) override {
        return WriteRows(rows, H5T_IEEE_F32LE, count, firstRow);
    }
    bool Finish() override {
        errno = 0;
        const bool ok = H5Dclose(m_data) >= 0;
        m_data = -1;
        const bool closed = H5Fclose(m_file) >= 0;
        m_file = -1;
        return (ok && closed) || Failed("cannot complete the HDF5 file");
    }
    void Abort() override {
        if (m_data >= 0)
            H5Dclose(m_data);
        if (m_file >= 0)
            H5Fclose(m_file);
        m_data = m_file = -1;
    }

private:
    bool WriteRows(const void* values, hid_t memType, size_t count, uint64_t firstRow) {
        const hsize_t width = m_info.channelNumbers.size();
        const hsize_t start[2] = {firstRow, 0};
        const hsize_t size[2] = {count, width};
        const hid_t fileSpace = H5Dget_space(m_data);
        H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, start, nullptr, size, nullptr);
        const hid_t memSpace = H5Screate_simple(2, size, nullptr);
        errno = 0;
        const herr_t rc = H5Dwrite(m_data, memType, memSpace, fileSpace, H5P_DEFAULT, values);
        H5Sclose(memSpace);
        H5Sclose(fileSpace);
        return rc >= 0 || Failed("cannot write the samples");
    }
    bool Failed(const char* what) {
        m_errno = errno;
        m_error = what;
        return false;
    }
    ExportInfo m_info;
    hid_t m_file = -1;
    hid_t m_data = -1;
};
#endif

#if VISTREL_WITH_MATIO
class MatWriter : public ExportWriter {
public:
    explicit MatWriter(const ExportInfo& info) : m_info(info) {}
    ~MatWriter() override { Abort(); }
    bool UsesSink() const override { return false; }
    bool Open(const std::filesystem::path& path, ByteSink&) override {
        errno = 0;
        m_mat = Mat_CreateVer(path.string().c_str(), nullptr, MAT_FT_MAT73);
        if (!m_mat)
            return Failed("cannot create the MAT file");
        double rate = m_info.rate;
        size_t one[2] = {1, 1};
        const std::string start = UtcText(m_info.startUtc);
        size_t textDims[2] = {1, start.size()};
        std::vector<double> channels(m_info.channelNumbers.begin(), m_info.channelNumbers.end());
        size_t chanDims[2] = {1, channels.size()};
        return PutVar("rate", MAT_C_DOUBLE, MAT_T_DOUBLE, one, &rate) &&
               PutVar("start_time", MAT_C_CHAR, MAT_T_UTF8, textDims, const_cast<char*>(start.data())) &&
               PutVar("channels", MAT_C_DOUBLE, MAT_T_DOUBLE, chanDims, channels.data());
    }
    bool Write(const float* values, size_t count, uint64_t) override {
        // MATLAB arrays are column-major: the block goes column after column and is appended
        // along the first dimension (rows).
        const size_t width = m_info.channelNumbers.size();
        m_columns.resize(count * width);
        for (size_t r = 0; r < count; ++r)
            for (size_t c = 0; c < width; ++c)
                m_columns[c * count + r] = values[r * width + c];
        size_t dims[2] = {count, width};
        matvar_t* var = Mat_VarCreate("samples", MAT_C_SINGLE, MAT_T_SINGLE, 2, dims, m_columns.data(),
                                      MAT_F_DONT_COPY_DATA);
        if (!var)
            return Failed("cannot create the variable samples");
        errno = 0;
        const int rc = Mat_VarWriteAppend(m_mat, var, MAT_COMPRESSION_NONE, 1);
        Mat_VarFree(var);
        return rc == 0 || Failed("cannot write the samples");
    }
    bool Finish() override {
        errno = 0;
        const int rc = Mat_Close(m_mat);
        m_mat = nullptr;
        return rc == 0 || Failed("cannot complete the MAT file");
    }
    void Abort() override {
        if (m_mat)
            Mat_Close(m_mat);
        m_mat = nullptr;
    }

private:
    bool PutVar(const char* name, matio_classes cls, matio_types type, size_t* dims, void* data) {
        matvar_t* var = Mat_VarCreate(name, cls, type, 2, dims, data, MAT_F_DONT_COPY_DATA);
        errno = 0;
        const bool ok = var && Mat_VarWrite(m_mat, var, MAT_COMPRESSION_NONE) == 0;
        if (var)
            Mat_VarFree(var);
        return ok || Failed("cannot write the variables");
    }
    bool Failed(const char* what) {
        m_errno = errno;
        m_error = what;
        return false;
    }
    ExportInfo m_info;
    mat_t* m_mat = nullptr;
    std::vector<float> m_columns;
};
#endif

} // namespace

std::unique_ptr<ExportWriter> MakeLibraryWriter(ExportFormat format, const ExportInfo& info,
                                                std::string& refusal) {
    switch (format) {
#if VISTREL_WITH_SNDFILE
    case ExportFormat::Wav:
        if (!(info.rate >= 1.0) || info.rate > 2147483647.0) {
            refusal = "a WAV file needs a rate of at least 1 Hz (spectra cannot be written as sound)";
            return nullptr;
        }
        if (info.channelNumbers.size() > 1024) {
            refusal = "a WAV file holds at most 1024 channels";
            return nullptr;
        }
        return std::make_unique<WavWriter>(info);
#endif
#if VISTREL_WITH_HDF5
    case ExportFormat::Hdf5: return std::make_unique<Hdf5Writer>(info);
#endif
#if VISTREL_WITH_MATIO
    case ExportFormat::Mat: return std::make_unique<MatWriter>(info);
#endif
    default: break;
    }
    (void)info;
    refusal = "this build cannot write the format";
    return nullptr;
}

} // namespace vistrel::exporting
