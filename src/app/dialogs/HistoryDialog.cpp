#include "HistoryDialog.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vistrel {

namespace {

// The list font, made on the first opening and kept for the run.
QFont& HistoryFont(const QFont& listFont) {
    static QFont* font = nullptr;
    if (!font) {
        font = new QFont(QStringLiteral("Arial Cyr"));
        font->setStyleHint(QFont::SansSerif);
        font->setPixelSize(std::max(1, QFontMetrics(listFont).boundingRect(QLatin1Char('0')).height()));
        font->setWeight(QFont::Normal);
    }
    return *font;
}

QString FromAnsi(const std::string& s) { return QString::fromLocal8Bit(s.data(), qsizetype(s.size())); }

} // namespace

HistoryDialog::HistoryDialog(QWidget* owner, const History& history) : QDialog(owner) {
    setObjectName(QStringLiteral("HISTORY"));
    setWindowTitle(DlgText("HISTORY.title"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setUniformRowHeights(true);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_list);
    const QFont& font = HistoryFont(m_list->font());
    m_list->setFont(font);

    static const int kHeadings[6] = {232, 230, 231, 233, 234, 235};
    QStringList headings;
    for (int id : kHeadings) headings << GetUiString(id);
    m_list->setHeaderLabels(headings);

    const QFontMetrics fm(font);
    const QString measure = QStringLiteral("00:00:0000000000");
    const int margin = 12;
    int widths[6] = {0, fm.horizontalAdvance(measure.left(9)), fm.horizontalAdvance(measure.left(7)),
                     fm.horizontalAdvance(measure.left(14)), fm.horizontalAdvance(measure.left(9)),
                     fm.horizontalAdvance(measure.left(9))};
    for (int c = 1; c < 6; ++c) widths[c] = std::max(widths[c], fm.horizontalAdvance(headings[c])) + margin;

    const QColor grey(240, 240, 240), blue(0, 0, 255), missing(128, 128, 128);
    int rows = 0;
    for (int k = 0; k < kMaxHistory; ++k) {
        const HistoryEntry& e = history.entries[k];
        if (e.path.empty()) continue;
        auto* item = new QTreeWidgetItem(m_list);
        const QString texts[6] = {FromAnsi(e.path), FromAnsi(e.date), FromAnsi(e.time),
                                  FromAnsi(e.size), FromAnsi(e.rate), FromAnsi(e.duration)};
        // Rows alternate white and light grey from the top; a missing file greys the row.
        const QColor back = (rows % 2) ? grey : QColor(Qt::white);
        for (int c = 0; c < 6; ++c) {
            item->setText(c, texts[c]);
            item->setTextAlignment(c, c == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignCenter));
            item->setBackground(c, back);
            item->setForeground(c, e.missing ? missing : (c == 0 ? blue : QColor(Qt::black)));
        }
        widths[0] = std::max(widths[0], fm.horizontalAdvance(texts[0]) + margin);
        ++rows;
    }
    widths[0] = std::max(widths[0], fm.horizontalAdvance(headings[0]) + margin);
    int total = 0;
    for (int c = 0; c < 6; ++c) {
        m_list->setColumnWidth(c, widths[c]);
        total += widths[c];
    }
    m_list->header()->setStretchLastSection(false);

    // Size the dialog to the list; it opens centred over its owner like every other dialog.
    const int rowHeight = std::max(fm.height() + 4, 16);
    const int height = m_list->header()->sizeHint().height() + rowHeight * std::max(rows, 1) + 8;
    resize(total + 7 + 2 * m_list->frameWidth(), height + 2 * m_list->frameWidth());
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { OnDoubleClick(item); });
}

void HistoryDialog::OnDoubleClick(QTreeWidgetItem* item) {
    if (!item) return;
    m_path = item->text(0).left(511);
    done(1);
}

} // namespace vistrel
