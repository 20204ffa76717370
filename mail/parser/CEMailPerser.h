#pragma once
// CEMailPerser: reads one Internet message (RFC 5322 with MIME, RFC 2045-2047 and 2231) held
// in memory into a CMailDoc, for a mail dropped or pasted as the source of a reply or forward.
//
// Text is code page 932. The helpers below take the message with CR LF line ends; Perse
// accepts LF-only messages too (mailbox and .eml files on Linux) and reads them as CR LF.
// Header text, bodies and parameters in any charset are converted to code page 932; an
// unknown charset leaves the bytes as they are. Attachment files are only ever created inside
// the folder handed to Perse, never by overwriting a file that is already there.
//
// No state survives a call; objects are cheap and may be reused.

#include "encoding/CString.h"
#include "model/CPath.h"

#include <cstddef>

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
    // attachment list. Non-zero when the MIME structure was read; a message without
    // "MIME-Version: 1.0" still gets its addresses, subject and summary, but no body, and 0.
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
    // when no files are to be listed (reply mode, or no folder).
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
    // multipart/mixed); the path is then not listed. Returns -1 when the part has no name and
    // `fallback` is 0, so that the caller may read it as a body instead.
    int PerseFile(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  const CString& boundary, CString& body, CStringArray& names,
                  CStringArray* paths, int& headerEnd, int& partEnd, int force = 0,
                  int fallback = 1);
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
    // Inside the parser `tempPath` is the folder's own bytes (CPath::c_str(), null for none)
    // and `paths` lists the written files' own bytes; part names are code page 932 text and
    // become file names only through CPath::FromText.
    int PerseText(const CString& text, const char* tempPath, CMailDoc& doc, int reply);
    int FindBoundaryIn(const CString& text, int pos, int limit, const CString& boundary,
                       int& start, int& end, int* last);
    int FindFieldIn(const CString& text, int pos, int limit, const char* name, CString& value,
                    int* next, bool decode);
    int ReadField(const CString& text, int pos, int limit, CString& raw, int* next);
    int EmptyLineIn(const CString& text, int pos, int limit);
    void ContentTypeIn(const CString& text, int pos, int limit, CString& type,
                       CString& parameters);
    CString PartFileName(const CString& text, int pos, int limit, const CString& parameters);
    int WriteFile(const char* tempPath, const CString& name, const char* suffix,
                  const char* data, std::size_t length, CString& path);
    int WalkParts(const CString& text, int pos, const char* tempPath, const CString& parameters,
                  int kind, CString& body, CStringArray& names, CStringArray* paths,
                  int& headerEnd, int& partEnd);

    // Nesting of multiparts and attached mails, so that a hostile message cannot exhaust the
    // stack. Only meaningful during one call.
    int depth_ = 0;
};
