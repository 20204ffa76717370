#include "addressbook/CAddressImport.h"

#include "addressbook/CCsvAddressReader.h"
#include "data/CPersonSet.h"
#include "encoding/CLanguage.h"
#include "model/CAddress.h"
#include "model/CPlatformUi.h"
#include "smtp/CProgressCallback.h"

#include <cstring>

namespace {

constexpr int kTextColumnBytes = 255;  // PERSON's DISPLAY_NAME and MAIL_ADDRESS
constexpr std::size_t kCommaTestBytes = 500;

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    if (text.size() < n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

bool IsUtf16WithBom(std::string_view bytes)
{
    return bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF";
}

// A comma in the first 500 bytes, as designed; and no NUL byte anywhere, which no text file
// but UTF-16 holds.
bool LooksLikeCsv(std::string_view bytes)
{
    if (bytes.substr(0, kCommaTestBytes).find(',') == std::string_view::npos) return false;
    return IsUtf16WithBom(bytes) || bytes.find('\0') == std::string_view::npos;
}

bool HasControlByte(const CString& text)
{
    for (char c : text.View())
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

// The name as PERSON can hold it: one line, at most 255 bytes, no character cut in two.
CString StorableName(const CString& name)
{
    CString line;
    line.Reserve(name.GetLength());
    for (char c : name.View()) {
        const bool breakOrTab = c == '\r' || c == '\n' || c == '\t';
        if (!breakOrTab) line += c;
        else if (line.IsEmpty() || line[line.GetLength() - 1] != ' ') line += ' ';
    }
    if (line.GetLength() <= kTextColumnBytes) return line;
    CString cut;
    CLanguage::CutSJIS(line.GetString(), static_cast<unsigned int>(line.GetLength()), kTextColumnBytes, cut);
    return cut;
}

}  // namespace

CString CAddressImport::CountsText(const CImportCounts& counts)
{
    CString text;
    text.Format("全件数：%d\n正常アドレス件数：%d\n登録された件数：%d", counts.total, counts.valid, counts.registered);
    return text;
}

int CAddressImport::Register(CCsvAddressReader& reader, CPersonSet& persons, CProgressCallback& progress,
                             CImportCounts& counts)
{
    for (reader.MoveFirst(); !reader.IsEOF(); reader.MoveNext()) {
        ++counts.total;
        const CString& mailAddress = reader.GetMailAddress();
        const CString name = StorableName(reader.GetDisplayName());
        CAddress address("", name.GetString(), mailAddress.GetString());
        if (mailAddress.GetLength() <= kTextColumnBytes && !HasControlByte(mailAddress) && address.IsValid()) {
            ++counts.valid;
            const int found = persons.LookUpByNameAndAddress(name.GetString(), mailAddress.GetString());
            if (found < 0) return 0;
            if (found == 0) {
                long id = 0;
                if (!persons.Add(name.GetString(), mailAddress.GetString(), id)) return 0;
                ++counts.registered;
            }
        }
        if (!progress.Callback(1)) break;
    }
    return 1;
}

CAddressImport::Result CAddressImport::Run(CWnd* parent, CFileDialog& fileDialog, CImportCounts* countsOut,
                                           const CPath& addressDb)
{
    if (fileDialog.DoModal() != IDOK) return Ended;
    const CPath path = fileDialog.GetPathName();
    const std::string& name = path.Native();
    const bool vCardName = EndsWithNoCase(name, ".vcf") || EndsWithNoCase(name, ".vcard");
    if (!EndsWithNoCase(name, ".csv") && !vCardName
        && MessageBox(parent, "選択されたファイルは、CSVファイルでないかもしれません。\nファイルを取り込みますか？", "確認",
                      MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return Ended;

    std::string bytes;
    if (!CCsvSearchEngine::ReadFile(path, bytes)) {
        MessageBox(parent, "ファイルを開けませんでした。", kCaption, MB_OK | MB_ICONEXCLAMATION);
        return Ended;
    }
    CCsvAddressReader reader;
    if (CCsvAddressReader::IsVCard(bytes)) {
        reader.LoadVCards(bytes);
    } else if (LooksLikeCsv(bytes)) {
        reader.LoadText(bytes);
    } else {
        MessageBox(parent, "CSVファイルではないようです。ご確認ください。", kCaption, MB_OK | MB_ICONEXCLAMATION);
        return Ended;
    }
    std::string().swap(bytes);

    CImportCounts counts;
    CPersonSet persons(addressDb);
    int ok = persons.Open();
    if (ok) {
        CProgressCallback progress(kProgressTitle, 1, parent);
        progress.Start(static_cast<unsigned int>(reader.GetRecordCount()));
        ok = Register(reader, persons, progress, counts);
        progress.Complete();
    }
    reader.FreeRecords();
    if (countsOut) *countsOut = counts;

    if (!ok) {
        // The persons added so far stay; the user learns how far the import came.
        MessageBox(parent, CString("アドレス取り込みに失敗しました。\n") + CountsText(counts), kCaption,
                   MB_OK | MB_ICONEXCLAMATION);
        return Failed;
    }
    MessageBox(parent, CountsText(counts), kCaption, MB_OK | MB_ICONINFORMATION);
    return Imported;
}
