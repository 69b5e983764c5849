#pragma once
// What the parameter dialogs read of the active plot window and its recording, gathered once
// when a dialog opens. Channel vectors are indexed by the 0-based absolute channel index.
#include <QString>
#include <cstdint>
#include <vector>

namespace vistrel {

struct DialogSource {
    int devices = 1;        // number of devices
    int perDevice = 1;      // channels per device
    float rate = 0;         // sampling rate, Hz
    int64_t samples = 0;    // samples per channel
    int64_t cursor1 = 0;    // the two time cursors, sample positions
    int64_t cursor2 = 0;
    int selected = 0;       // the window's selected channel
    std::vector<float> low, high;     // display range of each channel
    std::vector<uint32_t> colours;    // trace colour of each channel, 0x00BBGGRR
    std::vector<int> shown;           // 1 when the channel is drawn
    std::vector<QString> labels;      // channel labels ("01", "1A", ...)

    int Channels() const { return devices * perDevice; }
    // Absolute 1-based channel number of channel c (1-based) of device d (1-based).
    int Absolute(int device, int channel) const { return channel + (device - 1) * perDevice; }
    bool Shown(int index) const { return index >= 0 && index < int(shown.size()) && shown[index]; }
    float Low(int index) const { return index >= 0 && index < int(low.size()) ? low[index] : 0.0f; }
    float High(int index) const { return index >= 0 && index < int(high.size()) ? high[index] : 0.0f; }
    uint32_t Colour(int index) const {
        return index >= 0 && index < int(colours.size()) ? colours[index] : 0u;
    }
    QString Label(int index) const {
        return index >= 0 && index < int(labels.size()) ? labels[index]
                                                          : QString::asprintf("%02d", index + 1);
    }
};

} // namespace vistrel
