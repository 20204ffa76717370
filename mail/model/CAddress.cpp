#include "model/CAddress.h"

#include "encoding/CLanguage.h"

CAddress::CAddress(const char* group, const char* display, const char* mail)
    : groupName_(group), displayName_(display), mailAddress_(mail)
{
}

void CAddress::Clear()
{
    groupName_.Empty();
    displayName_.Empty();
    mailAddress_.Empty();
}

void CAddress::FromText(const CString& text)
{
    Clear();
    int open = text.Find('<');
    if (open < 0) {
        mailAddress_ = text;
        return;
    }
    CString name = text.Left(open);
    name.TrimRight();
    if (!name.IsEmpty() && !CLanguage::IsJapanese(name) && name.GetLength() >= 2
        && name[0] == '"' && name[name.GetLength() - 1] == '"') {
        name = name.Mid(1, name.GetLength() - 2);
    }
    name.Replace("\\\"", "\"");
    displayName_ = name;

    int close = text.Find('>');
    CString address = close >= 0 ? text.Mid(open + 1, close - open - 1) : text.Mid(open + 1);
    address.Trim();
    mailAddress_ = address;
}

CString CAddress::ToText() const
{
    if (displayName_.IsEmpty()) return mailAddress_;
    return displayName_ + " <" + mailAddress_ + ">";
}

CString CAddress::ToTextForMail() const
{
    if (displayName_.IsEmpty()) return mailAddress_;
    CString name = displayName_;
    name.Replace("\"", "\\\"");
    return "\"" + name + "\" <" + mailAddress_ + ">";
}

int CAddress::IsValid()
{
    CString message;
    return CheckAddress(mailAddress_, message);
}

int CAddress::CheckAddress(const CString& address, CString& message)
{
    if (address.IsEmpty()) {
        message = "アドレスが入力されていません。";
        return 0;
    }
    if (CLanguage::IsJapanese(address)) {
        message = "アドレスに日本語が混じっています。";
        return 0;
    }
    int at = address.Find('@');
    if (at < 1 || at == address.GetLength() - 1) {
        message = "アドレスの形式が不正です。";
        return 0;
    }
    return 1;
}
