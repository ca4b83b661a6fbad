// The rotation run as an object, without a dialog: the stand-in tool
// (fake_jhead.exe) as its jhead.exe, started and read in this process. What
// it counts, what it passes over, and how it stops; then the tool's output
// read line by line, and the end message made from what the run did.
#include <string>
#include <vector>

#include "RotationRun.h"
#include "harness.h"
#include "remote_dialog.h"

namespace {

// The stand-in in a folder of its own, as jhead.exe, and its log of starts:
// each run's target (its last argument) and whether another one was running.
struct StandIn {
    remote::ToolFolder dir{L"run-standin"};
    bool ready = CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", dir.Path() + L"\\jhead.exe", FALSE) != FALSE;

    RunSetup Setup(const std::vector<CString>& rows) const {
        DeleteFileW(dir.Path() + L"\\runs.log");
        return RunSetup{dir.Path() + L"\\jhead.exe", dir.Path(), rows, true, true};
    }
    std::vector<CString> Targets() const {
        std::vector<CString> targets;
        const std::string log = remote::ReadFileBytes(dir.Path() + L"\\runs.log");
        for (size_t from = 0, end; (end = log.find('\n', from)) != std::string::npos; from = end + 1) {
            const std::string line = log.substr(from, end - from);
            CHECK(line.compare(2, 2, "0\t") == 0);  // "show<TAB>overlap": none overlapped
            targets.push_back(remote::FromUtf8(line.substr(line.rfind('\t') + 1)));
        }
        return targets;
    }
};

// What a run told its listener; it asks for a stop at item `stopAt`.
struct Recorder : CRotationRun::Listener {
    CRotationRun* run = nullptr;
    int stopAt = 0;
    std::vector<CString> items;
    void OnItem(const RunProgress& progress) override {
        items.push_back(CString::Formatted(L"%d/%d ", progress.started, progress.known) + progress.item);
        if (progress.started == stopAt) run->RequestStop();
    }
};

RunOutcome Outcome(int turned, int upright, int leftOut = 0, const CString& first = L"", bool stopped = false,
                   bool startFailed = false) {
    RunOutcome outcome;
    outcome.turned = turned, outcome.upright = upright, outcome.leftOutCount = leftOut, outcome.firstLeftOut = first;
    outcome.stopped = stopped, outcome.toolStartFailed = startFailed;
    return outcome;
}

void CheckOutcome(const RunOutcome& actual, const RunOutcome& expected) {
    CHECK_EQ(actual.turned, expected.turned);
    CHECK_EQ(actual.upright, expected.upright);
    CHECK_EQ(actual.leftOutCount, expected.leftOutCount);
    CHECK_EQ(actual.firstLeftOut, expected.firstLeftOut);
    CHECK_EQ(actual.toolStartFailed, expected.toolStartFailed);
    CHECK_EQ(actual.stopped, expected.stopped);
}

// Photos named for what the stand-in reports of them:
//   F\ a (turn).jpg  b.jpg  c (fails).jpg  notes.txt  S\ (d (turn).JPG  e.jpeg)
//   n (noise).jpg  m (noise) (fails).jpg  x (hold).jpg
struct Photos {
    testkit::TempDir root{L"run-photos"};
    CString f = root.Folder(L"F"), s = root.Folder(L"F\\S");
    CString a = root.File(L"F\\a (turn).jpg"), b = root.File(L"F\\b.jpg"), c = root.File(L"F\\c (fails).jpg");
    CString n = root.File(L"n (noise).jpg"), m = root.File(L"m (noise) (fails).jpg");
    CString x = root.File(L"x (hold).jpg");
    Photos() {
        root.File(L"F\\notes.txt");
        root.File(L"F\\S\\d (turn).JPG");
        root.File(L"F\\S\\e.jpeg");
    }
};

}  // namespace

TEST_CASE(the_run_counts_what_the_tool_reports_and_passes_over_noise) {
    StandIn tool;
    REQUIRE(tool.ready);
    Photos photos;
    const struct {
        const char* label;
        std::vector<CString> rows;
        RunOutcome outcome;
        std::vector<CString> targets, items;
    } cases[] = {
        {"a folder and its sub-folder: the failed photo is named, not its folder",
         {photos.f},
         Outcome(2, 2, 1, photos.c),
         {photos.f + L"\\*.*", photos.s + L"\\*.*"},
         {L"1/1 " + photos.f, L"2/2 " + photos.s}},
        // Over 100,000 bytes of it: read while the tool runs, or it waits for ever.
        {"noise only: the exit status decides, the row stands for the failure",
         {photos.n, photos.m},
         Outcome(0, 0, 1, photos.m),
         {photos.n, photos.m},
         {L"1/2 " + photos.n, L"2/2 " + photos.m}},
        {"a stop between two tool runs", {photos.b, photos.a, photos.f}, Outcome(0, 1, 0, L"", true), {photos.b}, {}},
    };
    for (const auto& row : cases) {
        testkit::SetContext(row.label);
        CRotationRun run(tool.Setup(row.rows));
        Recorder recorder;
        recorder.run = &run;
        recorder.stopAt = row.outcome.stopped ? 2 : 0;
        CheckOutcome(run.Execute(&recorder), row.outcome);
        CHECK(tool.Targets() == row.targets);
        if (!row.items.empty()) CHECK(recorder.items == row.items);
    }
}

