#pragma once
// What every file dialog of the program shows beyond Qt's own (non-native) dialog: the size
// and date columns in Japanese whatever the system's locale (Qt formats them with it), and
// a sidebar as wide as its widest entry at the current font size, so that "コンピュータ" or
// the home folder's name is never cut. Call once, on a dialog with DontUseNativeDialog.
// The type names come from the default locale and Qt's catalogue (command/CQtJapanese.h).

class QFileDialog;

void ApplyFileDialogLook(QFileDialog* dialog);
