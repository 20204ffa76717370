#include "addressbook/CCsvAddressReader.h"

#include "addressbook/CVCard.h"
#include "encoding/CLanguage.h"

#include <array>

namespace {

enum class Column { None, Display, First, Middle, Last, Mail };

// The column names of the exports we know. Thunderbird writes its names in the language of
// its user interface; Google writes English names; Outlook writes its user interface's.
struct KnownName {
    const char* name;  // code page 932; compared without regard to ASCII case
    Column column;
};
const KnownName kKnownNames[] = {
    // Thunderbird
    {"Display Name", Column::Display},
    {"First Name", Column::First},
    {"Last Name", Column::Last},
    {"Primary Email", Column::Mail},
    {"Secondary Email", Column::Mail},
    {"表示名", Column::Display},
    {"名", Column::First},
    {"姓", Column::Last},
    {"メールアドレス", Column::Mail},
    {"別のメールアドレス", Column::Mail},
    // Google Contacts ("Name", "Given Name", "Additional Name", "Family Name" of the old
    // export; "First Name", "Middle Name", "Last Name" of the new); "E-mail 1 - Value" and
    // the like are found by their form.
    {"Name", Column::Display},
    {"Given Name", Column::First},
    {"Additional Name", Column::Middle},
    {"Family Name", Column::Last},
    {"Middle Name", Column::Middle},
    // Outlook, Outlook Express
    {"E-mail Address", Column::Mail},
    {"E-mail 2 Address", Column::Mail},
    {"E-mail 3 Address", Column::Mail},
    {"ミドル ネーム", Column::Middle},
    {"電子メール アドレス", Column::Mail},
    {"電子メール 2 アドレス", Column::Mail},
    {"電子メール 3 アドレス", Column::Mail},
    // Lists people make themselves
    {"Full Name", Column::Display},
    {"Email", Column::Mail},
    {"E-mail", Column::Mail},
    {"Email Address", Column::Mail},
    {"氏名", Column::Display},
    {"名前", Column::Display},
};

bool IsAsciiBlank(char c)
{
    return c == ' ' || c == '\t';
}

CString TrimmedAscii(const CString& text)
{
    std::string_view view = text.View();
    while (!view.empty() && IsAsciiBlank(view.front())) view.remove_prefix(1);
    while (!view.empty() && IsAsciiBlank(view.back())) view.remove_suffix(1);
    return CString(view);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Google's "E-mail 1 - Value", "E-mail 2 - Value", ...
bool IsGoogleMailValue(const CString& heading)
{
    std::string_view text = heading.View();
    const CString prefix(text.substr(0, 7));
    if (text.size() < 16 || prefix.CompareNoCase("E-mail ") != 0) return false;
    std::size_t i = 7;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i > 7 && CString(text.substr(i)).CompareNoCase(" - Value") == 0;
}

Column ColumnOf(const CString& heading)
{
    const CString name = TrimmedAscii(heading);
    for (const KnownName& known : kKnownNames)
        if (name.CompareNoCase(known.name) == 0) return known.column;
    return IsGoogleMailValue(name) ? Column::Mail : Column::None;
}

CString FieldAt(const CStringArray& fields, int index)
{
    return index >= 0 && index < fields.GetSize() ? TrimmedAscii(fields[index]) : CString();
}

}  // namespace

CString CCsvAddressReader::ComposeName(const CString& first, const CString& middle, const CString& last)
{
    const bool japanese = CLanguage::IsJapanese(first) || CLanguage::IsJapanese(middle) || CLanguage::IsJapanese(last);
    const std::array<const CString*, 3> order = japanese ? std::array{&last, &first, &middle}
                                                         : std::array{&first, &middle, &last};
    CString name;
    for (const CString* part : order) {
        if (part->IsEmpty()) continue;
        if (!name.IsEmpty()) name += ' ';
        name += *part;
    }
    return name;
}

CCsvAddressReader::Columns CCsvAddressReader::FindColumns(const CStringArray& heading)
{
    Columns columns;
    for (int i = 0; i < heading.GetSize(); ++i) {
        switch (ColumnOf(heading[i])) {
        case Column::Display: if (columns.display < 0) columns.display = i; break;
        case Column::First: if (columns.first < 0) columns.first = i; break;
        case Column::Middle: if (columns.middle < 0) columns.middle = i; break;
        case Column::Last: if (columns.last < 0) columns.last = i; break;
        case Column::Mail: columns.mails.push_back(i); break;
        case Column::None: break;
        }
    }
    return columns;
}

void CCsvAddressReader::OnLoad()
{
    layout_ = NoLayout;
    headingRead_ = false;
    columns_ = Columns();
}

void CCsvAddressReader::OnRow(CStringArray& fields)
{
    if (!headingRead_) {
        headingRead_ = true;
        columns_ = FindColumns(fields);
        layout_ = columns_.mails.empty() ? TwoFields : NamedColumns;
        return;
    }
    if (layout_ == NamedColumns) {
        ReadNamedRow(fields);
        return;
    }
    AddAddress(fields.GetSize() > 0 ? fields[0] : CString(), fields.GetSize() > 1 ? fields[1] : CString());
}

void CCsvAddressReader::ReadNamedRow(const CStringArray& fields)
{
    CString name = FieldAt(fields, columns_.display);
    if (name.IsEmpty())
        name = ComposeName(FieldAt(fields, columns_.first), FieldAt(fields, columns_.middle),
                           FieldAt(fields, columns_.last));
    bool any = false;
    for (int column : columns_.mails) {
        // Google keeps several addresses of one kind in one field: "a@x ::: b@y".
        const CString value = FieldAt(fields, column);
        std::string_view rest = value.View();
        while (!rest.empty()) {
            const std::size_t separator = rest.find(":::");
            const CString address = TrimmedAscii(CString(rest.substr(0, separator)));
            rest = separator == std::string_view::npos ? std::string_view() : rest.substr(separator + 3);
            if (address.IsEmpty()) continue;
            AddAddress(name, address);
            any = true;
        }
    }
    if (!any) AddAddress(name, CString());
}

void CCsvAddressReader::AddAddress(CString name, CString address)
{
    AddRecord(std::make_unique<CCsvAddressRecord>(std::move(name), std::move(address)));
}

bool CCsvAddressReader::IsVCard(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::string probe;
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        // UTF-16: the ASCII letters of the first line, one of every two bytes.
        const std::size_t offset = bytes[0] == '\xFF' ? 2 : 3;
        for (std::size_t i = offset; i < bytes.size() && probe.size() < 64; i += 2) probe += bytes[i];
        bytes = probe;
    }
    while (!bytes.empty() && (bytes.front() == '\r' || bytes.front() == '\n' || IsAsciiBlank(bytes.front())))
        bytes.remove_prefix(1);
    return CString(bytes.substr(0, 11)).CompareNoCase("BEGIN:VCARD") == 0;
}

void CCsvAddressReader::LoadVCards(std::string_view bytes)
{
    FreeRecords();
    OnLoad();
    layout_ = VCards;
    CVCardReader::Read(bytes, [this](const CString& name, const std::vector<CString>& addresses) {
        if (addresses.empty()) AddAddress(name, CString());
        for (const CString& address : addresses) AddAddress(name, address);
    });
    FinishLoading();
}

void CCsvAddressReader::OnMove(const CCsvRecord* record)
{
    const auto* address = static_cast<const CCsvAddressRecord*>(record);
    displayName_ = address ? address->displayName : CString();
    mailAddress_ = address ? address->mailAddress : CString();
}
