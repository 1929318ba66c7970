// Find and replace in a shown feed editor: one search to the end of a long text, and Replace all
// of every occurrence, with a replacement that holds the searched text.
#include "ui/context/app_context.h"
#include "ui/context/seams.h"
#include "ui/dialogs/find_window.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

using namespace qp;
using namespace qp::ui;

class NoRequester final : public Requester {
public:
    ui::RequestAnswer RequestMessage(const QString&, const QString&, ui::RequestButtons,
                                     QWidget*) override {
        return RequestAnswer::Yes;
    }
};

// Lines of a feed text with one "episode" each.
QString feed_text(int lines) {
    QString text;
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("Notes of the episode number %1, with its guests.\n").arg(i);
    return text;
}

void BM_FindNext_LastOfLines(benchmark::State& state) {
    QPlainTextEdit editor;
    editor.resize(600, 400);
    editor.show();
    editor.setPlainText(feed_text(static_cast<int>(state.range(0))) + "needle");
    for (auto _ : state) {
        editor.moveCursor(QTextCursor::Start);
        benchmark::DoNotOptimize(Find_InEditor(&editor, QStringLiteral("needle"), kFindScopeCaret,
                                               kFindForward, true, -1));
    }
}
BENCHMARK(BM_FindNext_LastOfLines)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_ReplaceAll_OnePerLine(benchmark::State& state) {
    AppContext ctx(Paths("/tmp/", "/tmp/", "/opt/", ""));
    NoRequester requester;
    ctx.requester = &requester;
    QPlainTextEdit editor;
    editor.resize(600, 400);
    editor.show();
    const QString text = feed_text(static_cast<int>(state.range(0)));
    FindRequest request;
    request.text = QStringLiteral("episode");
    request.replacement = QStringLiteral("episodes");
    for (auto _ : state) {
        state.PauseTiming();
        editor.setPlainText(text);
        state.ResumeTiming();
        Find_Action(ctx, &editor, FindAction::ReplaceAll, request, nullptr);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ReplaceAll_OnePerLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
