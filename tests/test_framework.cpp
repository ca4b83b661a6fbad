// The framework on its own: message tables and their chaining, reflection
// with both outcomes, binding and unbinding, the modal loop's
// PreTranslateMessage routing, data exchange, strings, the profile, GDI
// ownership and selection, painting off-screen and into any DC, crackers and
// registered messages, the live-object counts.
#include "Framework.h"
#include "harness.h"

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_PROBE = WM_APP + 1;
constexpr UINT WM_PROBE_DERIVED = WM_APP + 2;
constexpr UINT WM_UNHANDLED = WM_APP + 3;

const wchar_t* kHostClass = L"OrlenzaTestHost";

void RegisterHostClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;  // the framework binds the object at creation
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = kHostClass;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    AfxRegisterClass(&wc);
}

class BaseWnd : public CWnd {
public:
    std::vector<std::wstring> log;

protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnRawMessage<WM_PROBE, &BaseWnd::OnProbe>(),
            OnRawMessage<WM_NCCREATE, &BaseWnd::OnNcCreate>(),
            OnRawMessage<WM_PROBE_DERIVED, &BaseWnd::OnProbe>(),
        };
        static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    LRESULT OnProbe(WPARAM, LPARAM) {
        log.push_back(L"base");
        return 1;
    }
    LRESULT OnNcCreate(WPARAM, LPARAM) {
        log.push_back(L"nccreate");
        return Default();
    }
};

class DerivedWnd : public BaseWnd {
public:
    std::vector<std::pair<UINT, std::wstring>> commands;

protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnRawMessage<WM_PROBE_DERIVED, &DerivedWnd::OnProbeDerived>(),
            OnCommand<301, BN_CLICKED, &DerivedWnd::OnPassingClick>(),
            OnCommand<302, BN_CLICKED, &DerivedWnd::OnConsumedClick>(),
        };
        static const MessageMap map = MakeMessageMap(BaseWnd::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }

    LRESULT OnProbeDerived(WPARAM, LPARAM) {
        log.push_back(L"derived");
        return 2;
    }
    void OnPassingClick() { commands.push_back({301, L"parent"}); }
    void OnConsumedClick() { commands.push_back({302, L"parent"}); }
};

// A button whose own click handler passes the click on, or consumes it.
class ReflectingButton : public CButton {
public:
    explicit ReflectingButton(bool passOn) : m_passOn(passOn) {}
    int clicks = 0;
    int preSubclassCalls = 0;
    bool boundDuringPreSubclass = true;
    HBRUSH brush = nullptr;

protected:
    void PreSubclassWindow() override {
        ++preSubclassCalls;
        boundDuringPreSubclass = FromHandlePermanent(m_hWnd) != nullptr;
        CButton::PreSubclassWindow();
    }
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnReflectedCommand<BN_CLICKED, &ReflectingButton::OnClicked>(),
            OnReflectedMessage<WM_CTLCOLOR, &ReflectingButton::CtlColor>(),
        };
        static const MessageMap map = MakeMessageMap(CButton::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }
    BOOL OnClicked() {
        ++clicks;
        return m_passOn ? FALSE : TRUE;
    }
    HBRUSH CtlColor(HDC, UINT type) { return type == CTLCOLOR_BTN ? brush : nullptr; }

private:
    bool m_passOn;
};

