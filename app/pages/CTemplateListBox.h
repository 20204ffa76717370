#pragma once
// The list of a page's templates (list 1123): each entry shows a template's title and
// carries its id. A selection made by the user emits TemplateSelected, a double click
// TemplateActivated; the operations below change the list silently, as the designed list
// box does when the program sets its selection.

#include "command/CStandardListBox.h"
#include "data/TitleLists.h"

class CTemplateListBox : public CStandardListBox {
    Q_OBJECT
public:
    explicit CTemplateListBox(QWidget* parent = nullptr);

    // Replaces the entries, selecting none.
    void Fill(const CTitleList& titles);
    // The selected entry's id, -1 when none.
    long GetSelectedId() const;
    // Selects the entry with `id`; none when there is no such entry. Returns whether found.
    int SelectId(long id);
    void SelectNone();
    // Appends an entry and selects it.
    void AddEntry(long id, const CString& title);
    // Gives the selected entry a new title and id, keeping its place and the selection.
    void ReplaceSelected(long id, const CString& title);
    // Removes the selected entry; nothing is selected afterwards.
    void RemoveSelected();

signals:
    void TemplateSelected();
    void TemplateActivated();
};
