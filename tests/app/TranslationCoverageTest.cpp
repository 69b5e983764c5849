// Every text of the menus, dialogs, message boxes and file dialogs under each language: the
// Russian interface shows no English word outside a short allowed list, the English one no
// Russian word. A text added later without a translation fails here.
#include "ShellTestSupport.h"
#define VISTREL_QSTRING_PRINTTO
#include "DialogTestUtil.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QTableWidget>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>

#include "core/common/StringIds.h"
#include "dialogs/AddSubDialog.h"
#include "dialogs/AxbDialog.h"
#include "dialogs/EfuDialog.h"
#include "dialogs/FilterDialog.h"
#include "dialogs/ExportDialog.h"
#include "dialogs/HistoryDialog.h"
#include "dialogs/MovAvgDialog.h"
#include "dialogs/ParamsDialog.h"
#include "dialogs/SaveChasDialog.h"
#include "dialogs/SpectrDialog.h"
#include "dialogs/TableFuncDialog.h"
#include "plot/PlotWindow.h"
#include "shell/AboutBox.h"
#include "shell/ProgressBox.h"
#include "shell/KeysDialog.h"
#include "shell/SelectDevsDialog.h"

using namespace vistrel;
using namespace vistrel::test;

namespace {

// Texts of a widget and everything inside it that a user reads.
void CollectTexts(const QWidget* root, QStringList& out) {
    out << root->windowTitle() << root->toolTip();
    for (auto* w : root->findChildren<QWidget*>()) {
        if (!w->toolTip().isEmpty()) out << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w)) out << e->placeholderText();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) out << t->tabText(i);
        if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
            const QAbstractItemModel* m = v->model();
            for (int i = 0; i < m->columnCount(); ++i) out << m->headerData(i, Qt::Horizontal).toString();
            // Cells of the program's own tables; a file dialog's list shows the user's files.
            if (qobject_cast<QTableWidget*>(w))
                for (int r = 0; r < m->rowCount(); ++r)
                    for (int c = 0; c < m->columnCount(); ++c) out << m->data(m->index(r, c)).toString();
        }
    }
}

void CollectMenu(const QMenu* menu, QStringList& out) {
    out << menu->title();
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        out << a->text() << a->toolTip();
        if (a->menu()) CollectMenu(a->menu(), out);
    }
}

// Texts the Russian interface may show in Latin letters: file patterns, unit and key names,
// product and window-function names, "Plot", number placeholders and texts kept in English.
QString WithoutAllowedWords(QString text) {
    static const QRegularExpression allowed(QStringLiteral(
        "\\(?\\*\\.[A-Za-z0-9]+\\)?|Vis Trel|Vistrel|\\b(CSV|WAV|H5|MAT|NPY|ISO 8601)\\b|\\bPlot\\b|Gauss|Hamming|Hann|Blackmann-Harris|"
        "\\b(Ctrl|Shift|Alt|Del|Esc|Enter|Tab|Home|End|PgUp|PgDown|Page Up|Page Down|Backspace|F[0-9]{1,2})\\b|"
        "\\b(Hz|kHz|dB|ms|µs|s)\\b|%[0-9]+|%[dsfgu]|%l[dfu]|"
        "Language Resource DLL not found in current dir|\\bOK\\b|"
        // Single letters and pairs naming formula parts and cursors (A*x+B, Y1, L2, T1).
        "\\b[A-Za-z][0-9]?\\b"));
    text.remove(QLatin1Char('&'));
    text.remove(allowed);
    return text;
}

bool HasLatin(const QString& s) { return s.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))); }
bool HasCyrillic(const QString& s) { return s.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]"))); }

