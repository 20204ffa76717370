#pragma once
// The entry beside a recipient list's "＋" button: typed addresses ("Name <address>", or
// several separated by commas) go into the list with Enter or "＋". Typing completes from
// the address book: persons whose display name or address holds what was typed, the most
// used first (REF_COUNT), the first suggestion ready for Enter; choosing one adds it at once.
// Enter in an empty entry is left to the window (the page's IDOK).

#include <QLineEdit>

#include <vector>

class CAddressBook;
class QCompleter;
class QStringListModel;

class CRecipientEntry : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kSuggestions = 12;

    explicit CRecipientEntry(QWidget* parent = nullptr);

    // The address book to complete from; null (the default) asks the data store's tool
    // windows for theirs when the user first types.
    void SetAddressBook(CAddressBook* book) { m_book = book; }
    // Fills the suggestions for `text` and shows them (none: hidden). Returns how many.
    int Suggest(const QString& text);
    QCompleter* GetCompleter() const { return m_completer; }
    // The persons of the suggestions shown, in order.
    const std::vector<long>& GetSuggestedIds() const { return m_ids; }

signals:
    // Enter with text, or a suggestion chosen.
    void addRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CAddressBook* Book();

    CAddressBook* m_book = nullptr;
    QCompleter* m_completer;
    QStringListModel* m_suggestions;
    std::vector<long> m_ids;
};
