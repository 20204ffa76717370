#pragma once
// The address import that dialog 174's OK starts, without widgets: the file dialog, the
// message boxes and the progress dialog are reached through the mail library's interfaces
// (model/CPlatformUi.h, smtp/CProgressCallback.h), so every step runs in plain tests.
//
// Run: the file dialog; the question for a name without ".csv" (".vcf" and ".vcard" name
// vCards and are not asked about); "ファイルを開けませんでした。"; a file that is not a vCard
// must hold a comma in its first 500 bytes and no NUL byte (binary files, UTF-16 without a
// byte order mark), else "CSVファイルではないようです。ご確認ください。"; then every record is
// registered under the progress dialog "アドレス取り込み中" (Register) and the counts are shown,
// or "アドレス取り込みに失敗しました。" with the counts reached when the database failed.
//
// Register: a record counts in the total; a valid address (CAddress::IsValid, at most 255
// bytes, no control character) counts as valid; a valid one that the book does not hold
// under the same display name is added and counts as registered. A display name is cut to
// its 255 bytes, its line breaks and tabs become blanks.

#include "encoding/CString.h"
#include "model/CPath.h"

class CCsvAddressReader;
class CFileDialog;
class CPersonSet;
class CProgressCallback;
class CWnd;

struct CImportCounts {
    int total = 0;
    int valid = 0;
    int registered = 0;
};

class CAddressImport {
public:
    enum Result {
        Ended,     // cancelled, or the file was refused (the user was told why)
        Imported,  // the counts were shown; the caller opens the address book
        Failed,    // "アドレス取り込みに失敗しました。" was shown
    };
    static constexpr const char* kCaption = "アドレス取り込み";
    static constexpr const char* kProgressTitle = "アドレス取り込み中";
    // The file dialog's filter: CSV first, as designed, then vCard, then every file.
    static constexpr const char* kFilter =
        "CSVファイル (*.csv)|*.csv|vCardファイル (*.vcf)|*.vcf;*.vcard|すべてのファイル (*.*)|*.*||";

    // Shows `fileDialog` and imports the chosen file into Address.mdb (`addressDb`, or the
    // data store's when empty); `parent` owns the boxes and the progress dialog. `counts`,
    // when given, receives the counts reached.
    static Result Run(CWnd* parent, CFileDialog& fileDialog, CImportCounts* counts = nullptr,
                      const CPath& addressDb = CPath());

    // Registers the reader's records into the open `persons`, one progress step each, and
    // stops early when the user cancels. 0 on a database error, with the counts reached.
    [[nodiscard]] static int Register(CCsvAddressReader& reader, CPersonSet& persons,
                                      CProgressCallback& progress, CImportCounts& counts);

    // "全件数：%d\n正常アドレス件数：%d\n登録された件数：%d"
    static CString CountsText(const CImportCounts& counts);
};
