#pragma once
// "HISTORY": the open history as a six-column table; a double-click on a row returns its path.
#include "DialogCommon.h"
#include "core/config/Configuration.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace vistrel {

class HistoryDialog : public QDialog {
    Q_OBJECT
public:
    // history: the entries (entry 0 the newest) with their missing flags already checked.
    HistoryDialog(QWidget* owner, const History& history);
    // The path of the double-clicked row (at most 511 characters).
    const QString& Path() const { return m_path; }
    QTreeWidget* List() const { return m_list; }

private:
    void OnDoubleClick(QTreeWidgetItem* item);
    QTreeWidget* m_list;
    QString m_path;
};

} // namespace vistrel
