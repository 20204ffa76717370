// The Body page with a 2,000-paragraph body (about 10,000 display lines) and 50 attachments,
// offscreen: leaving it (StoreToDocument exporting the body and the list; target 50 ms),
// opening the preview of that message (constructed, shown and painted; target 150 ms), the rest
// of its letter laid out while it is shown (total and the longest pause of the event loop), and
// typing one character at the end of the body (the letter editor alone measured 2.5 ms).
#include "BenchProgram.h"
#include "pages/CBodyPage.h"
#include "pages/CPreviewDlg.h"
#include "files/CFileListCtrl.h"
#include "letter/CEditLetter.h"
#include "model/CAddress.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>

namespace {

constexpr int kParagraphs = 2000;
constexpr int kAttachments = 50;

// The Body page of a started program, its body and attachments filled as the user would.
CBodyPage* FilledBodyPage(Program& program)
{
    auto* body = dynamic_cast<CBodyPage*>(program.wizard->GetPageAt(0));
    if (body == nullptr)
        return nullptr;
    FillBody(body->GetEditor(), kParagraphs);
    const auto files = program.folder / "attachments";
    std::filesystem::create_directories(files);
    for (int i = 0; i < kAttachments; ++i) {
        const auto path = files / ("document" + std::to_string(i) + ".pdf");
        std::ofstream(path, std::ios::binary) << std::string(20000 + i * 100, 'x');
        if (!body->GetFileList()->AddFile(CPath::FromNative(path.string())))
            return nullptr;
    }
    QCoreApplication::processEvents();
    return body;
}

void BM_LeaveBodyPage(benchmark::State& state)
{
    Program program;
    CBodyPage* body = FilledBodyPage(program);
    if (body == nullptr) {
        state.SkipWithError("the Body page could not be filled");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        // A document that differs from the page, and both parts changed since the last visit.
        program.doc->SetBody("");
        program.doc->SetFiles({});
        body->GetEditor()->document()->setModified(true);
        body->GetFileList()->SetModify(1);
        state.ResumeTiming();
        if (body->StoreToDocument() != 1) {
            state.SkipWithError("leaving the page stored nothing");
            return;
        }
    }
    state.SetLabel("StoreToDocument: body and 50 attachments exported");
}
BENCHMARK(BM_LeaveBodyPage)->Unit(benchmark::kMillisecond)->Iterations(20);

// The preview of the filled page's message, with the recipients and sender of a real one.
struct PreviewedMessage {
    Program program;
    CBodyPage* body = nullptr;

    bool Fill()
    {
        body = FilledBodyPage(program);
        if (body == nullptr || body->StoreToDocument() != 1)
            return false;
        program.doc->SetSubject("見積書送付のご案内");
        program.doc->AddToAddress(CAddress("", "花子", "hanako@example.com"));
        program.doc->AddToAddress(CAddress("", "", "jiro@example.com"));
        program.doc->AddBccAddress(CAddress("", "", "boss@example.com"));
        program.doc->SetFromAddress(CAddress("", "山田 太郎", "taro@example.com"));
        return true;
    }
};

bool LastLineLaidOut(CPreviewDlg& preview)
{
    const QTextLayout* layout = preview.GetLetter()->document()->lastBlock().layout();
    return layout != nullptr && layout->lineCount() > 0;
}

// Until the user sees it: constructed, shown, its first events (the paint) handled.
void BM_OpenPreview(benchmark::State& state)
{
    PreviewedMessage message;
    if (!message.Fill()) {
        state.SkipWithError("the Body page could not be filled");
        return;
    }
    for (auto _ : state) {
        auto preview = std::make_unique<CPreviewDlg>(message.program.doc.get(), message.body, 1);
        preview->show();
        QCoreApplication::processEvents();
        const QTextLayout* first = preview->GetLetter()->document()->firstBlock().layout();
        if (first == nullptr || first->lineCount() == 0) {
            state.SkipWithError("the letter's first line was not laid out when the preview was shown");
            return;
        }
        state.PauseTiming();
        preview.reset();
        state.ResumeTiming();
    }
    state.SetLabel("constructed, shown and painted, with send");
}
BENCHMARK(BM_OpenPreview)->Unit(benchmark::kMillisecond)->Iterations(10);

// From the shown preview until its last line is laid out, with the event loop running: the
// total, and the longest time the loop was busy at once (how long the dialog can stall).
void BM_PreviewLaysOutTheRest(benchmark::State& state)
{
    PreviewedMessage message;
    if (!message.Fill()) {
        state.SkipWithError("the Body page could not be filled");
        return;
    }
    qint64 longestPause = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto preview = std::make_unique<CPreviewDlg>(message.program.doc.get(), message.body, 1);
        preview->show();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        // A 1 ms timer ticks whenever the loop is free; the widest gap between two ticks is
        // the longest stall a user could notice.
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestPause = std::max(longestPause, sinceTick.restart());
        });
        ticker.start();
        QElapsedTimer waited;
        waited.start();
        while (!LastLineLaidOut(*preview) && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        ticker.stop();
        if (!LastLineLaidOut(*preview)) {
            state.SkipWithError("the letter was not laid out within 10 seconds");
            return;
        }
        state.PauseTiming();
        preview.reset();
        state.ResumeTiming();
    }
    state.counters["longest_pause_ms"] = static_cast<double>(longestPause);
    state.SetLabel("the rest of 10,000 lines laid out while shown");
}
BENCHMARK(BM_PreviewLaysOutTheRest)->Unit(benchmark::kMillisecond)->Iterations(5);

// One character typed at the end of the body through the editor's key handling, laid out,
// and erased again with Backspace.
void BM_TypeAtTheEnd(benchmark::State& state)
{
    Program program;
    CBodyPage* body = FilledBodyPage(program);
    if (body == nullptr) {
        state.SkipWithError("the Body page could not be filled");
        return;
    }
    CEditLetter* edit = body->GetEditor();
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QTextDocument* document = edit->document();
    document->documentLayout()->documentSize();
    auto key = [edit](int code, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &release);
    };
    for (auto _ : state) {
        key(Qt::Key_A, QStringLiteral(u"あ"));
        document->documentLayout()->blockBoundingRect(edit->textCursor().block());
        key(Qt::Key_Backspace, QString());
        document->documentLayout()->blockBoundingRect(edit->textCursor().block());
    }
    state.SetLabel("type one character and Backspace, at the end of 2,000 paragraphs");
}
BENCHMARK(BM_TypeAtTheEnd)->Unit(benchmark::kMicrosecond)->Iterations(200);

}  // namespace
