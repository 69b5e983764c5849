// Markers in the program: added from the time cursors with the in-place field (M, Shift+M),
// listed in the Markers dock, jumped to (double-click, N, Shift+N), removed (Delete) and renamed
// there, drawn over every lane, and the sidecar written after each change; a sidecar that cannot
// be read or written is reported once while the markers stay in memory.
#include <QAbstractItemView>
#include <QAction>
#include <QDeadlineTimer>
#include <QImage>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTableWidget>
#include <QTest>

#include <filesystem>
#include <functional>

#include "ShellTestSupport.h"
#include "core/common/StringIds.h"
#include "plot/Cursors.h"
#include "plot/PlotWindow.h"
#include "plot/WindowMarkers.h"
#include "shell/MarkersDock.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

constexpr double kRate = 1000.0;

// Two channels at 1 kHz, 100 s.
QString WriteRecording(ShellEnv& env, const QString& name) {
    FloatFixture f;
    f.layout.channels = 2;
    f.layout.rate = kRate;
    f.samples = 100000;
    f.value = [](uint64_t k, int c) { return static_cast<float>((k % 1000) / 100.0) - 5.0f + c; };
    const QString path = env.File(name);
    EXPECT_TRUE(WriteFloatFixture(path.toStdString(), f));
    return path;
}

void Settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

struct Opened {
    PlotWindow* w = nullptr;
    CPlotWnd* p = nullptr;
    WindowMarkers* m = nullptr;
};

Opened Open(ShellEnv& env, const QString& path) {
    Opened o;
    QMdiSubWindow* sub = env.Frame()->OpenPath(path);
    if (!sub) return o;
    sub->resize(1000, 700);
    o.w = qobject_cast<PlotWindow*>(sub->widget());
    o.p = o.w ? o.w->Plot() : nullptr;
    o.m = o.w ? o.w->Markers() : nullptr;
    if (!o.w) return o;
    o.w->Canvas()->repaint();
    // The first placement of the cursors is behind us before a test sets them.
    QDeadlineTimer deadline(10000);
    while (o.w->CursorTimerActive() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(o.w->CursorTimerActive());
    return o;
}

void SetCursor(CPlotWnd* p, int which, uint64_t sample) {
    p->SetTimeCursor(p->TimeCursor(which), p->Geometry().ColumnOf(sample), sample);
}

// Types a marker's text into the field the key opened and ends it with `end`.
void TypeMarker(PlotWindow* w, Qt::KeyboardModifiers mods, const QString& text, Qt::Key end) {
    QTest::keyClick(w->Canvas(), Qt::Key_M, mods);
    QLineEdit* field = w->Markers()->Field();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(field->isVisible());
    EXPECT_FALSE(field->placeholderText().isEmpty());
    QTest::keyClicks(field, text);
    QTest::keyClick(field, end);
    Settle();
    EXPECT_EQ(w->Markers()->Field(), nullptr);
}

} // namespace

