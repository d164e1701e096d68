// Looks at the installer from another process as a screen reader does, through MSAA, and records what
// it finds as UTF-8 lines in "AccProbe.cmdline.txt" (StubRecord):
//   AccProbe tree CLASS        one line per object of the window's client tree, two blanks of indent
//                              per level: "role | name | states | value | x,y,w,h", the location
//                              relative to the client area's; or "none" without such a window
//   AccProbe layout CLASS      per object of the tree, in the same order, what a reader's moves reach:
//                              "name | hit | first | last | next | previous | left | right | up | down",
//                              hit being the deepest object accHitTest finds at the object's centre,
//                              the others accNavigate's answers by name ("" for none)
//   AccProbe do CLASS NAME     accDoDefaultAction on the first object of that name: "do NAME 0x<hr>",
//                              or "do NAME " and why there was no such object
//   AccProbe events SECONDS    a win-event hook on every other process, recording in
//                              "AccEvents.cmdline.txt": "listening" once, then "<ms> <event> role |
//                              name | value" per focus, state, value and name change, show and hide,
//                              until the time is up or "AccProbe.stop" appears in the record folder
// CLASS is the window class ("InstallPackages" for the main window, "zorvaim" for the boxes).
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/app/stubs/StubRecord.h"

namespace {

constexpr wchar_t kProgram[] = L"AccProbe";
constexpr wchar_t kEventRecord[] = L"AccEvents";
// The GUID itself: mingw's liboleacc.a has only an import thunk under IID_IAccessible.
const IID kIID_IAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

VARIANT Self() {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::wstring Take(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

// A role or a state set (get_accRole, get_accState); false when the object gives no number.
using NumberGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);
bool Number(IAccessible* acc, NumberGetter getter, VARIANT child, LONG& number) {
    VARIANT value;
    VariantInit(&value);
    if (FAILED((acc->*getter)(child, &value)) || value.vt != VT_I4)
        return false;
    number = value.lVal;
    return true;
}

std::wstring RoleText(IAccessible* acc, VARIANT child) {
    LONG role = 0;
    wchar_t text[64] = {};
    if (!Number(acc, &IAccessible::get_accRole, child, role))
        return L"?";
    GetRoleTextW(role, text, 64);
    return text;
}

std::wstring StateText(IAccessible* acc, VARIANT child) {
    LONG state = 0;
    if (!Number(acc, &IAccessible::get_accState, child, state))
        return L"?";
    std::wstring text;
    for (DWORD bit = 1; bit != 0; bit <<= 1) {
        if ((state & bit) == 0)
            continue;
        wchar_t name[64] = {};
        GetStateTextW(bit, name, 64);
        text += (text.empty() ? L"" : L",") + std::wstring(name);
    }
    return text;
}

std::wstring Name(IAccessible* acc, VARIANT child) {
    BSTR name = nullptr;
    acc->get_accName(child, &name);
    return Take(name);
}

std::wstring Value(IAccessible* acc, VARIANT child) {
    BSTR value = nullptr;
    acc->get_accValue(child, &value);
    return Take(value);
}

RECT Location(IAccessible* acc, VARIANT child) {
    long x = 0, y = 0, w = 0, h = 0;
    acc->accLocation(&x, &y, &w, &h, child);
    return RECT{x, y, x + w, y + h};
}

std::vector<IAccessible*> Children(IAccessible* acc) {
    std::vector<IAccessible*> children;
    long count = 0;
    if (FAILED(acc->get_accChildCount(&count)))
        return children;
    for (long i = 1; i <= count; ++i) {
        VARIANT id;
        VariantInit(&id);
        id.vt = VT_I4;
        id.lVal = i;
        IDispatch* disp = nullptr;
        IAccessible* child = nullptr;
        if (SUCCEEDED(acc->get_accChild(id, &disp)) && disp) {
            disp->QueryInterface(kIID_IAccessible, reinterpret_cast<void**>(&child));
            disp->Release();
        }
        if (child)
            children.push_back(child);
    }
    return children;
}

void Walk(IAccessible* acc, const RECT& origin, int depth) {
    const VARIANT self = Self();
    const RECT rc = Location(acc, self);
    const std::wstring line =
        std::wstring(2 * depth, L' ') + RoleText(acc, self) + L" | " + Name(acc, self) + L" | " +
        StateText(acc, self) + L" | " + Value(acc, self) + L" | " + std::to_wstring(rc.left - origin.left) +
        L"," + std::to_wstring(rc.top - origin.top) + L"," + std::to_wstring(rc.right - rc.left) + L"," +
        std::to_wstring(rc.bottom - rc.top);
    StubRecord::AppendLine(kProgram, line);
    for (IAccessible* child : Children(acc)) {
        Walk(child, origin, depth + 1);
        child->Release();
    }
}

// The name of the object an answer of accNavigate or accHitTest names ("" for none); clears it.
std::wstring NameOf(IAccessible* acc, VARIANT& answer) {
    std::wstring name;
    IAccessible* other = nullptr;
    if (answer.vt == VT_I4)
        name = Name(acc, answer);
    else if (answer.vt == VT_DISPATCH && answer.pdispVal &&
             SUCCEEDED(answer.pdispVal->QueryInterface(kIID_IAccessible, reinterpret_cast<void**>(&other)))) {
        name = Name(other, Self());
        other->Release();
    }
    VariantClear(&answer);
    return name;
}

std::wstring Navigate(IAccessible* acc, long direction) {
    VARIANT answer;
    VariantInit(&answer);
    acc->accNavigate(direction, Self(), &answer);
    return NameOf(acc, answer);
}

// As a reader follows the mouse: hit tests from the client area down until an object answers itself.
std::wstring HitAt(IAccessible* client, long x, long y) {
    IAccessible* at = client;
    at->AddRef();
    std::wstring name;
    for (int depth = 0; depth < 16; ++depth) {
        VARIANT answer;
        VariantInit(&answer);
        IAccessible* inner = nullptr;
        if (FAILED(at->accHitTest(x, y, &answer)) || answer.vt != VT_DISPATCH || !answer.pdispVal ||
            FAILED(answer.pdispVal->QueryInterface(kIID_IAccessible, reinterpret_cast<void**>(&inner)))) {
            name = NameOf(at, answer);
            break;
        }
        VariantClear(&answer);
        at->Release();
        at = inner;
    }
    at->Release();
    return name;
}

void WalkLayout(IAccessible* client, IAccessible* acc) {
    const RECT rc = Location(acc, Self());
    std::wstring line = Name(acc, Self()) + L" | " +
                        HitAt(client, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    for (long direction : {NAVDIR_FIRSTCHILD, NAVDIR_LASTCHILD, NAVDIR_NEXT, NAVDIR_PREVIOUS, NAVDIR_LEFT,
                           NAVDIR_RIGHT, NAVDIR_UP, NAVDIR_DOWN})
        line += L" | " + Navigate(acc, direction);
    StubRecord::AppendLine(kProgram, line);
    for (IAccessible* child : Children(acc)) {
        WalkLayout(client, child);
        child->Release();
    }
}

IAccessible* FindByName(IAccessible* acc, const std::wstring& name) {
    if (Name(acc, Self()) == name) {
        acc->AddRef();
        return acc;
    }
    IAccessible* found = nullptr;
    for (IAccessible* child : Children(acc)) {
        if (!found)
            found = FindByName(child, name);
        child->Release();
    }
    return found;
}

// Where windows of the class are, desk by desk, when this process's own desk has none: a probe on
// another desk than the installer cannot read it.
std::wstring DesktopsSeen(const wchar_t* windowClass) {
    struct TSearch {
        const wchar_t* windowClass;
        std::wstring found;
    } search{windowClass, {}};
    wchar_t own[128] = {};
    GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, own, sizeof(own), nullptr);
    search.found = L" (on desk " + std::wstring(own) + L"; windows of the class:";
    EnumDesktopsW(GetProcessWindowStation(), [](LPWSTR name, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<TSearch*>(param);
        HDESK desk = OpenDesktopW(name, 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
        int count = 0;
        if (desk) {
            struct TCount {
                const wchar_t* windowClass;
                int* count;
            } counting{s->windowClass, &count};
            EnumDesktopWindows(desk, [](HWND window, LPARAM param) -> BOOL {
                auto* c = reinterpret_cast<TCount*>(param);
                wchar_t name[64] = {};
                GetClassNameW(window, name, 64);
                if (lstrcmpiW(name, c->windowClass) == 0)
                    ++*c->count;
                return TRUE;
            }, reinterpret_cast<LPARAM>(&counting));
            CloseDesktop(desk);
        }
        s->found += L" " + std::wstring(name) + L"=" + (desk ? std::to_wstring(count) : L"?");
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found + L")";
}

// The window's client object; "why" says what was missing when there is none.
IAccessible* ClientOf(const wchar_t* windowClass, std::wstring* why = nullptr) {
    HWND window = FindWindowW(windowClass, nullptr);
    IAccessible* acc = nullptr;
    HRESULT hr = E_FAIL;
    if (window)
        hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIID_IAccessible,
                                        reinterpret_cast<void**>(&acc));
    if (!acc && why) {
        wchar_t code[16];
        wsprintfW(code, L"0x%08x", static_cast<unsigned>(hr));
        *why = window ? L"no client object " + std::wstring(code) : L"no window" + DesktopsSeen(windowClass);
    }
    return acc;
}

int Tree(const wchar_t* windowClass) {
    IAccessible* client = ClientOf(windowClass);
    if (!client)
        return StubRecord::AppendLine(kProgram, L"none") ? 0 : 1;
    Walk(client, Location(client, Self()), 0);
    client->Release();
    return 0;
}

int Layout(const wchar_t* windowClass) {
    IAccessible* client = ClientOf(windowClass);
    if (!client)
        return StubRecord::AppendLine(kProgram, L"none") ? 0 : 1;
    WalkLayout(client, client);
    client->Release();
    return 0;
}

int DoDefault(const wchar_t* windowClass, const std::wstring& name) {
    std::wstring result;
    IAccessible* client = ClientOf(windowClass, &result);
    IAccessible* target = client ? FindByName(client, name) : nullptr;
    if (client && !target)
        result = L"not in the tree";
    if (target) {
        wchar_t code[16];
        wsprintfW(code, L"0x%08x", static_cast<unsigned>(target->accDoDefaultAction(Self())));
        result = code;
        target->Release();
    }
    if (client)
        client->Release();
    StubRecord::AppendLine(kProgram, L"do " + name + L" " + result);
    return 0;
}

const wchar_t* EventName(DWORD event) {
    switch (event) {
        case EVENT_OBJECT_FOCUS:
            return L"focus";
        case EVENT_OBJECT_STATECHANGE:
            return L"state";
        case EVENT_OBJECT_VALUECHANGE:
            return L"value";
        case EVENT_OBJECT_NAMECHANGE:
            return L"name";
        case EVENT_OBJECT_SHOW:
            return L"show";
        case EVENT_OBJECT_HIDE:
            return L"hide";
        default:
            return nullptr;
    }
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild, DWORD, DWORD time) {
    const wchar_t* what = EventName(event);
    if (!what || idObject != OBJID_CLIENT)
        return;
    IAccessible* acc = nullptr;
    VARIANT child;
    VariantInit(&child);
    if (FAILED(AccessibleObjectFromEvent(hwnd, idObject, idChild, &acc, &child)) || !acc)
        return;
    StubRecord::AppendLine(kEventRecord, std::to_wstring(time) + L" " + what + L" " + RoleText(acc, child) +
                                             L" | " + Name(acc, child) + L" | " + Value(acc, child));
    acc->Release();
}

int Events(int seconds) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, nullptr, OnEvent, 0, 0,
                                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    if (!hook)
        return 1;
    StubRecord::AppendLine(kEventRecord, L"listening");
    const std::wstring stop = StubRecord::RecordFolder() + L"\\AccProbe.stop";
    const DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (static_cast<LONG>(end - GetTickCount()) > 0 &&
           GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    UnhookWinEvent(hook);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    CoInitialize(nullptr);
    const std::wstring mode = argv[1];
    int code = 2;
    if (mode == L"tree")
        code = Tree(argv[2]);
    else if (mode == L"layout")
        code = Layout(argv[2]);
    else if (mode == L"do" && argc >= 4)
        code = DoDefault(argv[2], argv[3]);
    else if (mode == L"events")
        code = Events(_wtoi(argv[2]));
    CoUninitialize();
    LocalFree(argv);
    return code;
}
