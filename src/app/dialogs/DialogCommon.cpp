#include "DialogCommon.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include "core/common/StringIds.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <cstdio>

namespace vistrel {

QString DlgText(const char* id) { return qtTrId(id); }


namespace {
// Skips the leading white space of the latin-1 bytes.
const char* SkipBlanks(const char* p, const char* end) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f'))
        ++p;
    return p;
}
} // namespace

bool ParseG(const QString& text, double* out) {
    QByteArray bytes = text.toLatin1();
    // A decimal comma (Russian locale) reads as the point; a text that has a point keeps it.
    if (!bytes.contains('.')) {
        const qsizetype comma = bytes.indexOf(',');
        if (comma >= 0) bytes[comma] = '.';
    }
    const char* p = SkipBlanks(bytes.constData(), bytes.constData() + bytes.size());
    const char* end = bytes.constData() + bytes.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p < end && (*p == '+' || *p == '-')) return false;
    double v = 0;
    auto [ptr, ec] = std::from_chars(p, end, v, std::chars_format::general);
    if (ptr == p) return false;
    if (ec == std::errc::result_out_of_range) {
        // scanf gives zero for an underflow and infinity for an overflow rather than failing.
        const std::string_view digits(p, ptr - p);
        const auto e = digits.find_first_of("eE");
        v = (e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-') ? 0.0 : HUGE_VAL;
    } else if (ec != std::errc()) {
        return false;
    }
    *out = negative ? -v : v;
    return true;
}

namespace {

// Reads a signed decimal integer after leading blanks; `whole` also requires that nothing but
// blanks follows it.
bool ParseInteger(const QString& text, long long* out, bool whole) {
    const QByteArray bytes = text.toLatin1();
    const char* end = bytes.constData() + bytes.size();
    const char* p = SkipBlanks(bytes.constData(), end);
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    long long v = 0;
    auto [ptr, ec] = std::from_chars(p, end, v, 10);
    if (ptr == p || ec != std::errc() || (whole && SkipBlanks(ptr, end) != end)) return false;
    *out = negative ? -v : v;
    return true;
}

} // namespace

bool ParseInt(const QString& text, long long* out) { return ParseInteger(text, out, false); }

bool ParseWhole(const QString& text, long long* out) { return ParseInteger(text, out, true); }

QString NotWholeText(const QString& text) { return GetUiString(IDS_NOT_WHOLE_NUMBER).arg(text.trimmed()); }

QString FormatG(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return QString::fromLatin1(buf);
}

namespace {
DialogHook g_dialogHook;
}

void SetDialogTestHook(DialogHook hook) { g_dialogHook = std::move(hook); }

int ExecDialog(QDialog& dialog) {
    if (!g_dialogHook) return dialog.exec();
    dialog.setResult(0);
    dialog.show();
    g_dialogHook(dialog);
    if (dialog.isVisible()) dialog.reject();
    return dialog.result();
}

QComboBox* NumberList(QWidget* parent, int id, int count) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::number(id));
    for (int i = 1; i <= count; ++i) list->addItem(QString::number(i));
    list->setCurrentIndex(count > 0 ? 0 : -1);
    return list;
}

QLineEdit* IdEdit(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    return edit;
}

QCheckBox* IdCheck(QWidget* parent, int id, const QString& text) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::number(id));
    return box;
}

QPushButton* IdButton(QWidget* parent, int id, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::number(id));
    button->setAutoDefault(false);
    return button;
}

int ListNumber(const QComboBox* list, int fallback) {
    bool ok = false;
    const int n = list->currentText().toInt(&ok);
    return ok ? n : fallback;
}

bool SelectNumber(QComboBox* list, int number) {
    const int index = list->findText(QString::number(number));
    if (index < 0) return false;
    list->setCurrentIndex(index);
    return true;
}

QString BrowseTextFile(bool save, QWidget* owner, int titleId, const QString& startFolder) {
    const QList<FileFilter> filters{{GetUiString(209) + QStringLiteral("(*.txt)"), QStringLiteral("*.txt")}};
    return RunFileDialog(save ? FileDialogMode::Save : FileDialogMode::Open, owner, GetUiString(titleId),
                         filters, save ? QStringLiteral("File") : QStringLiteral("*.txt"), startFolder);
}

std::vector<ChannelPage> ChannelPages(int devices, int perDevice) {
    std::vector<ChannelPage> pages;
    const int P = std::max(1, perDevice);
    for (int d = 0; d < std::max(1, devices); ++d)
        for (int first = 0; first < P; first += kRowsPerPage)
            pages.push_back({d, first, std::min(kRowsPerPage, P - first)});
    return pages;
}

QString ChannelPageTitle(const ChannelPage& page, int perDevice) {
    const QString device = DeviceTabTitle(page.device + 1);
    if (perDevice <= kRowsPerPage) return device;
    return device + QLatin1Char(' ') +
           GetUiString(IDS_CHANNEL_PAGE).arg(page.first + 1).arg(page.first + page.count);
}

MessageLine::MessageLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("message"));
    setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    setWordWrap(true);
}

void MessageLine::Say(const QString& text) {
    setText(text);
    // A message that wraps needs more height than the dialog had: let the dialog grow.
    QWidget* dialog = window();
    QLayout* layout = dialog ? dialog->layout() : nullptr;
    if (!layout || text.isEmpty()) return;
    layout->invalidate();
    layout->activate();
    const int need = layout->hasHeightForWidth() ? layout->totalHeightForWidth(dialog->width())
                                                 : layout->totalSizeHint().height();
    if (need > dialog->height()) dialog->resize(dialog->width(), need);
}

} // namespace vistrel
