// The rotation run as the tool sees it: which processes the program starts,
// in which order, with which command line and working directory. A copy of
// Orlenza.exe runs from a temporary folder with the stand-in tool
// (fake_jhead.exe) beside it as jhead.exe, and is driven from this process as
// a user would: entries dropped on it, the box set, start pressed, the end
// message read and confirmed.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "RunTargets.h"
#include "harness.h"
#include "remote_dialog.h"

using testkit::MessageBoxSeen;
using remote::Session;
using remote::Counts;
using remote::kFinished;
using testkit::TempDir;

namespace {

const wchar_t* const kEmptyList = L"请先添加要旋转的图片项目！";
const wchar_t* const kToolFailed = L"无法启动 jhead.exe，旋转未完成，请重装软件！";

// A run may start a few dozen stand-ins, each a Wine process start.
constexpr DWORD kRunTimeoutMs = 60000;

// One start of the stand-in, as it logged it.
struct Run {
    int show = -1;
    bool overlap = false;
    ULONGLONG start = 0, end = 0;  // system time, 100 ns units
    CString directory;
    CString commandLine;
    std::vector<CString> args;
};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A copy of the program in a folder of its own, with the stand-in as its
// tool (or, for the failure cases, something else in its place).
enum class Tool { StandIn, Missing, NotAProgram };

class Installation {
public:
    Installation(const wchar_t* name, Tool tool) : m_dir(name) {
        m_ok = !testkit::CopyOfProgram(m_dir.Path()).IsEmpty();
        const CString jhead = m_dir.Path() + L"\\jhead.exe";
        if (tool == Tool::StandIn) m_ok = m_ok && CopyFileW(testkit::ModuleDir() + L"\\fake_jhead.exe", jhead, FALSE);
        if (tool == Tool::NotAProgram) m_dir.File(L"jhead.exe", 100);
        // Only its presence is checked at start; the stand-in never calls it.
        m_dir.File(L"jpegtran.exe", 10);
    }
    bool Ready() const { return m_ok; }
    CString Folder() const { return m_dir.Path(); }
    CString Program() const { return m_dir.Path() + L"\\Orlenza.exe"; }
    bool Logged() const { return GetFileAttributesW(LogFile()) != INVALID_FILE_ATTRIBUTES; }

    std::vector<Run> Runs() const {
        std::vector<Run> runs;
        const std::string log = remote::ReadFileBytes(LogFile());
        for (const std::string& line : Split(log, '\n')) {
            if (line.empty()) continue;
            const std::vector<std::string> fields = Split(line, '\t');
            if (fields.size() < 6) continue;
            Run run;
            run.show = std::atoi(fields[0].c_str());
            run.overlap = fields[1] == "1";
            run.start = std::strtoull(fields[2].c_str(), nullptr, 10);
            run.end = std::strtoull(fields[3].c_str(), nullptr, 10);
            run.directory = remote::FromUtf8(fields[4]);
            run.commandLine = remote::FromUtf8(fields[5]);
            for (size_t i = 6; i < fields.size(); ++i) run.args.push_back(remote::FromUtf8(fields[i]));
            runs.push_back(run);
        }
        return runs;
    }

private:
    CString LogFile() const { return m_dir.Path() + L"\\runs.log"; }