TEST(MarkersWindow, AddListJumpRenameDelete) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    const QString rec = WriteRecording(env, "rec.kvf");
    QFile side(rec + QStringLiteral(".labels"));
    ASSERT_TRUE(side.open(QIODevice::WriteOnly));
    side.write("# notes\n80\t80\tlate\n");
    side.close();
    Opened o = Open(env, rec);
    ASSERT_NE(o.m, nullptr);
    ASSERT_EQ(o.m->List().size(), 1u);
    CPlotWnd* p = o.p;
    SetCursor(p, 1, 10000);
    SetCursor(p, 2, 20000);

    // M: a point at cursor 1; Esc drops a field; Shift+M: the span between the cursors.
    TypeMarker(o.w, Qt::NoModifier, QStringLiteral("valve"), Qt::Key_Return);
    const QByteArray afterPoint = "# notes\n10.000000000\t10.000000000\tvalve\n80.000000000\t80.000000000\tlate\n";
    EXPECT_EQ(env.Read(QStringLiteral("rec.kvf.labels")), afterPoint);
    TypeMarker(o.w, Qt::ShiftModifier, QStringLiteral("dropped"), Qt::Key_Escape);
    EXPECT_EQ(env.Read(QStringLiteral("rec.kvf.labels")), afterPoint);
    TypeMarker(o.w, Qt::ShiftModifier, QStringLiteral("run"), Qt::Key_Enter);
    EXPECT_EQ(env.Read(QStringLiteral("rec.kvf.labels")),
              QByteArray("# notes\n10.000000000\t10.000000000\tvalve\n10.000000000\t20.000000000\trun\n"
                         "80.000000000\t80.000000000\tlate\n"));

    // View > Markers lists them: time, duration, text.
    env.Frame()->OnCommand(cmd::Markers);
    MarkersDock* dock = FindMarkersDock(env.Frame());
    ASSERT_NE(dock, nullptr);
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(env.Frame()->Action(cmd::Markers)->isChecked());
    Settle();
    QTableWidget* t = dock->Table();
    const QStringList expected = {"10", "0", "valve", "10", "10", "run", "80", "0", "late"};
    ASSERT_EQ(t->rowCount(), 3);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(t->item(i / 3, i % 3)->text(), expected[i]) << i;

    // Jumps: the view is zoomed in on the start; a double-click on "late" brings 80 s into view
    // with cursor 1 on it; Shift+N goes back to the span (both cursors on its ends), N forward.
    for (int i = 0; i < 6; ++i) QTest::keyClick(o.w->Canvas(), Qt::Key_Plus);
    QTest::keyClick(o.w->Canvas(), Qt::Key_Home);
    ASSERT_LT(p->m_visibleEnd, 80000.0);
    const QRect cell = t->visualItemRect(t->item(2, 0));
    ASSERT_TRUE(t->viewport()->rect().contains(cell.center())) << t->viewport()->width() << "x" << t->viewport()->height();
    // A press, a release and the double-click, as the mouse sends them.
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    Settle();
    struct Jump {
        const char* what;
        std::function<void()> act;
        int64_t cursor1, cursor2;
    };
    const Jump jumps[] = {
        {"double-click", [] {}, 80000, 20000},
        {"Shift+N", [&] { QTest::keyClick(o.w->Canvas(), Qt::Key_N, Qt::ShiftModifier); }, 10000, 20000},
        {"Shift+N at the first marker", [&] { QTest::keyClick(o.w->Canvas(), Qt::Key_N, Qt::ShiftModifier); }, 10000, 20000},
        {"N", [&] { QTest::keyClick(o.w->Canvas(), Qt::Key_N); }, 80000, 20000},
        {"N at the last marker", [&] { QTest::keyClick(o.w->Canvas(), Qt::Key_N); }, 80000, 20000},
    };
    for (const Jump& j : jumps) {
        j.act();
        EXPECT_EQ(o.w->CursorSample(1), j.cursor1) << j.what;
        EXPECT_EQ(o.w->CursorSample(2), j.cursor2) << j.what;
        EXPECT_LE(p->m_visibleStart, j.cursor1) << j.what;
        EXPECT_GE(p->m_visibleEnd, j.cursor1) << j.what;
    }

    // Editing a text renames the marker; Delete removes the selected one.
    t->item(0, 2)->setText(QStringLiteral("valve opens"));
    Settle();
    t->selectRow(1);
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Delete);
    Settle();
    EXPECT_EQ(env.Read(QStringLiteral("rec.kvf.labels")),
              QByteArray("# notes\n10.000000000\t10.000000000\tvalve opens\n80.000000000\t80.000000000\tlate\n"));
    ASSERT_EQ(t->rowCount(), 2);
    EXPECT_EQ(t->item(0, 2)->text(), QStringLiteral("valve opens"));
    EXPECT_EQ(t->item(1, 2)->text(), QStringLiteral("late"));

    // The dock's close button unchecks the menu item; the menu shows it again.
    dock->close();
    EXPECT_FALSE(env.Frame()->Action(cmd::Markers)->isChecked());
    env.Frame()->OnCommand(cmd::Markers);
    EXPECT_TRUE(dock->isVisible());
    EXPECT_TRUE(env.boxes.isEmpty());
}

