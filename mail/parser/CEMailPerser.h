#pragma once
// CEMailPerser: reads one Internet message (RFC 5322 with MIME, RFC 2045-2047, 2183 and 2231)
// held in memory into a CMailDoc, for a mail dropped or pasted as the source of a reply or
// forward.
//
// Text is code page 932. The helpers below take the message with CR LF line ends; Perse
// accepts LF-only and CR-only messages too and reads them as CR LF. Header text, bodies and
// parameters in any charset are converted to code page 932 ("〓" for what it cannot hold);
// raw 8-bit header text is UTF-8 when it is UTF-8 (CMailCharset::IsUtf8), else code page
// 932; address fields follow RFC 5322 (CMailboxList); HTML becomes text (CHtmlText).
// Attachment files are only ever created inside the folder handed to Perse, never by
// overwriting a file that is already there.
//
// No state survives a call; objects are cheap and may be reused.

#include "encoding/CString.h"
#include "model/CPath.h"
#include "parser/CMailboxList.h"
#include "parser/CPartFiles.h"

#include <cstddef>
#include <vector>

class CMailDoc;

// The header fields that PerseHeaderFields collects, in its order.
extern const char* const headerFieldNames[];
extern const int numOfHeaderFieldNames;

class CEMailPerser {
public:
    CEMailPerser() = default;
    virtual ~CEMailPerser() = default;

    // Loads `text` into `doc`. reply 0: the message as it is, its attachments written under
    // `tempPath` (none when it is empty) and listed in the document, each under its name
    // converted from code page 932 to UTF-8. reply 1: the source of a
    // reply (the sender becomes the recipient, In-Reply-To and References are set), no
    // attachment list. Non-zero when the structure was read. A message without
    // "MIME-Version: 1.0" is read by its Content-Type all the same, and without one as plain
    // text (RFC 2045 5.2). The body is the first inline text part (HTML turned into text when
    // there is no plain text), later inline text parts follow it after an empty line.
    [[nodiscard]] int Perse(const CString& text, const CPath& tempPath, CMailDoc& doc, int reply);
    int GetSubject(const CString& text, CString& subject);

    int PerseHeaderFields(const CString& text, int end, int unused, CStringArray& from,
                          CStringArray& to, CStringArray& cc, CString& messageId,
                          CString& references, CString& subject, CString& date);
    // `name` without its colon; `pos` must be the start of a header line.
    int FindField(const CString& text, int pos, const char* name, CString& value, int* next);
    int PerseFieldValue(const CString& text, int pos, const char* name, CString& value, int* next);
    int FindTopOfLine(const CString& text, int pos, const CString& key);
    int FindEmptyLine(const CString& text, int pos);
    int PerseAddressField(const CString& text, int pos, const char* name, CStringArray& addresses);
    int NextAddress(const CString& value, int pos, CString& address);
    int GetContentType(const CString& text, int pos, CString& type, CString& parameters, int* next);
    CString GetAttrValue(const CString& parameters, const char* name);
    // The RFC 2231 forms of a parameter: numbered pieces ("name*0*", "name*0", ...) and the
    // single "name*", with a "charset'language'" prefix and %XX escapes.
    CString GetAttrValue_MultiLine(const CString& parameters, const char* name);
    CString DecodeFieldValue(const CString& value);
    // Transfer-decodes `data` and converts it from `charset` into `buffer` (zero-terminated).
    // Returns 0 when the decoder fails or the result (with its zero byte) exceeds `size`.
    int Decode(const CString& data, const CString& encoding, const CString& charset,
               unsigned char* buffer, unsigned int size, unsigned int& length);

protected:
    // The structure walk. `pos` is where the part's header starts; `partEnd` comes in as the
    // end of the region the part may occupy (the next delimiter of the enclosing multipart, or
    // the end of the text) and goes out as the end of what was read. `boundary` is the
    // enclosing multipart's boundary, empty when the part is the whole text. `paths` is null
    // when no files are to be listed (reply mode, or no folder). Body text found on the way is
    // appended to `body`, after an empty line when it already holds text.
    int PerseMime(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  const CString& boundary, CString& body, CStringArray& names,
                  CStringArray* paths, int& headerEnd, int& partEnd);
    int PerseMixed(const CString& text, int pos, const char* tempPath, const CString& parameters,
                   const CString& boundary, CString& body, CStringArray& names,
                   CStringArray* paths, int& headerEnd, int& partEnd);
    int PerseAlternative(const CString& text, int pos, const char* tempPath,
                         const CString& parameters, const CString& boundary, CString& body,
                         CStringArray& names, CStringArray* paths, int& headerEnd, int& partEnd);
    int PerseRelated(const CString& text, int pos, const char* tempPath,
                     const CString& parameters, const CString& boundary, CString& body,
                     CStringArray& names, CStringArray* paths, int& headerEnd, int& partEnd);
    int PerseBody(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  const CString& boundary, CString& body, CStringArray& names,
                  CStringArray* paths, int& headerEnd, int& partEnd);
    // `force` writes the file even when `paths` is null (a named text/plain part of a
    // multipart/mixed); the path is then not listed. A part without a usable name is saved
    // under "attachmentN" and an extension from its type.
    int PerseFile(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  const CString& boundary, CString& body, CStringArray& names,
                  CStringArray* paths, int& headerEnd, int& partEnd, int force = 0);
    int PerseAttachedMail(const CString& text, int pos, const char* tempPath,
                          const CString& parameters, const CString& boundary, CString& body,
                          CStringArray& names, CStringArray* paths, int& headerEnd,
                          int& partEnd);
    int FindNextBoundary(const CString& text, int pos, const CString& boundary, int& start,
                         int& end, int* last);
    void MakeOriginalSummary(const CStringArray& from, const CStringArray& to,
                             const CStringArray& cc, const CString& subject, const CString& date,
                             const CStringArray& files, CString& summary);

private:
    struct Header {
        std::vector<CMailbox> from, to, cc;
        CString messageId, references, subject, date;
    };

