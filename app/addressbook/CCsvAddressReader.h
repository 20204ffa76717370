#pragma once
// The address import's reader: a CCsvSearchEngine whose records hold two texts, a display
// name and a mail address, and which copies the current record's texts into its own members
// whenever it moves (GetDisplayName, GetMailAddress).
//
// Rows become records by the heading:
// - A heading that names known columns (the CSV exports of Thunderbird in English or
//   Japanese, Gmail / Google Contacts old and new, Outlook in English or Japanese, Outlook
//   Express's "表示名,電子メール アドレス") is read by those columns: the display name column,
//   else the first, middle and last names (ComposeName), and every mail address column, each
//   address (Google's "a ::: b" too) giving one record. A row without any address gives one
//   record with an empty address.
// - Any other heading is skipped and each row gives one record of its first two fields.
// vCard files (LoadVCards) give one record per EMAIL of each card, or one with an empty
// address for a card without EMAIL.

#include "addressbook/CCsvSearchEngine.h"

#include <string_view>
#include <vector>

class CCsvAddressRecord : public CCsvRecord {
public:
    CCsvAddressRecord(CString name, CString address)
        : displayName(std::move(name)), mailAddress(std::move(address))
    {
    }
    CString displayName;
    CString mailAddress;
};

class CCsvAddressReader : public CCsvSearchEngine {
public:
    enum Layout {
        NoLayout,     // nothing loaded
        TwoFields,    // the heading is skipped, the first two fields are read
        NamedColumns, // the heading names the columns
        VCards,
    };

    // Frees the records and reads vCards (versions 2.1, 3.0 and 4.0) from a file's bytes.
    void LoadVCards(std::string_view bytes);
    // Whether a file's bytes hold vCards: after a byte order mark and blank lines they begin
    // with "BEGIN:VCARD".
    static bool IsVCard(std::string_view bytes);

    Layout GetLayout() const { return layout_; }
    // The current record's texts; empty when no record is current.
    const CString& GetDisplayName() const { return displayName_; }
    const CString& GetMailAddress() const { return mailAddress_; }

    // A person's name from its parts, for a person with no display name: "last first" (with
    // the middle name after them) when a part is Japanese, else "first middle last"; empty
    // parts are left out.
    static CString ComposeName(const CString& first, const CString& middle, const CString& last);

protected:
    void OnLoad() override;
    void OnRow(CStringArray& fields) override;
    void OnMove(const CCsvRecord* record) override;

private:
    struct Columns {
        int display = -1;
        int first = -1;
        int middle = -1;
        int last = -1;
        std::vector<int> mails;
    };
    static Columns FindColumns(const CStringArray& heading);
    void AddAddress(CString name, CString address);
    void ReadNamedRow(const CStringArray& fields);

    Layout layout_ = NoLayout;
    bool headingRead_ = false;
    Columns columns_;
    CString displayName_;
    CString mailAddress_;
};