TEST_CASE(created_window_is_bound_before_its_first_message_and_tables_chain) {
    RegisterHostClass();
    DerivedWnd w;
    REQUIRE(w.CreateEx(0, kHostClass, L"host", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
    REQUIRE(!w.log.empty());
    CHECK(w.log.front() == L"nccreate");
    CHECK_EQ(CWnd::FromHandlePermanent(w.m_hWnd), static_cast<CWnd*>(&w));
    w.log.clear();
    // The base's entry answers where the derived table is silent, the derived
    // entry wins where both have one, and the rest reaches DefWindowProc.
    CHECK_EQ(SendMessageW(w.m_hWnd, WM_PROBE, 0, 0), 1);
    CHECK_EQ(SendMessageW(w.m_hWnd, WM_PROBE_DERIVED, 0, 0), 2);
    CHECK_EQ(SendMessageW(w.m_hWnd, WM_UNHANDLED, 0, 0), 0);
    CHECK(w.log == (std::vector<std::wstring>{L"base", L"derived"}));
    HWND hwnd = w.m_hWnd;
    CHECK(w.DestroyWindow());
    CHECK(!IsWindow(hwnd));
    CHECK(w.m_hWnd == nullptr);  // WM_NCDESTROY unbound it
}

TEST_CASE(reflected_click_is_passed_on_or_consumed) {
    RegisterHostClass();
    DerivedWnd parent;
    REQUIRE(parent.CreateEx(0, kHostClass, L"parent", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    HWND passing = CreateWindowW(L"BUTTON", L"pass", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 80, 20,
                                 parent.m_hWnd, reinterpret_cast<HMENU>(301), nullptr, nullptr);
    HWND consuming = CreateWindowW(L"BUTTON", L"eat", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 30, 80, 20,
                                   parent.m_hWnd, reinterpret_cast<HMENU>(302), nullptr, nullptr);
    ReflectingButton passOn(true), consume(false);
    REQUIRE(passOn.SubclassWindow(passing));
    REQUIRE(consume.SubclassWindow(consuming));

    SendMessageW(passing, BM_CLICK, 0, 0);
    SendMessageW(consuming, BM_CLICK, 0, 0);
    CHECK_EQ(passOn.clicks, 1);
    CHECK_EQ(consume.clicks, 1);
    // Only the click that the button passed on reaches the parent's table.
    REQUIRE(parent.commands.size() == 1u);
    CHECK_EQ(parent.commands[0].first, 301u);

    // A colour message goes to the child first; its brush is the answer.
    CBrush brush(RGB(1, 2, 3));
    passOn.brush = brush;
    HDC dc = GetDC(passing);
    CHECK_EQ(SendMessageW(parent.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                          reinterpret_cast<LPARAM>(passing)),
             reinterpret_cast<LRESULT>(static_cast<HBRUSH>(brush)));
    ReleaseDC(passing, dc);
    parent.DestroyWindow();
}

TEST_CASE(subclassing_calls_presubclass_first_and_unsubclassing_restores_the_procedure) {
    HWND button = CreateWindowW(L"BUTTON", L"b", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, nullptr, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(button, GWLP_WNDPROC);
    // A view borrows the window: it neither subclasses, binds nor destroys it.
    CWindow(button).SetWindowText(L"viewed");
    CHECK(GetWindowLongPtrW(button, GWLP_WNDPROC) == original && !CWnd::FromHandlePermanent(button));
    {
        ReflectingButton b(true);
        REQUIRE(b.SubclassWindow(button));
        CHECK_EQ(b.preSubclassCalls, 1);
        CHECK(!b.boundDuringPreSubclass);  // the style may still be changed there
        CHECK(GetWindowLongPtrW(button, GWLP_WNDPROC) != original);
        // A window is bound to one object at most.
        ReflectingButton other(true);
        CHECK(!other.SubclassWindow(button));
        CHECK_EQ(b.UnsubclassWindow(), button);
        CHECK_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), original);
        CHECK(CWnd::FromHandlePermanent(button) == nullptr);
        // Bound again, and let go by the destructor without destroying the window.
        CHECK(b.SubclassWindow(button));
    }
    CHECK(IsWindow(button));
    CHECK_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), original);
    DestroyWindow(button);
}

// A subclass of comctl32's kind, installed above ours, counting one message.
int g_aboveCount = 0;
constexpr UINT WM_COUNTED = WM_APP + 9;
LRESULT CALLBACK CountingAbove(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_COUNTED) ++g_aboveCount;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

class CountingWnd : public CWnd {
public:
    int seen = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COUNTED) ++seen;
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_CASE(a_subclass_above_ours_keeps_working_when_our_object_lets_go) {
    HWND button = CreateWindowW(L"BUTTON", L"b", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, nullptr, nullptr);
    const LONG_PTR original = GetWindowLongPtrW(button, GWLP_WNDPROC);
    g_aboveCount = 0;
    {
        CountingWnd first;
        REQUIRE(first.SubclassWindow(button));
        REQUIRE(SetWindowSubclass(button, &CountingAbove, 1, 0));
        SendMessageW(button, WM_COUNTED, 0, 0);
        CHECK_EQ(first.seen, 1);
        // Let go while the other subclass holds our procedure: messages still
        // pass through to the button, and the handle has no object.
        first.UnsubclassWindow();
        SendMessageW(button, WM_COUNTED, 0, 0);
        CHECK_EQ(first.seen, 1);
        CHECK_EQ(g_aboveCount, 2);
        CHECK_EQ(SendMessageW(button, WM_GETTEXTLENGTH, 0, 0), 1);
        CHECK(CWnd::FromHandlePermanent(button) == nullptr);
        // A new object takes over the procedure left in the chain.
        CountingWnd second;
        REQUIRE(second.SubclassWindow(button));
        CHECK_EQ(CWnd::FromHandlePermanent(button), static_cast<CWnd*>(&second));
        RemoveWindowSubclass(button, &CountingAbove, 1);
        SendMessageW(button, WM_COUNTED, 0, 0);
        CHECK_EQ(second.seen, 1);
        CHECK_EQ(g_aboveCount, 2);
        // With nothing above it any more, letting go restores the button's own procedure.
        second.UnsubclassWindow();
        CHECK_EQ(GetWindowLongPtrW(button, GWLP_WNDPROC), original);
    }
    // Destroyed while bound under another subclass: the object is let go.
    CountingWnd last;
    REQUIRE(last.SubclassWindow(button));
    REQUIRE(SetWindowSubclass(button, &CountingAbove, 1, 0));
    DestroyWindow(button);
    CHECK(last.m_hWnd == nullptr);
}

// A dialog whose controls record what the modal loop offered them.
class RoutingDialog : public CDialog {
public:
    struct Spy : public CButton {
        std::vector<std::wstring>* log = nullptr;
        const wchar_t* name = L"";
        bool consume = false;
        BOOL PreTranslateMessage(MSG* msg) override {
            if (msg->message == WM_PROBE) {
                log->push_back(name);
                return consume;
            }
            return FALSE;
        }
    };
    RoutingDialog() : CDialog(200) {}
    std::vector<std::wstring> log;
    Spy button, box;
    BOOL m_bChecked = TRUE;
    int dispatched = 0;

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == WM_PROBE) log.push_back(L"dialog");
        return FALSE;
    }

