#include "pages/CRecipientEntry.h"

#include "addressbook/CAddressBook.h"
#include "command/QtText.h"
#include "data/CDataStore.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>

CRecipientEntry::CRecipientEntry(QWidget* parent)
    : QLineEdit(parent), m_completer(new QCompleter(this)), m_suggestions(new QStringListModel(this))
{
    setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhPreferLatin);
    m_completer->setModel(m_suggestions);
    // The model holds the matches already, ranked; the completer only shows them.
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setMaxVisibleItems(kSuggestions);
    m_completer->setWidget(this);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { Suggest(text); });
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this, [this](const QString& chosen) {
        setText(chosen);
        emit addRequested();
    });
}

CAddressBook* CRecipientEntry::Book()
{
    if (m_book == nullptr && theDataStore.GetToolWindows() != nullptr)
        m_book = theDataStore.GetToolWindows()->GetAddressBook();
    return m_book;
}

int CRecipientEntry::Suggest(const QString& text)
{
    m_ids.clear();
    QStringList shown;
    if (CAddressBook* book = Book(); book != nullptr && !text.trimmed().isEmpty()) {
        m_ids = book->Complete(FromQString(text), kSuggestions);
        for (long id : m_ids) {
            const CBookPerson* person = book->FindPerson(id);
            shown << ToQString(CAddress("", person->displayName.GetString(), person->mailAddress.GetString()).ToText());
        }
    }
    m_suggestions->setStringList(shown);
    if (shown.isEmpty()) {
        m_completer->popup()->hide();
        return 0;
    }
    m_completer->complete();
    m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
    return static_cast<int>(shown.size());
}

void CRecipientEntry::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter || m_completer->popup()->isVisible()) {
        // With the suggestions open the completer takes Enter (and chooses).
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (text().trimmed().isEmpty()) {
        event->ignore();
        return;
    }
    event->accept();
    emit addRequested();
}