    // Inside the parser `tempPath` is the folder's own bytes (CPath::c_str(), null for none)
    // and `paths` lists the written files' own bytes; part names are code page 932 text and
    // become file names only through CPath::FromText.
    int PerseText(const CString& text, const char* tempPath, CMailDoc& doc, int reply);
    void CollectHeader(const CString& text, int end, Header& header);
    void PerseMailboxes(const CString& text, int pos, const char* name, std::vector<CMailbox>& list);
    int FindBoundaryIn(const CString& text, int pos, int limit, const CString& boundary,
                       int& start, int& end, int* last);
    int FindFieldIn(const CString& text, int pos, int limit, const char* name, CString& value,
                    int* next, bool decode);
    int ReadField(const CString& text, int pos, int limit, CString& raw, int* next);
    int EmptyLineIn(const CString& text, int pos, int limit);
    // Where a part's header ends (its empty line, or a first line that is no header line)
    // and where its content starts.
    void SplitPart(const CString& text, int pos, int limit, int& headerEnd, int& contentStart);
    void ContentTypeIn(const CString& text, int pos, int limit, CString& type,
                       CString& parameters, const char* defaultType = "text/plain");
    // A parameter in its plain form or, failing that, in its RFC 2231 forms.
    CString Parameter(const CString& parameters, const char* name);
    // The same without decoding encoded words (a boundary is taken as it stands).
    CString RawParameterValue(const CString& parameters, const char* name);
    // The disposition type ("inline", "attachment"), and its parameters when asked for.
    CString Disposition(const CString& text, int pos, int limit, CString* parameters);
    // An inline text/plain or text/html part without a file name: text of the body.
    bool IsBodyText(const CString& text, int pos, int limit, const CString& type,
                    const CString& parameters);
    CString PartFileName(const CString& text, int pos, int limit, const CString& parameters);
    void ReadText(const CString& text, int pos, int limit, const CString& parameters, bool html,
                  CString& out, int& headerEnd);
    int PerseMimeAs(const CString& text, int pos, const char* tempPath, const char* defaultType,
                    const CString& boundary, CString& body, CStringArray& names,
                    CStringArray* paths, int& headerEnd, int& partEnd);
    int WalkParts(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  int kind, const char* defaultType, CString& body, CStringArray& names,
                  CStringArray* paths, int& headerEnd, int& partEnd);

    // Only meaningful during one call: the nesting of multiparts and attached mails, so that
    // a hostile message cannot exhaust the stack, and the numbering of the files written.
    int depth_ = 0;
    CPartFiles files_;
};