protected:
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, 300, button);
        DDX_Control(dx, 301, box);
        DDX_Check(dx, 301, m_bChecked);
    }
    BOOL OnInitDialog() override {
        button.log = box.log = &log;
        button.name = L"button";
        box.name = L"box";
        box.consume = true;
        return CDialog::OnInitDialog();
    }
};

TEST_CASE(modal_loop_offers_messages_to_the_window_then_its_parents_and_data_flows_both_ways) {
    RoutingDialog dlg;
    BOOL boxAfterOpen = FALSE;
    INT_PTR result = 0;
    testkit::DriveModal([&] { result = dlg.DoModal(); },
                        [&] {
                            HWND h = testkit::WaitForTopWindow(L"#32770", L"framework host", GetCurrentProcessId());
                            REQUIRE(h);
                            boxAfterOpen = SendDlgItemMessageW(h, 301, BM_GETCHECK, 0, 0) == BST_CHECKED;
                            PostMessageW(GetDlgItem(h, 300), WM_PROBE, 0, 0);  // button passes, then the dialog
                            PostMessageW(GetDlgItem(h, 301), WM_PROBE, 0, 0);  // the box consumes it
                            // Untick the box, then OK: the default handler saves the data.
                            SendDlgItemMessageW(h, 301, BM_SETCHECK, BST_UNCHECKED, 0);
                            PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                            testkit::WaitUntil([&] { return !IsWindow(h); });
                        },
                        L"framework host");
    CHECK(boxAfterOpen);
    CHECK_EQ(result, static_cast<INT_PTR>(IDOK));
    CHECK(dlg.log == (std::vector<std::wstring>{L"button", L"dialog", L"box"}));
    CHECK_EQ(dlg.m_bChecked, FALSE);
    CHECK(dlg.m_hWnd == nullptr);
    CHECK(dlg.button.m_hWnd == nullptr);
}

