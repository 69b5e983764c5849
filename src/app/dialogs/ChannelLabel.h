#pragma once
// The label a channel carries in the dialogs: "%02d" of its number, or "1A"/"1B" style labels of
// recordings made in 2-channel mode.
#include <QString>

namespace vistrel {

class CDataFile;

// Label of the channel with 0-based index `index`; *number receives the channel's number.
QString ChannelLabel(const CDataFile& file, int index, int* number = nullptr);

// Channels per device as the dialogs count them: every channel of a one-device recording, so
// that the second halves of 2-channel SD images stay reachable.
int DialogPerDevice(const CDataFile& file);

} // namespace vistrel
