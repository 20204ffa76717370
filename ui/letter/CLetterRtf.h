#pragma once
// The letter editor's rich text format: a small RTF writer and reader for what the editor
// holds (paragraph start, hanging and right indents, pure red colour, underline, decimal
// numbering, code page 932 text). The writer's output is 7-bit: text bytes above 0x7F are
// written as \'xx of code page 932, lines end in CR LF. The reader also takes RTF of other
// programs: \uN characters, \'xx in the code page of the font (\fcharsetN) or of \ansicpgN,
// \line and \tab; control words and destinations it does not know are skipped.

#include "encoding/CString.h"

class QTextCursor;
class QTextDocument;

class CLetterRtf {
public:
    // Writes the characters [from, to) of `document` as a complete RTF document. A paragraph
    // whose end lies inside the range is closed by \par; with `wholeDocument` the last
    // paragraph is closed too, so that its format is kept.
    static void Write(const QTextDocument& document, int from, int to, bool wholeDocument,
                      CString& rtf);

    // Inserts `rtf` at `cursor`, replacing its selection, as one undoable step. With
    // `wholeDocument` the document is expected to be empty and an empty last paragraph after a
    // final \par is dropped (the reader's counterpart of Write's closing \par); the last
    // paragraph's format is applied even without a \par. Text that does not start with
    // "{\rtf" is inserted as plain text (CR LF as paragraph ends) and 0 is returned, else 1.
    static int Read(const CString& rtf, QTextCursor& cursor, bool wholeDocument);
};