TEST_CASE(escape_in_a_modal_dialog_is_the_cancel_command) {
    RoutingDialog dlg;
    INT_PTR result = 0;
    testkit::DriveModal([&] { result = dlg.DoModal(); },
                        [&] {
                            HWND h = testkit::WaitForTopWindow(L"#32770", L"framework host", GetCurrentProcessId());
                            REQUIRE(h);
                            testkit::PostKey(GetDlgItem(h, 300), VK_ESCAPE);
                            testkit::WaitUntil([&] { return !IsWindow(h); });
                        },
                        L"framework host");
    CHECK_EQ(result, static_cast<INT_PTR>(IDCANCEL));
    CHECK_EQ(dlg.m_bChecked, TRUE);  // cancel saves nothing
}

TEST_CASE(strings_format_trim_search_and_copy_on_write) {
    CHECK_EQ(CString::Formatted(L"%d.%d.%d %02d:%02d", 2011, 12, 2, 8, 5), CString(L"2011.12.2 08:05"));
    CHECK_EQ(CString::Formatted(L"-autorot \"%s\\*.*\"", L"C:\\照片 1"), CString(L"-autorot \"C:\\照片 1\\*.*\""));
    CHECK_EQ(CString::Formatted(L"%I64u,%03I64u", 2147483ull, 648ull), CString(L"2147483,648"));
    CHECK_EQ(CString::Formatted(L"%d,%03d", 4194, 4), CString(L"4194,004"));
    CString long1;
    long1.Format(L"%s", std::wstring(5000, L'x').c_str());  // longer than any fixed buffer
    CHECK_EQ(long1.GetLength(), 5000);

    CString padded(L" \t C:\\Tools \r\n");
    CHECK_EQ(padded.Trim(), CString(L"C:\\Tools"));
    CString upper(L"c:\\tools\\rot2");
    CHECK_EQ(upper.MakeUpper(), CString(L"C:\\TOOLS\\ROT2"));
    CHECK_EQ(upper.Find(L"TOOLS"), 3);
    CHECK_EQ(upper.Find(L"ZZ"), -1);
    CHECK_EQ(upper.Find(L'\\', 3), 8);
    CHECK_EQ(upper.ReverseFind(L'\\'), 8);
    CHECK_EQ(upper.Left(2), CString(L"C:"));
    CHECK_EQ(upper.Mid(3, 5), CString(L"TOOLS"));
    CHECK_EQ(upper.Mid(9), CString(L"ROT2"));
    CHECK_EQ(upper.Right(4), CString(L"ROT2"));
    CHECK_EQ(upper.Left(100), upper);
    CHECK_EQ(upper.Mid(100), CString());
    CHECK_EQ(CString(L"abc").CompareNoCase(L"ABC"), 0);
    CHECK(CString(L"a") < CString(L"b"));

    CString a(L"shared");
    CString b = a;
    CHECK_EQ(a.GetString(), b.GetString());  // one buffer
    b += L"!";
    CHECK_EQ(a, CString(L"shared"));
    CHECK_EQ(b, CString(L"shared!"));

    CString loaded;
    CHECK(loaded.LoadString(400));
    CHECK_EQ(loaded, CString(L"框架字符串"));
    CHECK(!loaded.LoadString(401));
    CHECK(loaded.IsEmpty());
}

TEST_CASE(bad_indices_raise_the_invalid_argument_exception) {
    CStringArray paths;
    paths.Add(L"a");
    paths.Add(L"b");
    CHECK_EQ(paths.GetAt(1), CString(L"b"));
    for (int bad : {-1, 2, 1000}) {
        testkit::SetContext("index " + std::to_string(bad));
        bool thrown = false;
        try {
            (void)paths.GetAt(bad);
        } catch (const CInvalidArgException&) {
            thrown = true;
        }
        CHECK(thrown);
    }
    bool thrown = false;
    try {
        CString(L"ab").GetAt(2);
    } catch (const CInvalidArgException&) {
        thrown = true;
    }
    CHECK(thrown);
}

TEST_CASE(a_class_that_cannot_be_registered_is_reported) {
    // Negative extra bytes are refused by the platform.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = AfxGetInstanceHandle();
    wc.cbClsExtra = -1;
    wc.lpszClassName = L"OrlenzaTestUnregistrable";
    CHECK(!AfxRegisterClass(&wc));
    bool thrown = false;
    try {
        if (!AfxRegisterClass(&wc)) AfxThrowResourceException();
    } catch (const CResourceException&) {
        thrown = true;
    }
    CHECK(thrown);
    // Registering an existing class again is no failure.
    RegisterHostClass();
    wc.cbClsExtra = 0;
    wc.lpszClassName = kHostClass;
    CHECK(AfxRegisterClass(&wc));
}

