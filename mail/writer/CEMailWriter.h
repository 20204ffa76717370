#pragma once
// Turns one message document into the text of an Internet message (RFC 5322 header with
// MIME 1.0, RFC 2045/2046 body: text/plain, or multipart/mixed with the attachments) and
// hands it, piece by piece, to an output stream. Japanese text leaves as ISO-2022-JP
// (RFC 1468): header text as RFC 2047 "B" encoded words, a Japanese body as Base64.
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
    CString EncodeFieldValue(const CString& value, int offset);
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
    // The quoted-string form of an attachment name (the path's last part as text, "〓" for
    // what code page 932 lacks) for the name / filename parameters.
    CString AttachmentName(const CPath& path);
    // The header of one attachment part and the empty line after it.
    int WriteAttachmentHeader(const CPath& path, const char* type, const char* encoding);

    COutputStream* stream_;
    const CMailDoc& doc_;
    CProgressCallback& progress_;
};
