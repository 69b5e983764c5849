#pragma once
// The keys dialog (Help > Keys, F1): the keys and mouse actions of the plot windows and of the
// main window, one row each, in the interface language.

#include <QDialog>

class QTableWidget;

namespace vistrel {

class KeysDialog : public QDialog {
    Q_OBJECT
public:
    explicit KeysDialog(QWidget* parent = nullptr);
    QTableWidget* Table() const { return m_table; }

private:
    QTableWidget* m_table = nullptr;
};

// Shows the dialog modally (a test hook may answer it instead, see SetShellDialogHook).
void RunKeysDialog(QWidget* parent);

} // namespace vistrel
