#include "gui/win32/NativeControls.hpp"

#include "platform/win32/WideText.hpp"

#include <commctrl.h>
#include <imm.h>
#include <richedit.h>

#include <cstring>

namespace quilvane::win32 {
namespace {

struct ClassAndStyle {
    const wchar_t* className;
    DWORD style;
    DWORD extendedStyle;
};

// WS_GROUP on every control but the second option button: the two option
// buttons make one group, reached by one tab stop and moved in by the arrows.
ClassAndStyle StyleOf(const Control& control)
{
    switch (control.kind) {
    case Kind::Frame:
        return {WC_BUTTONW, BS_GROUPBOX | WS_CLIPCHILDREN | WS_GROUP, WS_EX_CONTROLPARENT};
    case Kind::Label:
        return {WC_STATICW, SS_LEFT | SS_NOPREFIX | WS_GROUP, 0};
    case Kind::Option: {
        const bool first = std::strcmp(control.name, "Option1") == 0;
        return {WC_BUTTONW, static_cast<DWORD>(BS_AUTORADIOBUTTON | (first ? WS_GROUP | WS_TABSTOP : 0)), 0};
    }
    case Kind::Command:
        return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 0};
    case Kind::Text:
        return {WC_EDITW, ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, WS_EX_CLIENTEDGE};
    case Kind::Document:
        return {MSFTEDIT_CLASS, ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                WS_EX_CLIENTEDGE};
    }
    return {WC_STATICW, 0, 0};
}

bool StartsHidden(const Control& control)
{
    return control.kind == Kind::Frame && std::strcmp(control.name, "Frame1") != 0;
}

}  // namespace

HWND CreateNativeControl(const Control& control, HWND parent, int id)
{
    if (control.kind == Kind::Document) {
        static const HMODULE richEdit = LoadLibraryW(L"Msftedit.dll");
        (void)richEdit;
    }
    const ClassAndStyle kind = StyleOf(control);
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | kind.style | (StartsHidden(control) ? 0 : WS_VISIBLE);
    HWND hwnd = CreateWindowExW(kind.extendedStyle, kind.className, WideFromUtf8(control.caption).c_str(), style, 0,
                                0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                GetModuleHandleW(nullptr), nullptr);
    switch (control.kind) {
    case Kind::Text:
        SendMessageW(hwnd, EM_SETPASSWORDCHAR, L'*', 0);
        SendMessageW(hwnd, EM_SETLIMITTEXT, 1, 0);
        ImmAssociateContext(hwnd, nullptr);  // keystrokes arrive as plain characters
        break;
    case Kind::Option:
        if (std::strcmp(control.name, "Option1") == 0) {
            SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        }
        break;
    case Kind::Document:
        SendMessageW(hwnd, EM_EXLIMITTEXT, 0, 16 << 20);  // the default stops at 32K characters
        SendMessageW(hwnd, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_WINDOW)));
        break;
    default:
        break;
    }
    return hwnd;
}

}  // namespace quilvane::win32
