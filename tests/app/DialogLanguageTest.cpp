// Every dialog shows texts of the language module, in both languages.
#include "DialogTestUtil.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QRegularExpression>
#include <QTranslator>

#include "dialogs/AddSubDialog.h"
#include "dialogs/AxbDialog.h"
#include "dialogs/EfuDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/MovAvgDialog.h"
#include "dialogs/SaveChasDialog.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"
#include "dialogs/ParamsDialog.h"
#include "plot/PlotWindow.h"
#include "support/Fixtures.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Texts still showing a bare id ("SPECTR.from") where the module had no entry.
QStringList BareIds(const QWidget* dialog) {
    static const QRegularExpression id(QStringLiteral("^[A-Z]+\\.[A-Za-z0-9]+$"));
    QStringList texts{dialog->windowTitle()};
    for (auto* l : dialog->findChildren<QLabel*>()) texts << l->text();
    for (auto* b : dialog->findChildren<QAbstractButton*>()) texts << b->text();
    for (auto* g : dialog->findChildren<QGroupBox*>()) texts << g->title();
    QStringList bare;
    for (const QString& t : texts)
        if (id.match(t).hasMatch()) bare << t;
    return bare;
}

} // namespace

TEST(DialogLanguage, BothModulesCoverEveryDialog) {
    const DialogSource src = MakeSource(2, 4);
    float a[256], b[256];
    std::fill(a, a + 256, 1.0f);
    std::fill(b, b + 256, 0.0f);
    QStringList seen;
    TempDir dir;
    FloatRecordingLayout layout;
    layout.channels = 2;
    ASSERT_TRUE(WriteFloatRecording(dir / "a.kvf", layout, 10, [](uint64_t, float* r) { r[0] = r[1] = 0; }));
    auto window = PlotWindow::CreateDetached(QString::fromStdString((dir / "a.kvf").string()), nullptr);
    ASSERT_NE(window, nullptr);
    for (const char* module : {"LangRsRu.qm", "LangRsEn.qm"}) {
        QTranslator tr;
        ASSERT_TRUE(tr.load(QStringLiteral(VISTREL_LANG_DIR "/") + QLatin1String(module))) << module;
        QCoreApplication::installTranslator(&tr);
        MovAvgDialog movavg(nullptr, "t");
        EfuDialog efu(nullptr, "t", 50);
        AxbDialog axb(nullptr, "t", src, a, b);
        AddSubDialog addsub(nullptr, src);
        TableFuncDialog tablefunc(nullptr, src);
        SpectrDialog spectr(nullptr, src);
        SaveChasDialog savechas(nullptr, src);
        HistoryDialog history(nullptr, History{});
        ParamsDialog params(nullptr, window.get());
        for (const QDialog* d : std::initializer_list<const QDialog*>{&movavg, &efu, &axb, &addsub, &tablefunc,
                                                                      &spectr, &savechas, &history, &params})
            EXPECT_EQ(BareIds(d), QStringList()) << module << " " << d->objectName().toStdString();
        seen << spectr.findChild<QLabel*>()->text() << Control<QComboBox>(&spectr, 1001)->itemText(0);
        QCoreApplication::removeTranslator(&tr);
    }
    // The two modules differ (Russian and English texts).
    EXPECT_NE(seen[0], seen[2]);
    EXPECT_NE(seen[1], seen[3]);
}
