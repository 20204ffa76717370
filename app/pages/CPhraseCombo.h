#pragma once
// The phrase-list control of the Letter page: a combo box bound to one phrase table of
// Template.mdb (SUBJECT_PREFIX, DEAR, GREETING, CLOSING or SIGNATURE). Every entry carries
// the phrase's id and text. An entry shows the phrase's title, or, when the combo is made
// with `showText` 1 (the subject prefixes), the phrase text itself, so the prefix a user
// picks is the prefix the subject gets.
//
// A drop-down list (not editable) holds the chosen entry only. An editable combo (greeting,
// closing) holds a text the user may type; choosing an entry puts the phrase's text there,
// line breaks and all (a one-line field shows them as blanks and keeps them).
//
// Only a real choice counts: the arrow keys open the list instead of stepping through the
// entries and the mouse wheel does nothing, so passing over a salutation never appends it.
// A choice emits PhraseChosen; the Select operations below are silent.

#include "command/CStandardCombo.h"
#include "data/LetterTables.h"

class CPhraseCombo : public CStandardCombo {
    Q_OBJECT
public:
    CPhraseCombo(const char* table, int showText, bool editable, QWidget* parent = nullptr);

    const char* GetTable() const { return m_table; }
    // Fills the entries from the table again, keeping the chosen entry when it still exists
    // (else none) and the typed text. Returns 0 on an engine error.
    int Load();
    const CPhraseList& GetPhrases() const { return m_phrases; }

    // The chosen entry's id, -1 when none.
    long GetSelectedId() const;
    // The chosen entry's phrase text, empty when none.
    CString GetSelectedText() const;
    // Chooses the entry with `id` without emitting PhraseChosen (an editable combo takes its
    // text); none when there is no such entry. Returns whether it was found.
    int SelectId(long id);
    // No entry chosen; an editable combo's text is emptied too.
    void SelectNone();

    // The text of an editable combo (code page 932, CR LF kept).
    CString GetEditText() const;
    void SetEditText(const CString& text);

signals:
    void PhraseChosen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void OnActivated(int index);

    const char* m_table;
    int m_showText;
    CPhraseList m_phrases;
};
