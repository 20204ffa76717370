// The letter editor: GetTextWithReturn of a letter of 2,000 paragraphs (about 10,000 display
// lines, Japanese and ASCII mixed, some red and underlined), and the cost of typing one
// character into letters of different lengths (it must not grow with the letter).
#include "letter/CEditLetter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBlock>
#include <QTextCursor>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

std::unique_ptr<CEditLetter> MakeLetter(int paragraphs)
{
    auto edit = std::make_unique<CEditLetter>();
    edit->Init(0);
    CEditLetter::c_newLineLength = 60;
    edit->SelToNewSentence();
    QTextCursor cursor = edit->textCursor();
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    QTextCharFormat underline;
    underline.setFontUnderline(true);
    const QTextCharFormat plain = cursor.charFormat();
    for (int i = 0; i < paragraphs; ++i) {
        cursor.insertText(QStringLiteral(u"第%1段落　いつもお世話になっております。先日ご依頼いただいた"
                                         u"見積書の件ですが、The quote for order No. %2 is attached; ")
                              .arg(i)
                              .arg(10000 + i),
                          plain);
        cursor.insertText(QStringLiteral(u"至急"), i % 5 == 0 ? red : plain);
        cursor.insertText(QStringLiteral(u"ご確認ください。Please check the figures "), plain);
        cursor.insertText(QStringLiteral(u"before Friday"), i % 7 == 0 ? underline : plain);
        cursor.insertText(QStringLiteral(u"。よろしくお願いいたします。\tEnd of paragraph.\n"), plain);
    }
    edit->setTextCursor(cursor);
    return edit;
}

void BM_GetTextWithReturn(benchmark::State& state)
{
    const auto edit = MakeLetter(static_cast<int>(state.range(0)));
    CString warm;
    edit->GetTextWithReturn(warm);  // the first call lays the letter out, as showing it would
    int lines = 0;
    for (char ch : warm.View())
        lines += ch == '\n';
    for (auto _ : state) {
        CString text;
        edit->GetTextWithReturn(text);
        benchmark::DoNotOptimize(text);
    }
    state.counters["lines"] = lines;
    state.counters["bytes"] = warm.GetLength();
}
BENCHMARK(BM_GetTextWithReturn)->Arg(2000)->Unit(benchmark::kMillisecond);

// One character typed in the middle of the letter and laid out again, then taken back.
void BM_TypeCharacter(benchmark::State& state)
{
    const auto edit = MakeLetter(static_cast<int>(state.range(0)));
    QTextDocument* document = edit->document();
    document->documentLayout()->documentSize();
    QTextCursor cursor(document->findBlockByNumber(document->blockCount() / 2));
    cursor.movePosition(QTextCursor::EndOfWord);
    for (auto _ : state) {
        cursor.insertText(QStringLiteral(u"あ"));
        document->documentLayout()->blockBoundingRect(cursor.block());
        cursor.deletePreviousChar();
        document->documentLayout()->blockBoundingRect(cursor.block());
    }
}
BENCHMARK(BM_TypeCharacter)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
