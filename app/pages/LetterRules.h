#pragma once
// The Letter page's rules that are not about widgets: the subject prefix added and removed,
// the salutation appended, the abridged body preview, the pieces stored into the document
// and which buttons the idle pass enables. All texts are code page 932 with CR LF line
// ends; every comparison is byte for byte.

#include "encoding/CString.h"

class CMailDoc;

// Whether `text` begins with `prefix` (its first prefix-length bytes are the prefix's).
bool BeginsWith(const CString& text, const CString& prefix);
// Puts `prefix` in front of `subject` unless the subject already begins with it, so the
// prefix is never doubled. Returns 1 when the subject changed.
int AddSubjectPrefix(CString& subject, const CString& prefix);
// Removes `prefix` from the front of `subject` when the subject begins with it. Returns 1
// when the subject changed.
int RemoveSubjectPrefix(CString& subject, const CString& prefix);
// Appends `phrase` to the salutation, after CR LF when the salutation is not empty.
void AppendSalutation(CString& dear, const CString& phrase);

// The body as the Letter page previews it: whole up to kPreviewLines lines; a longer body
// as its first two lines, "・・・", and its last two lines, each cut to kPreviewLineBytes
// bytes at a character boundary. Lines are the CR LF separated pieces, so a body that ends
// in CR LF has an empty last line.
inline constexpr int kPreviewLines = 5;
inline constexpr int kPreviewLineBytes = 100;
CString AbridgedBody(const CString& body);

// The pieces the Letter page gives the document.
struct CLetterPieces {
    CString dear;
    CString greeting;
    CString closing;
    CString signature;  // the chosen signature's text, empty when none
    int upperReply = 0;
};
// Stores each piece that differs from the document's and marks the document modified when
// any did. Returns 1 when the document changed.
int StoreLetterPieces(CMailDoc& doc, const CLetterPieces& pieces);

// What the idle pass looks at, and the buttons it enables.
struct CLetterPageState {
    bool templateSelected = false;
    bool prefixSelected = false;
    bool dearSelected = false;
    bool signatureSelected = false;
    CString dear;
    CString greeting;
    CString closing;
};
struct CLetterPageButtons {
    bool replace = false;          // 1126 "<<置換"
    bool clearTemplate = false;    // 1023
    bool clearAll = false;         // 1127 "クリア"
    bool removePrefix = false;     // 1035
    bool clearDear = false;        // 1032
    bool clearGreeting = false;    // 1030
    bool clearClosing = false;     // 1034
    bool clearSignature = false;   // 1036
    bool operator==(const CLetterPageButtons&) const = default;
};
CLetterPageButtons EnabledLetterButtons(const CLetterPageState& state);
