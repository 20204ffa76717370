#pragma once
// Dialog 174 "アドレス取り込み": says which files the address import reads, with a sample of
// three lines, and starts it with OK. The dialog then hides, the import runs
// (CAddressImport: the folder-list file dialog, the checks, the progress dialog, the counts),
// the address book window is opened for the page after an import that went through, and the
// dialog closes.

#include "addressbook/CAddressImport.h"

#include <QDialog>

#include <functional>
#include <memory>

class CFileDialog;

class CCsvImportDlg : public QDialog {
    Q_OBJECT
public:
    enum {
        IDD = 174,
        IDC_INTRO = 1170,
        IDC_FORMAT = 1171,
        IDC_RULE_HEADING = 1172,
        IDC_RULE_FIELDS = 1173,
        IDC_SAMPLE = 1174,
        IDC_OTHER_FORMATS = 1175,
    };
    // The sample's address.
    static constexpr char16_t kSampleAddress[] = u"taro.yamada@example.co.jp";

    // `page` owns the dialog, the file dialog, the boxes and the progress dialog, and is the
    // window the address book is opened for.
    explicit CCsvImportDlg(QWidget* page);

    // OK: the import (see above).
    void accept() override;
    CAddressImport::Result GetResult() const { return m_result; }

    // Makes the file dialog of the import; the folder-list dialog unless a test sets another.
    std::function<std::unique_ptr<CFileDialog>(QWidget* owner)> makeFileDialog;

private:
    CAddressImport::Result m_result = CAddressImport::Ended;
};
