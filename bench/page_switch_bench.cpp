// A page switch as the user makes it: Next from the Body page (HasError, StoreToDocument,
// which exports the body when it changed, then the Letter page shown) and Back again.
// Measured with an empty body and with a body of 2,000 paragraphs (about 10,000 display
// lines), offscreen; target at most 50 ms a switch. The body is typed into the page's editor
// (CBodyPage::GetEditor), so the benchmark follows whatever the Body page becomes.
#include "BenchProgram.h"
#include "pages/CBodyPage.h"
#include "command/CommandIds.h"
#include "letter/CEditLetter.h"

#include <QApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

void BM_PageSwitch(benchmark::State& state)
{
    Program program;
    auto* body = dynamic_cast<CBodyPage*>(program.wizard->GetPageAt(0));
    if (body == nullptr) {
        state.SkipWithError("the first page is not the Body page");
        return;
    }
    FillBody(body->GetEditor(), static_cast<int>(state.range(0)));
    QCoreApplication::processEvents();
    for (auto _ : state) {
        // A change since the last visit, so that leaving exports the body again.
        body->GetEditor()->document()->setModified(true);
        body->OnCommand(ID_NEXT_PAGE);
        QCoreApplication::processEvents();
        program.wizard->GetCurrentPage()->OnCommand(ID_PREV_PAGE);
        QCoreApplication::processEvents();
    }
    state.SetLabel("Next + Back, both stored and shown");
}
BENCHMARK(BM_PageSwitch)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
