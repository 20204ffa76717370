#pragma once
// The closing row of a small dialog: "OK" (IDOK, the default button) and "キャンセル"
// (IDCANCEL) at the right, connected to the dialog's accept and reject.

class QBoxLayout;
class QDialog;
class QPushButton;

struct COkCancelButtons {
    QPushButton* ok;
    QPushButton* cancel;
};

// Appends the row to `layout` (a layout of `dialog`).
COkCancelButtons AddOkCancelRow(QDialog* dialog, QBoxLayout* layout);