    TempDir m_dir;
    bool m_ok = false;
};

// "Finished"; the stand-in's photos here all needed no turn.
void CheckFinishedNormally(const MessageBoxSeen& end, int upright) {
    CHECK_EQ(end.caption, CString(L"Orlenza"));
    CHECK_EQ(end.text, kFinished + Counts(0, upright));
    CHECK(end.informationIcon);
}

// A tool run on `target` (a file, or every file of a folder), started in
// `directory`: the target in double quotes, one argument however many blanks
// it holds; hidden; no other tool process still running.
void CheckRun(const Run& run, const CString& target, const CString& directory) {
    CHECK_EQ(run.args.size(), size_t{2});
    if (run.args.size() == 2) {
        CHECK_EQ(run.args[0], CString(L"-autorot"));
        CHECK_EQ(run.args[1], target);
    }
    const CString tail = L" -autorot \"" + target + L"\"";
    CHECK_EQ(run.commandLine.Right(tail.GetLength()), tail);
    CHECK_EQ(run.directory, directory);
    CHECK_EQ(run.show, SW_HIDE);
    CHECK(!run.overlap);
}

// Sub-folders below `folder` as the file system lists them, each one's own
// sub-folders before itself; links to folders are not entered.
void AppendSubfolderRuns(const CString& folder, std::vector<CString>& runs) {
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(folder + L"\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const CString name = entry.cFileName;
        if (name == L"." || name == L".." || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        AppendSubfolderRuns(folder + L"\\" + name, runs);
        runs.push_back(folder + L"\\" + name + L"\\*.*");
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

// Every run on its target in order, each started in the program's own folder
// (never the photos', where a planted program could lie), and each after the
// one before had ended.
void CheckRuns(const std::vector<Run>& runs, const std::vector<CString>& expected, const Installation& install) {
    CHECK_EQ(runs.size(), expected.size());
    for (size_t i = 0; i < runs.size() && i < expected.size(); ++i) {
        testkit::SetContext("run " + std::to_string(i) + " on " + testkit::Narrow(expected[i]));
        CheckRun(runs[i], expected[i], install.Folder());
        if (i > 0) CHECK(runs[i].start >= runs[i - 1].end);
    }
    testkit::SetContext("");
}

size_t IndexOf(const std::vector<Run>& runs, const CString& target) {
    for (size_t i = 0; i < runs.size(); ++i)
        if (runs[i].args.size() == 2 && runs[i].args[1] == target) return i;
    return runs.size();
}

// The photo tree most cases list:
//   照片 集\ x.jpg, A 甲\ (A1\ 深 层\, A2\), B\ .隐藏\ (hidden), 链接 -> A 甲
struct PhotoTree {
    remote::ToolFolder root{L"order-photos"};
    CString top = root.Folder(L"照片 集");
    CString a = Make(top + L"\\A 甲");
    CString a1 = Make(a + L"\\A1");
    CString deep = Make(a1 + L"\\深 层");
    CString a2 = Make(a + L"\\A2");
    CString b = Make(top + L"\\B");
    CString hidden = Make(b + L"\\.隐藏");
    CString link = top + L"\\链接";

    PhotoTree() {
        root.File(L"照片 集\\x.jpg", 10);
        SetFileAttributesW(hidden, FILE_ATTRIBUTE_HIDDEN);
    }

    static CString Make(const CString& path) {
        CreateDirectoryW(path, nullptr);
        return path;
    }
};

}  // namespace

TEST_CASE(ticked_box_runs_each_folder_children_before_parents) {
    Installation install(L"order-tree", Tool::StandIn);
    REQUIRE(install.Ready());
    PhotoTree tree;
    REQUIRE(GetFileAttributesW(tree.hidden) & FILE_ATTRIBUTE_HIDDEN);
    remote::FolderLink link(tree.link, tree.a, tree.root.Path());
    REQUIRE(link.Made());

    Session session(install.Program());
    REQUIRE(session.Dialog());
    // The tree, and the link itself as a row of its own.
    REQUIRE(session.Drop({tree.top, tree.link}));
    MessageBoxSeen end;
    REQUIRE(session.RunToEnd(true, &end, kRunTimeoutMs));
    CheckFinishedNormally(end, 1);

    std::vector<CString> expected{tree.top + L"\\*.*"};
    AppendSubfolderRuns(tree.top, expected);
    expected.push_back(tree.link + L"\\*.*");
    AppendSubfolderRuns(tree.link, expected);
    const std::vector<Run> runs = install.Runs();
    CheckRuns(runs, expected, install);

    // What the order above means, whatever order the file system lists
    // siblings in: the listed folder first, every folder after all below it,
    // the hidden folder included, the link inside the tree not entered, the
    // listed link walked through.
    CHECK_EQ(expected.size(), size_t{7 + 4});
    CHECK_EQ(IndexOf(runs, tree.top + L"\\*.*"), size_t{0});
    CHECK(IndexOf(runs, tree.deep + L"\\*.*") < IndexOf(runs, tree.a1 + L"\\*.*"));
    CHECK(IndexOf(runs, tree.a1 + L"\\*.*") < IndexOf(runs, tree.a + L"\\*.*"));
    CHECK(IndexOf(runs, tree.a2 + L"\\*.*") < IndexOf(runs, tree.a + L"\\*.*"));
    CHECK(IndexOf(runs, tree.hidden + L"\\*.*") < IndexOf(runs, tree.b + L"\\*.*"));
    CHECK(IndexOf(runs, tree.link + L"\\A1\\*.*") < runs.size());
    for (size_t i = 0; i < runs.size() && i < 7; ++i) CHECK(runs[i].commandLine.Find(L"链接") < 0);
}

TEST_CASE(cleared_box_runs_once_per_listed_folder) {
    Installation install(L"order-flat", Tool::StandIn);
    REQUIRE(install.Ready());
    PhotoTree tree;
    Session session(install.Program());
    REQUIRE(session.Dialog());
    // Both tools lie beside the copy, but its folder is not on the stored
    // machine PATH: the real check of the real key warns, once.
    REQUIRE(session.Warnings().size() == 1);
    CHECK_EQ(session.Warnings()[0].text, CString(L"安装信息错误，无法正常运行，请重装软件！"));
    // A drive's root folder too: one backslash before the pattern.
    REQUIRE(session.Drop({tree.top, tree.a, L"C:\\"}));
    MessageBoxSeen end;
    REQUIRE(session.RunToEnd(false, &end, kRunTimeoutMs));
    CheckFinishedNormally(end, 1);
    CheckRuns(install.Runs(), {tree.top + L"\\*.*", tree.a + L"\\*.*", L"C:\\*.*"}, install);
}

TEST_CASE(file_entries_run_on_the_file_by_its_full_path) {
    Installation install(L"order-files", Tool::StandIn);
    REQUIRE(install.Ready());
    remote::ToolFolder photos(L"order-file-photos");
    struct Row {
        const char* label;
        CString path;
    };
    photos.Folder(L"中文 目录");
    const CString driveRoot = L"C:\\orlenza 根目录测试.jpg";
    const Row rows[] = {
        {"plain name", photos.File(L"plain.jpg", 10)},
        {"blanks", photos.File(L"with  two blanks .jpg", 10)},
        {"Chinese folder and name", photos.File(L"中文 目录\\照片 一.JPG", 10)},
        {"quote and ampersand", photos.File(L"Tom's & Jerry.jpg", 10)},
        {"drive root", driveRoot},
    };
    HANDLE f = CreateFileW(driveRoot, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(f != INVALID_HANDLE_VALUE);
    CloseHandle(f);

    std::vector<CString> paths;
    for (const Row& row : rows) paths.push_back(row.path);
    {
        Session session(install.Program());
        if (session.Dialog() && session.Drop(paths)) {
            MessageBoxSeen end;
            CHECK(session.RunToEnd(true, &end, kRunTimeoutMs));
            CheckFinishedNormally(end, std::size(rows));
        } else {
            testkit::ReportFailure(__FILE__, __LINE__, "program did not take the drop");
        }
    }
    DeleteFileW(driveRoot);

    const std::vector<Run> runs = install.Runs();
    CHECK_EQ(runs.size(), std::size(rows));
    for (size_t i = 0; i < runs.size() && i < std::size(rows); ++i) {
        testkit::SetContext(rows[i].label);
        CheckRun(runs[i], rows[i].path, install.Folder());
    }
}

TEST_CASE(folder_listed_twice_runs_twice_and_vanished_rows_are_skipped) {
    Installation install(L"order-twice", Tool::StandIn);
    REQUIRE(install.Ready());
    PhotoTree tree;
    const CString gone = tree.root.File(L"gone.jpg", 10);
    const CString goneFolder = tree.root.Folder(L"gone folder");
    Session session(install.Program());
    REQUIRE(session.Dialog());
    REQUIRE(session.Drop({tree.a2, gone, goneFolder, tree.a2}));
    REQUIRE(DeleteFileW(gone));
    REQUIRE(RemoveDirectoryW(goneFolder));
    MessageBoxSeen end;
    REQUIRE(session.RunToEnd(true, &end, kRunTimeoutMs));
    // Vanished rows are skipped without a word.
    CheckFinishedNormally(end, 0);
    CheckRuns(install.Runs(), {tree.a2 + L"\\*.*", tree.a2 + L"\\*.*"}, install);
}

TEST_CASE(start_with_an_empty_list_asks_for_entries_and_runs_nothing) {
    Installation install(L"order-empty", Tool::StandIn);
    REQUIRE(install.Ready());
    Session session(install.Program());
    REQUIRE(session.Dialog());
    CHECK(!remote::IsControlEnabled(session.Dialog(), 1004));
    // The button is disabled; the command arrives all the same.
    remote::PostStartCommand(session.Dialog());
    MessageBoxSeen seen;
    REQUIRE(testkit::ConfirmMessageBox(session.Pid(), &seen));
    CHECK_EQ(seen.caption, CString(L"Orlenza"));
    CHECK_EQ(seen.text, CString(kEmptyList));
    CHECK(seen.informationIcon);
    CHECK(!install.Logged());
}

TEST_CASE(tool_that_cannot_start_ends_the_run_with_one_warning) {
    struct Row {
        const char* label;
        Tool tool;
    };
    const Row rows[] = {{"jhead.exe missing", Tool::Missing}, {"jhead.exe not a program", Tool::NotAProgram}};
    remote::ToolFolder photos(L"order-notool-photos");
    std::vector<CString> paths;
    for (int i = 0; i < 10; ++i) {
        paths.push_back(i % 2 ? photos.File(CString::Formatted(L"p%d.jpg", i), 10)
                              : photos.Folder(CString::Formatted(L"folder %d", i)));
    }
    for (const Row& row : rows) {
        testkit::SetContext(row.label);
        Installation install(L"order-notool", row.tool);
        Session session(install.Program());
        if (!session.Dialog() || !session.Drop(paths)) {
            testkit::ReportFailure(__FILE__, __LINE__, "program did not take the drop");
            continue;
        }
        // The first box after start is the end message: the shell shows no
        // error box of its own for each row.
        MessageBoxSeen end;
        CHECK(session.RunToEnd(true, &end, kRunTimeoutMs));
        CHECK_EQ(end.caption, CString(L"Orlenza"));
        CHECK_EQ(end.text, kToolFailed + Counts(0, 0));
        CHECK(end.exclamationIcon);
        CHECK(!install.Logged());
    }
}

// --- runs that leave something out ------------------------------------------

// (A drive's root joined with a pattern: the C:\ entry of a cleared box above.)
TEST_CASE(run_paths_and_decisions) {
    constexpr DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const CString longest = L"C:\\" + CString(L'x', MAX_PATH - 4);
    const struct {
        const char* label;
        bool actual, expected;
    } rows[] = {
        {"link of unknown tag (Wine answers 0) not walked", DescendsIntoFolder(link, 0), false},
        {"mount point not walked", DescendsIntoFolder(link, IO_REPARSE_TAG_MOUNT_POINT), false},
        {"symbolic link not walked", DescendsIntoFolder(link, IO_REPARSE_TAG_SYMLINK), false},
        {"cloud files walked", DescendsIntoFolder(link, 0x9000001A), true},
        {"cloud files with flags walked", DescendsIntoFolder(link, 0x9000701A), true},
        {"deduplicated folder walked", DescendsIntoFolder(link, 0x80000013), true},
        {"259 characters fit", FitsToolPath(longest), true},
        {"260 characters do not", FitsToolPath(longest + L"x"), false},
        {"Chinese survives 936", SurvivesCodePage(L"C:\\照片\\旅行.jpg", 936), true},
        {"Korean does not survive 936", SurvivesCodePage(L"C:\\사진.jpg", 936), false},
        {"emoji does not survive 936", SurvivesCodePage(L"C:\\\U0001F600.jpg", 936), false},
        {"a look-alike is no survival (1252)", SurvivesCodePage(L"C:\\\u0100.jpg", 1252), false},
        {"emoji survives UTF-8", SurvivesCodePage(L"C:\\\U0001F600 사진.jpg", CP_UTF8), true},
    };
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        CHECK_EQ(row.actual, row.expected);
    }
}

TEST_CASE(a_run_that_left_something_out_names_the_first_and_counts_them) {
    Installation install(L"order-leftout", Tool::StandIn);
    REQUIRE(install.Ready());
    remote::ToolFolder photos(L"order-leftout-photos");
    // A chain of folders that goes past the path limit.
    const CString deepTop = photos.Folder(L"深");
    std::vector<CString> tooLong;  // those whose pattern does not fit, deepest first
    CString deep = deepTop;
    while (deep.GetLength() < MAX_PATH + 60) {
        deep += L"\\" + CString(L'层', 40);
        CreateDirectoryW(deep, nullptr);
        if (!FitsToolPath(deep + L"\\*.*")) tooLong.insert(tooLong.begin(), deep);
    }
    REQUIRE(!tooLong.empty());
    const CString failingSub = photos.Folder(L"好") + L"\\(fails) 子";
    CreateDirectoryW(failingSub, nullptr);
    const CString album = photos.Folder(L"相册");
    for (const wchar_t* name : {L"1 (turn).jpg", L"2 (turn).JPG", L"3.jpg", L"4 (fails).jpg", L"说明.txt"})
        photos.File((L"相册\\" + CString(name)).GetString(), 10);
    const struct {
        const char* label;
        std::vector<CString> drops;
        CString first;
        int count, turned, upright;
    } rows[] = {
        {"the tool fails on two listed files",
         {photos.File(L"a.jpg", 10), photos.File(L"b (fails).jpg", 10), photos.File(L"c (fails).jpg", 10)},
         photos.Path() + L"\\b (fails).jpg", 2, 0, 1},
        {"the tool fails on a sub-folder without saying on which photo", {photos.Path() + L"\\好"}, failingSub, 1, 0, 0},
        {"the photos of a folder that failed are named, the others counted", {album},
         album + L"\\4 (fails).jpg", 1, 2, 1},
        {"sub-folders past the path limit", {deepTop}, tooLong.front(), static_cast<int>(tooLong.size()), 0, 0},
        {"the same, again in the same session", {deepTop}, tooLong.front(), static_cast<int>(tooLong.size()), 0, 0},
    };
    Session session(install.Program());
    REQUIRE(session.Dialog());
    for (const auto& row : rows) {
        testkit::SetContext(row.label);
        SendMessageW(session.Dialog(), WM_COMMAND, MAKEWPARAM(1003, BN_CLICKED), 0);  // clear the list
        REQUIRE(session.Drop(row.drops));
        MessageBoxSeen end;
        CHECK(session.RunToEnd(true, &end, kRunTimeoutMs));
        CHECK_EQ(end.text, LeftOutMessage(row.first, row.count) + Counts(row.turned, row.upright));
        CHECK(end.exclamationIcon);
    }
    testkit::SetContext("");
    // The program lived through both walks, and ran the tool on no path it
    // cannot hold.
    CHECK(WaitForSingleObject(session.Process(), 0) == WAIT_TIMEOUT);
    for (const Run& run : install.Runs()) CHECK(run.args.size() == 2 && FitsToolPath(run.args[1]));
}

// --- the dialog during a run ------------------------------------------------

namespace {

// Ctrl held down as the program's thread sees it (a posted key changes no
// key state): this thread attached to its input for the while, Ctrl down in
// the key state they share. False when the threads cannot be attached.
bool HoldCtrl(HWND window, bool down) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // attaching needs a queue here
    const DWORD program = GetWindowThreadProcessId(window, nullptr);
    if (down && !AttachThreadInput(GetCurrentThreadId(), program, TRUE)) return false;
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = keys[VK_LCONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
    return down || AttachThreadInput(GetCurrentThreadId(), program, FALSE);
}

CString TextOf(HWND window) {
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

}  // namespace

// With the stand-in held on the first row: the window answers, shows how far
// the run has come and keeps the list as it is; each way of stopping tells
// the held tool (the word "stop" on its input, which then ends and releases
// it), lets it finish and starts no other. Delete and Ctrl+A work before it.
TEST_CASE(a_run_can_be_watched_and_stopped_and_keeps_the_list_as_it_is) {
    Installation install(L"order-live", Tool::StandIn);
    REQUIRE(install.Ready());
    remote::ToolFolder photos(L"order-live-photos");
    std::vector<CString> rows;
    for (const wchar_t* name : {L"1 (hold).jpg", L"2.jpg", L"3 (turn).jpg", L"4.jpg", L"5.jpg"})
        rows.push_back(photos.File(name, 10));
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"orlenza-fake-jhead-held");
    const CString stopReceived = install.Folder() + L"\\stop-received";
    const struct {
        const char* label;
        UINT message;  // posted to the control `id` (0: the dialog)
        int id;
        WPARAM wParam;
    } ways[] = {{"the stop button", BM_CLICK, 1004, 0},
                {"Escape, on the list", WM_KEYDOWN, 1000, VK_ESCAPE},
                {"the close box, which closes once stopped", WM_SYSCOMMAND, 0, SC_CLOSE}};
    for (const auto& way : ways) {
        testkit::SetContext(way.label);
        DeleteFileW(install.Folder() + L"\\runs.log");
        DeleteFileW(stopReceived);
        ResetEvent(held);
        Session session(install.Program());
        REQUIRE(session.Dialog() && session.Drop(rows));
        const HWND dialog = session.Dialog(), list = GetDlgItem(dialog, 1000);
        auto selected = [&] { return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0); };
        testkit::PostKey(list, VK_END);  // the last row
        testkit::PostKey(list, VK_DELETE);
        CHECK(testkit::WaitUntil([&] { return remote::RowCount(dialog) == 4; }));
        REQUIRE(HoldCtrl(list, true));
        testkit::PostKey(list, 'A');
        CHECK(testkit::WaitUntil([&] { return selected() == 4; }));
        HoldCtrl(list, false);
        testkit::PostKey(list, VK_HOME);  // the first row alone

        remote::ClickStart(dialog);
        REQUIRE(WaitForSingleObject(held, kRunTimeoutMs) == WAIT_OBJECT_0);
        DWORD_PTR answer = 0;
        CHECK(SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &answer) != 0);
        CHECK(testkit::WaitUntil([&] { return TextOf(dialog) == L"Orlenza - 正在旋转 (1/4)"; }, 5000));
        CHECK_EQ(TextOf(GetDlgItem(dialog, 1004)), CString(L"停止旋转"));
        for (int id : {1004, 1001, 1002, 1003, 1005}) CHECK_EQ(remote::IsControlEnabled(dialog, id), id == 1004);
        // Taken before the stop, and nothing changes.
        REQUIRE(HoldCtrl(list, true));
        testkit::PostKey(list, VK_DELETE);
        testkit::PostKey(list, 'A');
        PostMessageW(way.id ? GetDlgItem(dialog, way.id) : dialog, way.message, way.wParam, 0);
        MessageBoxSeen end;
        if (way.id) CHECK(testkit::ConfirmMessageBox(session.Pid(), &end, kRunTimeoutMs));
        else CHECK(WaitForSingleObject(session.Process(), kRunTimeoutMs) == WAIT_OBJECT_0);
        HoldCtrl(list, false);
        if (way.id) {
            CHECK_EQ(end.text, L"旋转已停止，余下的项目未处理。" + Counts(0, 1));
            CHECK(end.informationIcon);
            CHECK(remote::RowCount(dialog) == 4 && selected() == 1);
            CHECK(TextOf(dialog) == L"Orlenza" && TextOf(GetDlgItem(dialog, 1004)) == L"开始旋转");
            for (int id : {1004, 1001, 1002, 1003, 1005}) CHECK(remote::IsControlEnabled(dialog, id));
        }
        const std::vector<Run> runs = install.Runs();
        CHECK(runs.size() == 1 && runs[0].args.size() == 2 && runs[0].args[1] == rows[0]);
        CHECK(GetFileAttributesW(stopReceived) != INVALID_FILE_ATTRIBUTES);
    }
    CloseHandle(held);
}
