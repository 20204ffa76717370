#pragma once
// Dialog 181, the address panel: the To (1012), Cc (1015) and Bcc (1024) lists, each with
// its address-book button ("宛先(&A)" 1022, "ＣＣ(&C)" 1005, "BCC(&B)" 1007), its entry and
// "＋" button (1049, 1051, 1052) and its clear button (1029, 1030, 1031). The Address page
// and the address-template dialog embed it; the window that holds it routes the edit
// commands to it (IsUpdateCommandItem) and takes the address book's addresses through it.
// Each list keeps a changed flag, set by any edit of the list.

#include "addressbook/CAddressTarget.h"
#include "command/CStandardEditForXpUI.h"

#include <QWidget>

#include <array>
#include <vector>

class CRecipientEntry;
class CRecipientList;
class CUpdateCommandItem;
class QPushButton;

class CAddressPanel : public QWidget {
    Q_OBJECT
public:
    enum {
        IDD = 181,
        IDC_TO = 1012,
        IDC_CC = 1015,
        IDC_BCC = 1024,
        IDC_TO_BOOK = 1022,
        IDC_CC_BOOK = 1005,
        IDC_BCC_BOOK = 1007,
        IDC_TO_ADD = 1049,
        IDC_CC_ADD = 1051,
        IDC_BCC_ADD = 1052,
        IDC_TO_CLEAR = 1029,
        IDC_CC_CLEAR = 1030,
        IDC_BCC_CLEAR = 1031,
        // The entries beside the "＋" buttons.
        IDC_TO_ENTRY = 1145,
        IDC_CC_ENTRY = 1146,
        IDC_BCC_ENTRY = 1147,
    };
    static constexpr int kLists = 3;

    explicit CAddressPanel(QWidget* parent);
    ~CAddressPanel() override;

    // `list` is CAddressTarget::ToList, CcList or BccList.
    std::vector<CAddress> GetAddresses(int list) const;
    // Loads a list (from the document or a template); its changed flag is cleared.
    void SetAddresses(int list, const std::vector<CAddress>& addresses);
    int IsChanged(int list) const;
    void SetChanged(int list, int changed);
    // Adds as the list adds (checked, none twice); returns how many were added.
    int AddAddresses(int list, const std::vector<CAddress>& addresses);
    // Removes the addresses the same as any of `addresses`; returns how many.
    int RemoveAddresses(int list, const std::vector<CAddress>& addresses);
    void ClearList(int list);
    void ClearAll();
    // Every list empty.
    int IsEmpty() const;

    // The entry's text into its list ("＋", Enter); with an empty entry, dialog 154. What
    // cannot be added stays in the entry.
    void AddFromEntry(int list);
    // Opens the address book for the panel's window, to hand addresses to `list`.
    void OpenAddressBook(int list);

    // The command side of the panel's lists and entries.
    int IsUpdateCommandItem(const QWidget* wnd, CUpdateCommandItem*& item);

    CRecipientList* GetList(int list) const { return m_rows[static_cast<std::size_t>(list)].list; }
    CRecipientEntry* GetEntry(int list) const { return m_rows[static_cast<std::size_t>(list)].entry; }
    QPushButton* GetBookButton(int list) const { return m_rows[static_cast<std::size_t>(list)].book; }
    QPushButton* GetAddButton(int list) const { return m_rows[static_cast<std::size_t>(list)].add; }
    QPushButton* GetClearButton(int list) const { return m_rows[static_cast<std::size_t>(list)].clear; }

signals:
    // A list was edited.
    void changed();

private:
    struct Row {
        CRecipientList* list = nullptr;
        CRecipientEntry* entry = nullptr;
        QPushButton* book = nullptr;
        QPushButton* add = nullptr;
        QPushButton* clear = nullptr;
        CStandardEditForXpUI editEntry;
    };
    std::array<Row, kLists> m_rows;
};