TEST_CASE(profile_strings_round_trip_in_the_application_key) {
    CWinApp* app = AfxGetApp();
    REQUIRE(app);
    const CString keyPath = L"Software\\pivotdesk-test\\" + app->GetAppName();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\pivotdesk-test");
    // No registry key set: no profile at all.
    CHECK(!app->WriteProfileString(L"", L"LastDir", L"C:\\x"));
    CHECK_EQ(app->GetProfileString(L"", L"LastDir", L"default"), CString(L"default"));

    app->SetRegistryKey(L"pivotdesk-test");
    CHECK_EQ(app->GetProfileString(L"", L"LastDir"), CString());
    CHECK(app->WriteProfileString(L"", L"LastDir", L"C:\\照片\\2011"));
    CHECK_EQ(app->GetProfileString(L"", L"LastDir"), CString(L"C:\\照片\\2011"));
    CHECK_EQ(app->GetProfileString(nullptr, L"LastDir"), CString(L"C:\\照片\\2011"));
    // The empty section is the application's own key, as a string value.
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS);
    DWORD type = 0;
    CHECK_EQ(RegQueryValueExW(key, L"LastDir", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    CHECK_EQ(type, static_cast<DWORD>(REG_SZ));
    // A value of another type, or one longer than any path, is handled.
    const DWORD number = 7;
    RegCloseKey(key);
    RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &key);
    RegSetValueExW(key, L"Odd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    const std::wstring big(3000, L'd');
    RegSetValueExW(key, L"Big", 0, REG_SZ, reinterpret_cast<const BYTE*>(big.c_str()),
                   static_cast<DWORD>((big.size() + 1) * 2));
    // Stored without a terminator.
    RegSetValueExW(key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 6);
    RegCloseKey(key);
    CHECK_EQ(app->GetProfileString(L"", L"Odd", L"fallback"), CString(L"fallback"));
    CHECK_EQ(app->GetProfileString(L"", L"Big").GetLength(), 3000);
    CHECK_EQ(app->GetProfileString(L"", L"Bare"), CString(L"abc"));
    CHECK(app->WriteProfileString(L"Section", L"Value", L"v"));
    CHECK_EQ(app->GetProfileString(L"Section", L"Value"), CString(L"v"));
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\pivotdesk-test");
    app->SetRegistryKey(L"");
}

TEST_CASE(device_contexts_put_selections_back_and_release_what_they_own) {
    for (int round = 0; round < 50; ++round) {
        CBitmap bitmap;
        CFont font;
        LOGFONTW lf{};
        lf.lfHeight = -12;
        wcscpy(lf.lfFaceName, L"Tahoma");
        {
            CClientDC screen(nullptr);
            CDC memory;
            REQUIRE(memory.CreateCompatibleDC(screen));
            REQUIRE(bitmap.CreateCompatibleBitmap(screen, 16, 16));
            REQUIRE(font.CreateFontIndirect(&lf));
            memory.SelectObject(bitmap);
            memory.SelectObject(font);
            CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
            memory.SelectObject(pen);
            memory.FillSolidRect(CRect(0, 0, 16, 16), RGB(10, 20, 30));
            memory.MoveTo(0, 0);
            memory.LineTo(16, 0);
            CHECK_EQ(memory.GetPixel(5, 5), RGB(10, 20, 30));
            CHECK_EQ(memory.GetPixel(5, 0), RGB(255, 0, 0));
            // A borrowed wrapper puts back its own selection only.
            {
                CDC borrowed = CDC::FromHandle(memory);
                CBrush brush(RGB(0, 255, 0));
                borrowed.SelectObject(brush);
            }
            CHECK(GetCurrentObject(memory, OBJ_BITMAP) == bitmap.m_hObject);
            // The pen goes out of scope here: it must no longer be selected.
            memory.RestoreSelections();
        }
        // Deleting fails for an object still selected into a context.
        CHECK(bitmap.DeleteObject());
        CHECK(font.DeleteObject());
        CHECK(bitmap.m_hObject == nullptr);
    }
}

// Every way of selecting puts the previous pen back before the pen goes: a pen
// deleted while still selected stays alive (GetObjectType knows it), even
// under Wine, whose DeleteObject succeeds on a selected object.
TEST_CASE(every_way_of_selecting_puts_the_previous_pen_back) {
    const std::pair<const char*, void (*)(HDC, HPEN)> ways[] = {
        {"borrowed CDC", [](HDC dc, HPEN pen) { CDC::FromHandle(dc).SelectObject(pen); }},
        {"guard", [](HDC dc, HPEN pen) { CSelectGuard selected(dc, pen); }},
        {"nested guards", [](HDC dc, HPEN pen) { CSelectGuard outer(dc, GetStockObject(WHITE_PEN)), inner(dc, pen); }},
    };
    CDibSurface target(8, 8);
    const HGDIOBJ original = GetCurrentObject(target, OBJ_PEN);
    for (const auto& [name, select] : ways) {
        testkit::SetContext(name);
        CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
        const HGDIOBJ handle = pen.m_hObject;
        select(target, pen);
        CHECK(GetCurrentObject(target, OBJ_PEN) == original);
        pen.DeleteObject();
        CHECK_EQ(GetObjectType(handle), 0u);
    }
}

const RegisteredMessage kPing{L"OrlenzaTestPing"};
const RegisteredMessage kOther{L"OrlenzaTestOther"};

// A widget in miniature: one paint function for any DC, reached from WM_PAINT
// through an off-screen surface and from WM_PRINTCLIENT directly. It notes
// what the last cracker handed over, and ends a menu's loop as soon as the
// menu waits for input.
class ProbeWnd : public CWnd {
public:
    static constexpr COLORREF kFace = RGB(200, 40, 10);
    CString last;
    BOOL Create(DWORD style = WS_POPUP) {
        RegisterHostClass();
        return CreateEx(0, kHostClass, L"probe", style, CRect(0, 0, 40, 20), nullptr, 0);
    }
    void Paint(CDC& dc) {
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, kFace);
    }

protected:
    static const MessageMap* ClassMessageMap() {
        static const MsgMapEntry entries[] = {
            OnMessage<WM_PAINT, &ProbeWnd::OnPaint>(),
            OnMessage<WM_PRINTCLIENT, &ProbeWnd::OnPrintClient>(),
            OnRegisteredMessage<&kPing, &ProbeWnd::OnPing>(),
            OnMessage<WM_SIZE, &ProbeWnd::OnSize>(),
            OnMessage<WM_KEYDOWN, &ProbeWnd::OnKeyDown>(),
            OnMessage<WM_CONTEXTMENU, &ProbeWnd::OnContextMenu>(),
            OnMessage<WM_ENTERIDLE, &ProbeWnd::OnEnterIdle>(),
        };
        static const MessageMap map = MakeMessageMap(CWnd::ClassMessageMap(), entries);
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return ClassMessageMap(); }
    void OnPaint() {
        CPaintDC paint(m_hWnd);
        CRect client;
        GetClientRect(&client);
        CMemoryDC surface(paint, client);
        Paint(surface);
    }
    void OnPrintClient(HDC dc, UINT) {
        CDC target = CDC::FromHandle(dc);
        Paint(target);
    }
    LRESULT OnPing(WPARAM wp, LPARAM) {
        last = L"ping";
        return static_cast<LRESULT>(wp + 1);
    }
    void OnSize(UINT type, CSize size) { last = CString::Formatted(L"size %u %dx%d", type, size.cx, size.cy); }
    void OnKeyDown(UINT key, UINT n, UINT flags) { last = CString::Formatted(L"key %u %u %u", key, n, flags); }
    void OnContextMenu(HWND, CPoint at) { last = CString::Formatted(L"context %d,%d", at.x, at.y); }
    void OnEnterIdle(UINT reason, HWND) {
        if (reason == MSGF_MENU) EndMenu();
    }
};

