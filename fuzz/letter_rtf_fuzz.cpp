// libFuzzer target over the letter editor's RTF reader: any bytes are read into a text
// document (as a whole document and as an insertion), laid out, written back and read again.
// The reader must never throw or crash, and the document must hold only characters that
// code page 932 has. Seed it with tests/data/letter and fuzz/letter_rtf.
#include "letter/CLetterFormat.h"
#include "letter/CLetterRtf.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void CheckSendable(const QTextDocument& document)
{
    const QString text = document.toPlainText();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!CLetterFormat::InCp932(text.at(i).unicode())) {
            std::fprintf(stderr, "character U+%04X that code page 932 lacks at %lld\n",
                         text.at(i).unicode(), static_cast<long long>(i));
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const CString rtf(reinterpret_cast<const char*>(data), static_cast<int>(size));
    const bool whole = size > 0 && (data[0] & 1);

    QTextDocument document;
    document.setDefaultFont(CLetterFormat::BaseFont());
    document.setTextWidth(CLetterFormat::kEditColumns * CLetterFormat::ColumnWidth());
    QTextCursor cursor(&document);
    if (!whole) {
        cursor.insertText(QStringLiteral(u"前置き"));
        cursor.setPosition(1, QTextCursor::KeepAnchor);
    }
    (void)CLetterRtf::Read(rtf, cursor, whole);
    CheckSendable(document);
    (void)document.documentLayout()->documentSize();

    // What the editor writes, it reads back.
    CString written;
    CLetterRtf::Write(document, 0, document.characterCount() - 1, true, written);
    QTextDocument again;
    QTextCursor againCursor(&again);
    (void)CLetterRtf::Read(written, againCursor, true);
    CheckSendable(again);
    return 0;
}
