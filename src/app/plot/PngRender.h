#pragma once
// `vistrel --png OUT.png [--size WxH] [--minmax] FILE`: renders the plot window that opening
// FILE shows (cursors placed) into a picture, without showing any window; with --minmax the
// min-max view of the whole recording, from its summaries (built or taken from the cache).

#include <QByteArray>
#include <QSize>
#include <QString>

namespace vistrel {

constexpr int kPngDefaultWidth = 1280;
constexpr int kPngDefaultHeight = 800;

// Returns 0 on success; otherwise prints a message on stderr and returns non-zero
// (2: the recording cannot be opened, 3: the picture cannot be written, 1: bad size).
int RenderPlotToPng(const QString& recording, const QString& png, QSize size = QSize(), bool minMax = false);

// Writes the bytes under `path` through a temporary file beside it that is renamed over the
// target once complete; on failure the old file stays and `error` says why.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes, QString* error);
// Tests: the next writes stop after this many bytes as on a full disk (-1: no fault).
void SetPngWriteFaultForTest(qint64 failAfterBytes);

// Parses "WxH" (e.g. "1280x800"); false for anything else or sizes outside 64..16384.
bool ParsePngSize(const QString& text, QSize* size);

} // namespace vistrel