// Every visible text of the program under the language that is loaded now.
QStringList AllInterfaceTexts() {
    QStringList texts;
    CMainFrame* frame = g_app->m_frame;
    texts << frame->windowTitle();
    for (QAction* a : frame->menuBar()->actions())
        if (a->menu()) CollectMenu(a->menu(), texts);
    // Every string id of the language module: message box texts and captions.
    for (int id = 200; id <= 999; ++id) {
        const QString s = GetUiString(id);
        if (s != QString::number(id)) texts << s;
    }
    texts << QString::fromStdString(UiTimeUnitWords().micro) << QString::fromStdString(UiTimeUnitWords().milli)
          << QString::fromStdString(UiTimeUnitWords().second);

    const DialogSource src = MakeSource(2, 4);
    float a[256], b[256];
    std::fill(a, a + 256, 1.0f);
    std::fill(b, b + 256, 0.0f);
    TempDir dir;
    FloatRecordingLayout layout;
    layout.channels = 2;
    EXPECT_TRUE(WriteFloatRecording(dir / "a.kvf", layout, 10, [](uint64_t, float* r) { r[0] = r[1] = 0; }));
    auto window = PlotWindow::CreateDetached(QString::fromStdString((dir / "a.kvf").string()), nullptr);
    EXPECT_NE(window, nullptr);
    if (!window) return texts;
    MovAvgDialog movavg(nullptr, GetUiString(IDS_MOVAVG_TITLE));
    EfuDialog efu(nullptr, GetUiString(IDS_EFU_TITLE), 50);
    AxbDialog axb(nullptr, GetUiString(IDS_DIALOG_PARAM), src, a, b);
    AddSubDialog addsub(nullptr, src);
    TableFuncDialog tablefunc(nullptr, src);
    SpectrDialog spectr(nullptr, src);
    SaveChasDialog savechas(nullptr, src);
    HistoryDialog history(nullptr, History{});
    ParamsDialog params(nullptr, window.get());
    CSelectDevsDialog devices(nullptr, 2);
    CAboutBox about(nullptr);
    CProgressBox progress(nullptr);
    KeysDialog keys(nullptr);
    FilterDialog filter(nullptr, FilterDialogMode::Filter, 1000.0);
    FilterDialog notch(nullptr, FilterDialogMode::Notch, 1000.0);
    FilterDialog detrend(nullptr, FilterDialogMode::Detrend, 1000.0);
    ExportDialog exporting(nullptr, {1, 0});
    for (const QWidget* d : std::initializer_list<const QWidget*>{&movavg, &efu, &axb, &addsub, &tablefunc, &spectr,
                                                                  &savechas, &history, &params, &devices, &about,
                                                                  &progress, &keys, &filter, &notch, &detrend, &exporting})
        CollectTexts(d, texts);
    // Qt's own parts: the buttons of a question box and the file dialog the program shows.
    QMessageBox question(QMessageBox::Question, QStringLiteral("?"), GetUiString(IDS_EXIT_QUESTION),
                         QMessageBox::Yes | QMessageBox::No);
    CollectTexts(&question, texts);
    QMessageBox error(QMessageBox::Critical, GetUiString(IDS_ERROR_CAPTION), GetUiString(IDS_CANNOT_OPEN),
                      QMessageBox::Ok);
    CollectTexts(&error, texts);
    QFileDialog files(nullptr, GetUiString(IDS_OPEN_TITLE), dir.Path().string().c_str());
    files.setOption(QFileDialog::DontUseNativeDialog, true);
    files.setNameFilters(FileDialogNameFilters({{GetUiString(IDS_KVF_FILTER), QStringLiteral("*.kvf")}}));
    CollectTexts(&files, texts);
    texts.removeAll(QString());
    // File names and folders the file dialog lists are the user's, not the interface's.
    const QString folder = QString::fromStdString(dir.Path().string());
    texts.removeIf([&](const QString& t) { return t == QStringLiteral("a.kvf") || t.startsWith(folder); });
    texts.removeDuplicates();
    return texts;
}

} // namespace

TEST(TranslationCoverage, RussianInterfaceHasNoEnglishText) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1049));
    const QStringList texts = AllInterfaceTexts();
    ASSERT_GT(texts.size(), 150);
    QStringList english;
    for (const QString& t : texts) {
        const QString rest = WithoutAllowedWords(t);
        if (HasLatin(rest) && !HasCyrillic(rest)) english << t;
    }
    EXPECT_EQ(english, QStringList()) << english.join(QStringLiteral(" | ")).toStdString();
    // Qt's own buttons were among them, in Russian.
    EXPECT_TRUE(texts.contains(QStringLiteral("&Да")) || texts.contains(QStringLiteral("Да")));
}

TEST(TranslationCoverage, EnglishInterfaceHasNoRussianText) {
    ShellEnv env;
    ASSERT_TRUE(env.Start({}, 1033));
    const QStringList texts = AllInterfaceTexts();
    ASSERT_GT(texts.size(), 150);
    QStringList russian;
    for (const QString& t : texts)
        if (HasCyrillic(t)) russian << t;
    EXPECT_EQ(russian, QStringList()) << russian.join(QStringLiteral(" | ")).toStdString();
}

TEST(TranslationCoverage, AllowedListLetsNoWordThrough) {
    // The filter itself: allowed parts vanish, a real English word stays.
    EXPECT_FALSE(HasLatin(WithoutAllowedWords(QStringLiteral("Файлы данных(*.kvf)"))));
    EXPECT_FALSE(HasLatin(WithoutAllowedWords(QStringLiteral("Plot"))));
    EXPECT_FALSE(HasLatin(WithoutAllowedWords(QStringLiteral("Ctrl+O"))));
    EXPECT_TRUE(HasLatin(WithoutAllowedWords(QStringLiteral("&Cancel"))));
    EXPECT_TRUE(HasLatin(WithoutAllowedWords(QStringLiteral("Look in:"))));
    EXPECT_TRUE(HasLatin(WithoutAllowedWords(QStringLiteral("Open file"))));
}