TEST_CASE(a_window_paints_into_a_bitmap_through_print_client_and_a_surface_copies_its_area) {
    ProbeWnd probe;
    REQUIRE(probe.Create());
    CDibSurface printed(40, 20);
    probe.PrintClient(printed);
    CHECK_EQ(printed.ColourAt(39, 19), ProbeWnd::kFace);
    CHECK_EQ(printed.ColourAt(40, 0), CLR_INVALID);

    // Drawn in the target's coordinates, copied to its area only, at the end.
    CDibSurface target(40, 20);
    {
        CMemoryDC surface(target, CRect(10, 5, 30, 15));
        surface.FillSolidRect(CRect(0, 0, 40, 20), RGB(0, 200, 0));
        surface.SetPixel(10, 5, RGB(255, 255, 255));
        CHECK_EQ(target.ColourAt(20, 10), RGB(0, 0, 0));
    }
    CHECK_EQ(target.ColourAt(10, 5), RGB(255, 255, 255));
    CHECK_EQ(target.ColourAt(29, 14), RGB(0, 200, 0));
    for (const CPoint& p : {CPoint(9, 5), CPoint(30, 10), CPoint(20, 15), CPoint(20, 4)})
        CHECK_EQ(target.ColourAt(p.x, p.y), RGB(0, 0, 0));
}

