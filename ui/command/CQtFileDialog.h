#pragma once
// The file dialog that message saving shows: a QFileDialog prepared the way the framework's
// file dialog is (open or save, default extension, default name, "desc|pattern|...||"
// filter, title, all in code page 932). The chosen path comes back as the file system's
// bytes, whatever characters its name holds.

#include "model/CPlatformUi.h"

#include <QString>

class QFileDialog;
class QWidget;

class CQtFileDialog : public CFileDialog {
public:
    CQtFileDialog(int openFileDialog, const char* defExt = nullptr, const char* fileName = nullptr,
                  const char* filter = nullptr, QWidget* parent = nullptr);
    ~CQtFileDialog() override;
    CQtFileDialog(const CQtFileDialog&) = delete;
    CQtFileDialog& operator=(const CQtFileDialog&) = delete;

    void SetTitle(const char* title);
    // Save dialogs ask before overwriting an existing file (the framework's default flags).
    int DoModal() override;
    CPath GetPathName() const override;

    // The Qt dialog, for callers that set more (a start folder) and for tests.
    QFileDialog* GetDialog() const { return dialog_; }

    // "メール (*.eml)|*.eml|すべて (*.*)|*.*||" becomes "メール (*.eml);;すべて (*.*)".
    static QString ToNameFilters(const char* filter);

private:
    QFileDialog* dialog_;
    CPath path_;
};