namespace {

std::vector<WPARAM> g_notices;

LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) g_notices.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

// On a thread of its own, as the dialog runs it: the stop comes while the
// tool works; the run lets it finish and starts nothing after it.
TEST_CASE(a_stop_during_a_tool_run_waits_for_it_and_starts_no_other) {
    StandIn tool;
    REQUIRE(tool.ready);
    Photos photos;
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-held");
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-go");
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &NoticeProc;
    windowClass.lpszClassName = L"RunNotices";
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, L"RunNotices", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    REQUIRE(held && go && window);
    {
        CRotationRun run(tool.Setup({photos.x, photos.b}));
        run.Start(window, WM_APP);
        CHECK(WaitForSingleObject(held, 30000) == WAIT_OBJECT_0);
        CHECK(testkit::PumpUntil([] { return !g_notices.empty(); }));
        const RunProgress progress = run.Progress();
        CHECK_EQ(CString::Formatted(L"%d/%d ", progress.started, progress.known) + progress.item, L"1/2 " + photos.x);
        run.RequestStop();
        // The stand-in logs as it ends: it still runs.
        CHECK(tool.Targets().empty());
        SetEvent(go);
        CHECK(testkit::PumpUntil([] { return !g_notices.empty() && g_notices.back() == CRotationRun::RUN_ENDED; }));
        CheckOutcome(run.Finish(), Outcome(0, 1, 0, L"", true));
        CHECK(tool.Targets() == std::vector<CString>{photos.x});
    }
    DestroyWindow(window);
    CloseHandle(held);
    CloseHandle(go);
}

TEST_CASE(result_lines_are_taken_whole_and_anything_else_passed_over) {
    using V = ToolVerdict;
    const struct {
        const char* label;
        std::string output;
        std::vector<std::pair<V, CString>> results;
    } cases[] = {
        {"three verdicts, LF and CR LF", "turned\tC:\\a.jpg\r\nupright\tD:\\照片 1.jpg\nfailed\tC:\\c.jpg\n",
         {{V::Turned, L"C:\\a.jpg"}, {V::Upright, L"D:\\照片 1.jpg"}, {V::Failed, L"C:\\c.jpg"}}},
        {"other words and forms between results",
         "Modified: C:\\a.jpg\nTurned\tC:\\a.jpg\nupright C:\\b.jpg\nturned\t\r\n\nupright\tC:\\d.jpg\n",
         {{V::Upright, L"C:\\d.jpg"}}},
        {"bytes that are no UTF-8, control characters, a second tab",
         "turned\tC:\\\xB7\xF1.jpg\nturned\tC:\\a\x01.jpg\nturned\tC:\\a\tb.jpg\n", {}},
        {"an over-long line, then a result", "failed\t" + std::string(5000, 'x') + "\nupright\tC:\\e.jpg\n",
         {{V::Upright, L"C:\\e.jpg"}}},
        {"a last line without its end", "upright\tC:\\a.jpg\nturned\tC:\\cut", {{V::Upright, L"C:\\a.jpg"}}},
    };
    for (const auto& row : cases) {
        testkit::SetContext(row.label);
        // Whole, and a byte at a time as a pipe may hand it over.
        std::vector<ToolResult> whole, bytewise;
        ResultLineReader().Feed(row.output.data(), row.output.size(), whole);
        ResultLineReader reader;
        for (char c : row.output) reader.Feed(&c, 1, bytewise);
        for (const std::vector<ToolResult>* read : {&whole, &bytewise}) {
            CHECK_EQ(read->size(), row.results.size());
            for (size_t i = 0; i < read->size() && i < row.results.size(); ++i) {
                CHECK((*read)[i].verdict == row.results[i].first);
                CHECK_EQ((*read)[i].path, row.results[i].second);
            }
        }
    }
}

TEST_CASE(the_end_message_says_how_the_run_ended_then_what_became_of_the_photos) {
    const struct {
        const char* label;
        RunOutcome outcome;
        CString firstLine;
        bool warns;
    } cases[] = {
        {"finished", Outcome(3, 5), L"旋转结束，谢谢使用！", false},
        {"left out", Outcome(1, 0, 2, L"C:\\a.jpg"), LeftOutMessage(L"C:\\a.jpg", 2), true},
        {"stopped, after something was left out", Outcome(0, 0, 1, L"C:\\a", true), L"旋转已停止，余下的项目未处理。", false},
        {"start failure before all", Outcome(0, 2, 1, L"C:\\a", true, true), L"无法启动 jhead.exe，旋转未完成，请重装软件！",
         true},
    };
    for (const auto& row : cases) {
        testkit::SetContext(row.label);
        const RunEndBox box = RunEndMessage(row.outcome);
        CHECK_EQ(box.text, row.firstLine + CString::Formatted(L"\n已旋转 %d 张照片，%d 张无需旋转。", row.outcome.turned,
                                                               row.outcome.upright));
        CHECK_EQ(box.warns, row.warns);
    }
}