TEST_CASE(live_counts_come_back_after_a_thousand_create_and_destroy_cycles) {
    const std::vector<long> before = testkit::LiveCensus();
    std::vector<long> during;
    HWND created = nullptr;
    for (int round = 0; round < 1000; ++round) {
        ProbeWnd probe;
        REQUIRE(probe.Create());
        created = probe.m_hWnd;
        probe.SendMessage(WM_PAINT);  // hidden: an empty paint, through BeginPaint and a surface all the same
        CDibSurface printed(40, 20);
        probe.PrintClient(printed);
        CClientDC client(probe);
        CMenu menu;
        menu.CreatePopupMenu();
        CIcon icon;
        icon.Attach(CopyIcon(LoadIconW(nullptr, IDI_APPLICATION)));
        CCursor cursor;
        cursor.Attach(CopyCursor(LoadCursorW(nullptr, IDC_ARROW)));
        CImageList images;
        images.Create(16, 16, ILC_COLOR32, 1, 1);
        if (round == 0) during = testkit::LiveCensus();
    }
    CHECK(!IsWindow(created));  // created by the object, gone with it
    const std::vector<long> after = testkit::LiveCensus();
    for (size_t k = 0; k < after.size(); ++k) {
        testkit::SetContext("kind " + std::to_string(k));
        CHECK(during[k] > before[k]);  // each owner does count
        CHECK_EQ(after[k], before[k]);
    }
}

TEST_CASE(crackers_unpack_their_messages_and_registered_messages_reach_their_handler) {
    ProbeWnd w;
    REQUIRE(w.Create());
    // What the handler noted (empty: none ran) and what the message answered.
    const struct { UINT message; WPARAM wp; LPARAM lp; const wchar_t* noted; LRESULT result; } rows[] = {
        {RegisterWindowMessageW(L"OrlenzaTestPing"), 41, 0, L"ping", 42},
        {WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(300, 200), L"size 2 300x200", 0},
        {WM_KEYDOWN, VK_F2, MAKELPARAM(3, KF_EXTENDED), L"key 113 3 256", 0},
        {WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1), L"context -1,-1", 0},
        // Neither another registered message nor WM_NULL finds the entry of one.
        {kOther.Id(), 0, 0, L"", 0},
        {WM_NULL, 0, 0, L"", 0},
    };
    for (const auto& row : rows) {
        testkit::SetContext("message " + std::to_string(row.message));
        w.last.Empty();
        CHECK_EQ(w.SendMessage(row.message, row.wp, row.lp), row.result);
        CHECK_EQ(w.last, CString(row.noted));
    }
}

TEST_CASE(menus_are_found_from_their_handles_while_attached) {
    CMenu menu;
    REQUIRE(menu.CreatePopupMenu());
    CHECK_EQ(CMenu::FromHandlePermanent(menu), &menu);
    HMENU handle = menu.Detach();
    CHECK(CMenu::FromHandlePermanent(handle) == nullptr);
    CHECK(IsMenu(handle));
    CHECK(menu.Attach(handle));
    CHECK(menu.DestroyMenu());
    CHECK(!IsMenu(handle));
    // A sub-menu goes with its parent, and its object lets the handle go.
    CMenu parent, child;
    REQUIRE(parent.CreatePopupMenu() && child.CreatePopupMenu());
    REQUIRE(parent.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(child.m_hMenu), L"sub"));
    CHECK(parent.DestroyMenu() && child.m_hMenu == nullptr);
}

