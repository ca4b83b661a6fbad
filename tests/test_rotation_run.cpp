// The rotation run as an object, without a dialog, with the stand-in tool
// (fake_jhead.exe) as its jhead.exe: what it counts, what it passes over,
// where it stops; and the tool's output read line by line.
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "RotationRun.h"
#include "harness.h"
#include "remote_dialog.h"

namespace {

// Photos named for what the stand-in reports of them.
struct Photos {
    testkit::TempDir root{L"run-photos"};
    CString f = root.Folder(L"F"), s = root.Folder(L"F\\S");
    CString a = root.File(L"F\\a (turn).jpg"), b = root.File(L"F\\b.jpg"), c = root.File(L"F\\c (fails).jpg");
    CString d = root.File(L"F\\S\\d (turn).JPG");
    CString n = root.File(L"n (noise).jpg"), m = root.File(L"m (noise) (fails).jpg");
    CString h = root.File(L"h (hold).jpg");
};

CString Summary(const RunOutcome& o) {
    return CString::Formatted(L"%d turned, %d upright, %d left out %s%s", o.turned, o.upright, o.leftOutCount,
                              o.firstLeftOut.GetString(), o.stopped ? L", stopped" : L"");
}

}  // namespace

TEST_CASE(the_run_counts_what_the_tool_reports_passes_over_noise_and_stops_between_runs) {
    remote::ToolFolder tool(L"run-standin");
    const CString jhead = tool.Path() + L"\\jhead.exe", log = tool.Path() + L"\\runs.log";
    REQUIRE(CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", jhead, FALSE));
    Photos p;
    const struct {
        const char* label;
        std::vector<CString> rows;
        int stopAt;  // the item whose coming up asks for the stop; -1: once the tool holds
        CString outcome;
        std::vector<CString> items;  // what the listener heard, in order
    } cases[] = {
        {"a folder and its sub-folder: the failed photo is named, not the folder", {p.f}, 0,
         L"2 turned, 1 upright, 1 left out " + p.c, {L"1/1 " + p.f, L"2/2 " + p.s}},
        // Over 100,000 bytes of it: read while the tool runs, or it waits for ever.
        {"noise only: the exit status decides, and the row stands for the failure", {p.n, p.m}, 0,
         L"0 turned, 0 upright, 1 left out " + p.m, {L"1/2 " + p.n, L"2/2 " + p.m}},
        {"a stop asked for as the second row comes up starts no second tool", {p.b, p.a, p.f}, 2,
         L"0 turned, 1 upright, 0 left out , stopped", {L"1/3 " + p.b, L"2/3 " + p.a}},
        {"a stop while the last row's tool runs: that tool is told, and the run says it stopped", {p.b, p.h}, -1,
         L"0 turned, 2 upright, 0 left out , stopped", {L"1/2 " + p.b, L"2/2 " + p.h}},
    };
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-held");
    for (const auto& row : cases) {
        testkit::SetContext(row.label);
        DeleteFileW(log);
        CRotationRun run(RunSetup{jhead, tool.Path(), row.rows, true, true});
        struct : CRotationRun::Listener {
            CRotationRun* run;
            int stopAt;
            std::vector<CString> items;
            void OnItem(const RunProgress& at) override {
                items.push_back(CString::Formatted(L"%d/%d ", at.started, at.known) + at.item);
                if (at.started == stopAt) run->RequestStop();
            }
        } listener;
        listener.run = &run, listener.stopAt = row.stopAt;
        ResetEvent(held);
        std::thread stopper([&] {
            if (row.stopAt < 0 && WaitForSingleObject(held, 30000) == WAIT_OBJECT_0) run.RequestStop();
        });
        CHECK_EQ(Summary(run.Execute(&listener)), row.outcome);
        stopper.join();
        CHECK(listener.items == row.items);
        // One tool run for each item taken up, but not for the one the stop came at.
        const std::string runs = remote::ReadFileBytes(log);
        CHECK_EQ(static_cast<size_t>(std::count(runs.begin(), runs.end(), '\n')), row.items.size() - (row.stopAt > 0));
    }
    CloseHandle(held);
}

TEST_CASE(result_lines_are_taken_whole_and_anything_else_passed_over) {
    const struct {
        const char* label;
        std::string output;
        CString results;  // verdict initial and path of each, in order
    } cases[] = {
        {"three verdicts, LF and CR LF", "turned\tC:\\a.jpg\r\nupright\tD:\\照片 1.jpg\nfailed\tC:\\c.jpg\n",
         L"T C:\\a.jpg|U D:\\照片 1.jpg|F C:\\c.jpg|"},
        {"other words and forms", "Modified: C:\\a.jpg\nTurned\tC:\\a.jpg\nupright C:\\b\nturned\t\r\n\nupright\tC:\\d\n",
         L"U C:\\d|"},
        {"no UTF-8, control characters, a second tab", "turned\tC:\\\xB7\xF1\nturned\tC:\\a\x01\nturned\tC:\\a\tb\n", L""},
        {"an over-long line, then a result", "failed\t" + std::string(5000, 'x') + "\nupright\tC:\\e\n", L"U C:\\e|"},
        {"a last line without its end", "upright\tC:\\a\nturned\tC:\\cut", L"U C:\\a|"},
    };
    for (const auto& row : cases) {
        testkit::SetContext(row.label);
        // Whole, and a byte at a time as a pipe may hand it over.
        std::vector<ToolResult> whole, bytewise;
        ResultLineReader().Feed(row.output.data(), row.output.size(), whole);
        ResultLineReader reader;
        for (char c : row.output) reader.Feed(&c, 1, bytewise);
        for (const std::vector<ToolResult>* read : {&whole, &bytewise}) {
            CString text;
            for (const ToolResult& r : *read) text += CString(L"TUF"[static_cast<int>(r.verdict)]) + L" " + r.path + L"|";
            CHECK_EQ(text, row.results);
        }
    }
}
