#include "pages/CPhraseCombo.h"

#include "command/QtText.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QWheelEvent>

CPhraseCombo::CPhraseCombo(const char* table, int showText, bool editable, QWidget* parent)
    : CStandardCombo(parent), m_table(table), m_showText(showText)
{
    setEditable(editable);
    if (editable) {
        // Typed text is the piece itself: nothing typed becomes an entry, and no entry's
        // title completes what is typed.
        setInsertPolicy(QComboBox::NoInsert);
        setCompleter(nullptr);
    }
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    connect(this, &QComboBox::activated, this, &CPhraseCombo::OnActivated);
}

int CPhraseCombo::Load()
{
    const long chosen = GetSelectedId();
    const CString typed = GetEditText();
    CPhraseList phrases;
    const int loaded = LoadPhrases(m_table, phrases);
    m_phrases = std::move(phrases);
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const CPhrase& phrase : m_phrases) {
            QString shown = ToQString(m_showText ? phrase.text : phrase.title);
            shown.replace(QStringLiteral(u"\r\n"), QStringLiteral(u" "));
            addItem(shown, QVariant::fromValue<qlonglong>(phrase.id));
        }
        setCurrentIndex(-1);
    }
    if (chosen >= 0)
        SelectId(chosen);
    if (isEditable())
        SetEditText(typed);
    return loaded;
}

long CPhraseCombo::GetSelectedId() const
{
    const int index = currentIndex();
    return index >= 0 && index < static_cast<int>(m_phrases.size()) ? m_phrases[static_cast<std::size_t>(index)].id : -1;
}

CString CPhraseCombo::GetSelectedText() const
{
    const int index = currentIndex();
    return index >= 0 && index < static_cast<int>(m_phrases.size()) ? m_phrases[static_cast<std::size_t>(index)].text
                                                                      : CString();
}

int CPhraseCombo::SelectId(long id)
{
    const QSignalBlocker quiet(this);
    const int index = id >= 0 ? findData(QVariant::fromValue<qlonglong>(id)) : -1;
    setCurrentIndex(index);
    if (isEditable())
        SetEditText(index >= 0 ? GetSelectedText() : CString());
    return index >= 0 ? 1 : 0;
}

void CPhraseCombo::SelectNone()
{
    const QSignalBlocker quiet(this);
    setCurrentIndex(-1);
    if (isEditable())
        lineEdit()->clear();
}

CString CPhraseCombo::GetEditText() const
{
    return isEditable() ? FromQString(lineEdit()->text()) : CString();
}

void CPhraseCombo::SetEditText(const CString& text)
{
    if (isEditable() && FromQString(lineEdit()->text()) != text)
        lineEdit()->setText(ToQString(text));
}

void CPhraseCombo::OnActivated(int index)
{
    if (index < 0 || index >= static_cast<int>(m_phrases.size()))
        return;
    if (isEditable())
        SetEditText(m_phrases[static_cast<std::size_t>(index)].text);
    emit PhraseChosen();
}

void CPhraseCombo::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & (Qt::AltModifier | Qt::ControlModifier));
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (plain) {
            showPopup();
            return;
        }
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (plain && !isEditable()) {
            showPopup();
            return;
        }
        break;
    default:
        break;
    }
    CStandardCombo::keyPressEvent(event);
}

void CPhraseCombo::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}