// A menu whose items are drawn from records of its own (their widths),
// registered as live; it notes each record it was asked to measure or draw.
class DrawnMenu : public CMenu {
public:
    int records[2] = {40, 60};
    std::vector<int> seen;
    void Add(HMENU where, UINT id, int& record) {
        RegisterItem(&record);
        ::AppendMenuW(where, MF_OWNERDRAW, id, reinterpret_cast<const wchar_t*>(&record));
    }
    int Note(ULONG_PTR data) { return seen.emplace_back(*reinterpret_cast<const int*>(data)); }
    void MeasureItem(MEASUREITEMSTRUCT* m) override {
        m->itemWidth = static_cast<UINT>(Note(m->itemData));
        m->itemHeight = 18;
    }
    void DrawItem(DRAWITEMSTRUCT* d) override { Note(d->itemData); }
};

// Sends the owner message about one owner-drawn menu item; its result.
LRESULT SendItemMessage(CWnd& host, UINT message, HMENU menu, ULONG_PTR data) {
    MEASUREITEMSTRUCT mis{ODT_MENU, 0, 0, 0, 0, data};
    DRAWITEMSTRUCT dis{ODT_MENU, 0, 0, ODA_DRAWENTIRE, 0, reinterpret_cast<HWND>(menu), nullptr, {}, data};
    void* sent = message == WM_MEASUREITEM ? static_cast<void*>(&mis) : &dis;
    return host.SendMessage(message, 0, reinterpret_cast<LPARAM>(sent));
}

TEST_CASE(menu_items_reach_the_menu_that_registered_them_and_foreign_data_is_ignored) {
    ProbeWnd host;
    REQUIRE(host.Create(WS_POPUP | WS_VISIBLE));
    // Someone else's data in a menu's data field, and no address at all.
    HMENU foreign = CreatePopupMenu();
    MENUINFO info{sizeof(info), MIM_MENUDATA, 0, 0, nullptr, 0, 0x10};
    SetMenuInfo(foreign, &info);
    CHECK(CMenu::FromHandlePermanent(foreign) == nullptr);
    CHECK(CMenu::FromHandlePermanent(host.GetSystemMenu(FALSE)) == nullptr);
    auto menu = std::make_unique<DrawnMenu>();
    REQUIRE(menu->CreatePopupMenu());
    HMENU sub = CreatePopupMenu();
    menu->Add(*menu, 501, menu->records[0]);
    menu->AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"sub");
    menu->Add(sub, 502, menu->records[1]);
    // The system measures the top-level items when the menu opens (once or
    // more), not the sub-menu's.
    SetForegroundWindow(host);
    menu->TrackPopupMenu(TPM_RETURNCMD, 0, 0, host);
    testkit::SetContext("measured " + std::to_string(menu->seen.size()) + " times");
    CHECK(!menu->seen.empty() && menu->seen == std::vector<int>(menu->seen.size(), 40));
    const auto top = reinterpret_cast<ULONG_PTR>(&menu->records[0]);
    const auto inSub = reinterpret_cast<ULONG_PTR>(&menu->records[1]);
    // The record the menu saw; 0: the message was not routed to it.
    const struct { UINT message; HMENU hmenu; ULONG_PTR data; int record; } rows[] = {
        {WM_MEASUREITEM, *menu, top, 40}, {WM_MEASUREITEM, sub, inSub, 60}, {WM_DRAWITEM, sub, inSub, 60},
        {WM_MEASUREITEM, foreign, 0x10, 0}, {WM_DRAWITEM, foreign, 0x10, 0}};
    for (const auto& row : rows) {
        testkit::SetContext(std::to_string(row.message) + " " + std::to_string(row.record));
        menu->seen.clear();
        CHECK_EQ(SendItemMessage(host, row.message, row.hmenu, row.data), row.record ? TRUE : FALSE);
        CHECK(menu->seen == (row.record ? std::vector<int>{row.record} : std::vector<int>{}));
    }
    menu.reset();  // its records go with it: their address is foreign now
    CHECK_EQ(SendItemMessage(host, WM_MEASUREITEM, nullptr, top), 0);
    DestroyMenu(foreign);
}

}  // namespace

// The test program's application object: profile and resources, no dialog.
CWinApp testApp(L"OrlenzaFrameworkTest");
