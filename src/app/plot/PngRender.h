#pragma once
// `vistrel --png OUT [--size WxH] [--minmax] [--lanes] [--from A --to B] [--cursors T1,T2] FILE`:
// renders the plot window that opening FILE shows (cursors placed) into a picture, without
// showing any window; PNG, or SVG and PDF by OUT's extension. With --minmax the min-max view of
// the whole recording, from its summaries (built or taken from the cache); with --lanes each
// shown channel in a lane of its own; --from/--to show only that stretch, --cursors places the
// time cursors.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

namespace vistrel {

constexpr int kPngDefaultWidth = 1280;
constexpr int kPngDefaultHeight = 800;

// Returns 0 on success; otherwise prints a message on stderr and returns non-zero (1: bad size;
// 2: the recording cannot be opened or changed on disk while it was read, or the picture may not
// go to `png`; 3: the picture cannot be written). On failure `png` stays as it was.
// `spectrogram` (1-based, 0: none) selects that channel and draws its spectrogram below the
// traces, computed in full before the picture (1 when the recording has no such channel).
int RenderPlotToPng(const QString& recording, const QString& png, QSize size = QSize(), bool minMax = false,
                    bool lanes = false, int spectrogram = 0);

// What the command line asks of a picture beyond its file names.
struct PictureRequest {
    QSize size;            // empty: the default size
    bool minMax = false;
    bool lanes = false;
    QString from, to;      // the stretch shown (positions as written; empty: the recording's ends)
    QString cursors;       // "T1,T2": the time cursors (empty: placed as the window places them)
    int spectrogram = 0;   // 1-based channel whose spectrogram is drawn below the traces; 0: none
};
// As RenderPlotToPng; the format by `out`'s extension (.svg, .pdf; anything else PNG). A bad
// position or stretch gives a message and 2, nothing written.
int RenderPlotPicture(const QString& recording, const QString& out, const PictureRequest& request);

// Why the picture of `recording` may not be written to `png` (empty when it may): the recording
// itself under any name or link, a folder, FIFO or device, a read-only file.
QString PngTargetProblem(const QString& png, const QString& recording);

// Writes the bytes under `path` through a temporary file beside it that is renamed over the
// target once complete; on failure the old file stays and `error` says why. `beforeRename`, when
// given, runs once the bytes are in the temporary file: a non-empty reason cancels the write.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes, QString* error,
                        const std::function<QString()>& beforeRename = {});
// Tests: the next writes stop after this many bytes as on a full disk (-1: no fault).
void SetPngWriteFaultForTest(qint64 failAfterBytes);
// Tests: called once the picture is in its temporary file, just before the last checks of the
// recording and the target and the rename (empty: none).
void SetPngBeforeRenameHookForTest(std::function<void()> hook);

// Parses "WxH" (e.g. "1280x800"); false for anything else or sizes outside 64..16384.
bool ParsePngSize(const QString& text, QSize* size);

} // namespace vistrel
