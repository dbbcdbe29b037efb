#pragma once
// The button row the card dialogs share: OK (the default) and Cancel at the right.

#include <QString>

class QBoxLayout;
class QDialog;
class QPushButton;

struct OkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

/// Adds the row to `layout`; Cancel rejects the dialog, OK is left for the dialog to connect.
OkCancelButtons addOkCancelRow(QDialog* dialog, QBoxLayout* layout, const QString& okText);

/// Ctrl+Enter presses `ok`: in a dialog whose text box takes Enter for a line break, the keyboard's OK.
void addCtrlEnterForOk(QDialog* dialog, QPushButton* ok);
