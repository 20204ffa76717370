#pragma once
// Turns one message document into the text of an Internet message (RFC 5322 header with
// MIME 1.0, RFC 2045/2046 body: text/plain, or multipart/mixed with the attachments) and
// hands it, piece by piece, to an output stream. Japanese text leaves as ISO-2022-JP
// (RFC 1468): header text as RFC 2047 "B" encoded words, a Japanese body as Base64. Each
// field (the subject, each display name, each attachment name, the body) whose characters
// ISO-2022-JP cannot all carry goes out as UTF-8 instead, as the document's charset choice
// says (CMailDoc::GetCharset, after the stand-ins of GetReplaceMode). No encoded word is
// longer than 75 characters and no header line longer than 998 (RFC 2047 2, RFC 5322 2.1.1).
//
// The text written is the text sent: it has no Bcc field. SetWriteBcc(1) writes the field for
// the user's own saved copy.
//
// The stream, the document and the progress callback are borrowed for one Write; the caller
// opens and closes the stream and starts and completes the callback. Attachments are
// streamed: a file's bytes are read and encoded a block at a time, never held whole.
// Every line written ends in CR LF.

#include "encoding/CString.h"
#include "model/CAddress.h"
#include "model/CMailDoc.h"

#include <cstdio>

class COutputStream;
class CProgressCallback;

class CEMailWriter {
public:
    CEMailWriter(COutputStream* stream, const CMailDoc& doc, CProgressCallback& progress);
    virtual ~CEMailWriter();
    CEMailWriter(const CEMailWriter&) = delete;
    CEMailWriter& operator=(const CEMailWriter&) = delete;

    // Writes the whole message; on failure `errorDetail` holds the text to show the user.
    // Attachment files are checked before the first byte is written.
    [[nodiscard]] int Write(CString& errorDetail);
    // Whether the Bcc field (the blind recipients and the sender's own copy) is written.
    void SetWriteBcc(int write) { writeBcc_ = write ? 1 : 0; }
    // Whether the document's message holds 8-bit text (an attached mail with bytes above
    // 0x7F), which an SMTP server must be told of (RFC 6152).
    static int NeedsEightBit(const CMailDoc& doc);
    // The name an attachment has in the message (before encoding): its path's last part as
    // text, "〓" for what code page 932 lacks.
    static CString AttachmentName(const CMailDoc::FileInfo& file);

protected:
    int CheckFiles(const CMailDoc::FileList& files, CString& errorDetail);
    int WriteMime(const CString& body, const CMailDoc::FileList& files, CString& errorDetail);
    int WriteMixed(const CString& body, const CMailDoc::FileList& files, CString& errorDetail);
    int WriteBody(const CString& body, CString& errorDetail);
    int WriteFile(const CMailDoc::FileInfo& file, CString& errorDetail);
    int WriteEMail(const CMailDoc::FileInfo& file, CString& errorDetail);
    // Lines of 72 characters (54 bytes of data), each followed by CR LF.
    int WriteBase64(const unsigned char* data, unsigned int length);
    CString MakeNewBoundary();

    // Header fields. Values are written as given: callers encode them first.
    int WriteFieldValue(const char* name, const char* value);
    int WriteFieldValue(const char* name, const char* value, const CStringArray& parameters);
    // The addresses are header text already; every one after the first goes on its own
    // continuation line. 0 (and nothing written) for an empty list.
    int WriteAddressField(const char* name, const CStringArray& addresses);
    // `offset` counts the characters before the value on its first line; at most 51.
    // ISO-2022-JP encoded words for Japanese text; other text unchanged.
    CString EncodeFieldValue(const CString& value, int offset);
    // Encoded words of `value` in ISO-2022-JP (pieces within the designed byte limits) or
    // UTF-8, each at most 75 characters, joined by CR LF TAB; a character, or a half-width
    // kana with its voicing mark, is never split.
    CString EncodeWords(const CString& value, int offset, bool utf8);
    // An unstructured value (the subject) in the charset the document's choice gives it.
    CString EncodeText(const CString& value, int offset);
    // The text with the stand-ins the document asks for.
    CString Prepared(const CString& text) const;
    // Whether a field of this (prepared) text goes out as UTF-8.
    bool UsesUtf8(const CString& text) const;
    CString ConvAndEncodeAddress(const CAddress& address);
    int Encode(const unsigned char* data, unsigned int length, const CString& encoding,
               const CString& charset, CString& out);

    // A header value taken from user data, with every line break that is not a fold
    // (CR LF followed by a blank or tab) replaced by a blank, so that it cannot end the field
    // or start a new one.
    static CString CleanFieldValue(const CString& value);

private:
    int WriteHeader();
    // Opens an attachment for reading; null when it cannot be opened or is not a file.
    static std::FILE* OpenAttachment(const CPath& path);
    static int IsEightBitFile(const CPath& path);
    // The header of one attachment part and the empty line after it.
    int WriteAttachmentHeader(const CMailDoc::FileInfo& file, const char* type, const char* encoding);

    COutputStream* stream_;
    const CMailDoc& doc_;
    CProgressCallback& progress_;
    int writeBcc_ = 0;
};
