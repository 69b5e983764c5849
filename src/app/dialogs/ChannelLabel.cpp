#include "ChannelLabel.h"

#include "core/recording/DataFile.h"

#include <algorithm>

namespace vistrel {

QString ChannelLabel(const CDataFile& file, int index, int* number) {
    const int n = file.Channel(index).number;
    if (number) *number = n;
    if (file.TwoChannelMode()) {
        if (file.Type() == 1)
            return QString::asprintf("%d%c", n + 1, (index % 2 == 0) ? 'A' : 'B');
        return QString::asprintf("%d%c", (n - 1) / 2 + 1, (n % 2 != 0) ? 'A' : 'B');
    }
    return QString::asprintf("%02d", n);
}

int DialogPerDevice(const CDataFile& file) {
    if (file.Devices() <= 1) return std::max(1, file.Channels());
    return std::max(1, file.ChannelsPerDevice());
}

} // namespace vistrel
