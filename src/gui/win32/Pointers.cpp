#include "gui/win32/Pointers.hpp"

#include "gui/win32/ResourceIds.hpp"

namespace quilvane::win32 {
namespace {

int ResourceOf(Pointer pointer)
{
    switch (pointer) {
    case Pointer::Panel: return QUILVANE_CURSOR_PANEL;
    case Pointer::Next: return QUILVANE_CURSOR_NEXT;
    case Pointer::Previous: return QUILVANE_CURSOR_PREVIOUS;
    case Pointer::Open: return QUILVANE_CURSOR_OPEN;
    case Pointer::Key: return QUILVANE_CURSOR_KEY;
    case Pointer::Exit: return QUILVANE_CURSOR_EXIT;
    case Pointer::Arrow: break;
    }
    return 0;
}

}  // namespace

HCURSOR LoadPointer(Pointer pointer)
{
    const int resource = ResourceOf(pointer);
    HANDLE image = resource ? LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_CURSOR, 0, 0,
                                         LR_DEFAULTSIZE | LR_SHARED)
                            : nullptr;
    return image ? static_cast<HCURSOR>(image) : LoadCursorW(nullptr, IDC_ARROW);
}

HICON LoadApplicationIcon(int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUILVANE_ICON_APP), IMAGE_ICON,
                                         size, size, LR_SHARED));
}

}  // namespace quilvane::win32