TEST(MarkersWindow, DrawnOverTheWholePlotAndEveryLane) {
    ShellEnv env;
    ASSERT_TRUE(env.Start());
    Opened o = Open(env, WriteRecording(env, "rec.kvf"));
    ASSERT_NE(o.m, nullptr);
    ASSERT_TRUE(o.m->Add({25.0, 25.0, "p"}));
    ASSERT_TRUE(o.m->Add({60.0, 70.0, "s"}));
    // The cursors away from the markers and the columns compared.
    SetCursor(o.p, 1, 5000);
    SetCursor(o.p, 2, 95000);
    const QRgb colour = MarkerColour().rgb();
    for (bool lanes : {false, true}) {
        o.w->SetLanes(lanes);
        const QImage img = o.w->Canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const CanvasRect r = o.p->m_plotRect;
        const CursorGeometry g = o.p->Geometry();
        for (int64_t s : {25000, 60000, 70000}) {
            const int x = g.ColumnOf(static_cast<uint64_t>(s));
            int marked = 0;
            // Every row is the marker's colour, except where a horizontal line (a level cursor,
            // drawn over the markers) crosses it.
            for (int y = r.top; y < r.bottom; ++y) {
                const QRgb c = img.pixel(x, y);
                marked += c == colour || (img.pixel(x - 3, y) == c && img.pixel(x + 3, y) == c);
            }
            EXPECT_EQ(marked, r.bottom - r.top) << "lanes " << lanes << " sample " << s;
        }
        // Inside the span the background is shaded, outside it is not.
        const int inside = g.ColumnOf(63300);
        const int outside = g.ColumnOf(43300);
        EXPECT_NE(img.pixel(inside, r.bottom - 3), img.pixel(outside, r.bottom - 3)) << "lanes " << lanes;
    }
}

TEST(MarkersWindow, UnusableSidecarIsReportedOnceAndMarkersStayInMemory) {
    struct Case {
        const char* what;
        bool beforeOpen; // a folder in the sidecar's place before the window opens, else after
    };
    for (const Case c : {Case{"unreadable at open", true}, Case{"unwritable later", false}}) {
        ShellEnv env;
        ASSERT_TRUE(env.Start());
        const QString rec = WriteRecording(env, "rec.kvf");
        const std::filesystem::path sidecar = (rec + QStringLiteral(".labels")).toStdString();
        if (c.beforeOpen) std::filesystem::create_directory(sidecar);
        Opened o = Open(env, rec);
        ASSERT_NE(o.m, nullptr) << c.what;
        if (!c.beforeOpen) std::filesystem::create_directory(sidecar);
        EXPECT_TRUE(o.m->Add({1.0, 1.0, "one"})) << c.what;
        EXPECT_TRUE(o.m->Add({2.0, 3.0, "two"})) << c.what;
        EXPECT_TRUE(o.m->Rename(0, QStringLiteral("first"))) << c.what;
        ASSERT_EQ(env.boxes.size(), 1) << c.what;
        EXPECT_EQ(env.boxes[0].kind, BoxKind::Error);
        EXPECT_TRUE(env.boxes[0].text.contains(QStringLiteral("rec.kvf.labels"))) << env.boxes[0].text.toStdString();
        EXPECT_TRUE(env.boxes[0].text.contains(GetUiString(IDS_FILE_IS_DIRECTORY))) << env.boxes[0].text.toStdString();
        EXPECT_EQ(o.m->List().size(), 2u) << c.what;
        EXPECT_EQ(o.m->List()[0].text, "first") << c.what;
        EXPECT_TRUE(std::filesystem::is_directory(sidecar)) << c.what;
    }
}

TEST(MarkersWindow, MenuAndKeysInBothLanguages) {
    for (int lang : {1033, 1049}) {
        ShellEnv env;
        ASSERT_TRUE(env.Start({}, lang));
        EXPECT_EQ(env.Frame()->Action(cmd::Markers)->text(), lang == 1033 ? QStringLiteral("&Markers") : QStringLiteral("М&етки"));
        EXPECT_TRUE(env.Frame()->Action(cmd::Markers)->isCheckable());
        EXPECT_EQ(GetUiString(IDS_KEY_MARKER_STEP), lang == 1033 ? QStringLiteral("Jump to the next / previous marker")
                                                                 : QStringLiteral("К следующей / предыдущей метке"));
    }
}
