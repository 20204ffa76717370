#include "import/CMailSource.h"

#include "encoding/CCodePage.h"
#include "import/CThunderbirdStore.h"
#include "import/MailFile.h"
#include "import/MailImportTexts.h"
#include "model/CFileUtility.h"

#include <string_view>

using namespace MailImportTexts;

namespace {

constexpr std::string_view kMozMessageUtf16 =
    std::string_view("t\0e\0x\0t\0/\0x\0-\0m\0o\0z\0-\0m\0e\0s\0s\0a\0g\0e\0", 36);

bool IsEmlFile(const CPath& path)
{
    const std::string& name = path.Native();
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".eml";
}

// Only a list of local ".eml" files is a mail; other files are the page's attachments.
bool AllEmlFiles(const std::vector<CPath>& files)
{
    if (files.empty()) return false;
    for (const CPath& file : files)
        if (file.IsEmpty() || !IsEmlFile(file)) return false;
    return true;
}

std::string Utf16ToUtf8(std::string_view bytes, const char* charset)
{
    std::string utf8;
    CCodePage::Convert(charset, "UTF-8", bytes, utf8, "\xEF\xBF\xBD");
    return utf8;
}

// "text/x-moz-message" as offered on its own: UTF-16 as designed (a byte-order mark tells
// its order, else little-endian), or UTF-8 from a program that offers it so.
std::string ReferenceText(const std::string& bytes)
{
    std::string_view data(bytes);
    if (data.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(data.substr(2), "UTF-16BE");
    if (data.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(data.substr(2), "UTF-16LE");
    if (data.find('\0') != std::string_view::npos) {
        std::string text = Utf16ToUtf8(data.substr(0, data.size() & ~std::size_t(1)), "UTF-16LE");
        std::size_t end = text.find('\0');
        return end == std::string::npos ? text : text.substr(0, end);
    }
    return bytes;
}

std::uint32_t BigEndian32(std::string_view data, std::size_t pos)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(data[pos + 3]));
}

CString FileMessage(const char* format, const CPath& path)
{
    CString text;
    text.Format(format, CFileUtility::GetFileNameFromPath(path).GetString());
    return text;
}

int ReadMailFile(const CPath& path, CString& mail, CString& detail)
{
    CMailFile file;
    std::string bytes;
    switch (file.Open(path, CMailSource::kMaxFile)) {
    case CMailFile::Opened:
        if (!file.ReadAll(bytes)) break;
        if (bytes.empty()) {
            detail = FileMessage(kNotAMailFile, path);
            return 0;
        }
        mail = CString(std::move(bytes));
        return 1;
    case CMailFile::TooLarge:
        detail = FileMessage(kFileTooLarge, path);
        return 0;
    default:
        break;
    }
    detail = FileMessage(kNotAMailFile, path);
    return 0;
}

}  // namespace

bool CMailSource::MayCarryMail(const COfferedMail& offered)
{
    for (COfferedMail::Format format : {COfferedMail::InternetMessage, COfferedMail::UriList, COfferedMail::Rfc822,
                                        COfferedMail::MozMessage, COfferedMail::MozCustomClipData})
        if (offered.Has(format)) return true;
    return false;
}

bool CMailSource::HoldsMail(const COfferedMail& offered)
{
    for (COfferedMail::Format format : {COfferedMail::InternetMessage, COfferedMail::Rfc822, COfferedMail::MozMessage})
        if (offered.Has(format) && !offered.Bytes(format).empty()) return true;
    if (offered.Has(COfferedMail::UriList) && AllEmlFiles(offered.Files())) return true;
    if (offered.Has(COfferedMail::MozCustomClipData) &&
        !MozMessageOfClipData(offered.Bytes(COfferedMail::MozCustomClipData)).empty())
        return true;
    return offered.Has(COfferedMail::Text) && CThunderbirdStore::IsReference(offered.Bytes(COfferedMail::Text));
}

std::string CMailSource::MozMessageOfClipData(const std::string& clipData)
{
    std::string_view data(clipData);
    std::size_t pos = 0;
    while (pos + 4 <= data.size()) {
        const std::uint32_t kind = BigEndian32(data, pos);
        pos += 4;
        if (kind != 1) break;  // 0 ends the list; no other kind is known
        std::string_view strings[2];
        for (std::string_view& string : strings) {
            if (pos + 4 > data.size()) return {};
            const std::uint32_t length = BigEndian32(data, pos);
            pos += 4;
            if (length > data.size() - pos) return {};
            string = data.substr(pos, length);
            pos += length;
        }
        if (strings[0] == kMozMessageUtf16) return Utf16ToUtf8(strings[1], "UTF-16LE");
    }
    return {};
}

CMailSource::Result CMailSource::Take(const COfferedMail& offered, const CThunderbirdStore& thunderbird, CString& detail)
{
    std::vector<CString> mails;
    Format format = None;
    CString failure;
    auto fail = [&failure](const CString& why) {
        if (failure.IsEmpty()) failure = why;
    };
    auto whole = [&](COfferedMail::Format offeredFormat, Format as) {
        if (!mails.empty() || !offered.Has(offeredFormat)) return;
        std::string bytes = offered.Bytes(offeredFormat);
        if (bytes.empty()) {
            fail(kEmptyMail);
            return;
        }
        mails.push_back(CString(std::move(bytes)));
        format = as;
    };

    whole(COfferedMail::InternetMessage, InternetMessage);
    if (mails.empty() && offered.Has(COfferedMail::UriList)) {
        const std::vector<CPath> files = offered.Files();
        if (AllEmlFiles(files)) {
            std::vector<CString> read;
            for (const CPath& file : files) {
                CString mail, why;
                if (!ReadMailFile(file, mail, why)) {
                    fail(why);
                    read.clear();
                    break;
                }
                read.push_back(std::move(mail));
            }
            if (!read.empty()) {
                mails = std::move(read);
                format = MailFiles;
            }
        }
    }
    whole(COfferedMail::Rfc822, Rfc822);
    if (mails.empty()) {
        std::string reference;
        if (offered.Has(COfferedMail::MozMessage)) reference = ReferenceText(offered.Bytes(COfferedMail::MozMessage));
        if (reference.empty() && offered.Has(COfferedMail::MozCustomClipData))
            reference = MozMessageOfClipData(offered.Bytes(COfferedMail::MozCustomClipData));
        if (reference.empty() && offered.Has(COfferedMail::Text)) {
            std::string text = offered.Bytes(COfferedMail::Text);
            if (CThunderbirdStore::IsReference(text)) reference = std::move(text);
        }
        if (!reference.empty()) {
            CString mail, why;
            if (!thunderbird.ReadReference(reference, mail, why)) fail(why);
            else if (mail.IsEmpty()) fail(kEmptyMail);
            else {
                mails.push_back(std::move(mail));
                format = Reference;
            }
        }
    }

    if (!mails.empty()) {
        format_ = format;
        mails_ = std::move(mails);
        return Taken;
    }
    if (failure.IsEmpty()) return NoMail;
    Clear();
    detail = failure;
    return Failed;
}

void CMailSource::Clear()
{
    format_ = None;
    mails_.clear();
}
