#include "gui/win32/KeyboardFlow.hpp"

#include "gui/win32/Form.hpp"

namespace quilvane::win32 {
namespace {

constexpr int kBoxesPerPanel = 5;

struct Panel {
    int frame;
    int firstFocusCommand;  // 0: the first password box takes the focus
    int next;               // its 下一步; 0 on the file panels
    int firstBox;           // 0 on panels without password boxes
};

constexpr Panel kPanels[] = {
    {1, 1, 1, 0},
    {2, 0, 3, 1},
    {3, 0, 8, 6},
    {4, 4, 0, 0},
    {5, 9, 0, 0},
};

const Panel* VisiblePanel(const Form& form)
{
    for (const Panel& panel : kPanels) {
        if (IsWindowVisible(form.frame(panel.frame))) {
            return &panel;
        }
    }
    return nullptr;
}

// The password box's number (1..10), 0 for any other control.
int BoxNumber(const Form& form, HWND hwnd)
{
    for (int number = 1; number <= 2 * kBoxesPerPanel; ++number) {
        if (form.text(number) == hwnd) {
            return number;
        }
    }
    return 0;
}

const Panel* PanelOfBox(int number)
{
    for (const Panel& panel : kPanels) {
        if (panel.firstBox && number >= panel.firstBox && number < panel.firstBox + kBoxesPerPanel) {
            return &panel;
        }
    }
    return nullptr;
}

bool IsCommand(const Form& form, HWND hwnd)
{
    for (int number = 1; number <= 11; ++number) {
        if (form.command(number) == hwnd) {
            return true;
        }
    }
    return false;
}

}  // namespace

HWND FirstFocus(const Form& form, int frame)
{
    for (const Panel& panel : kPanels) {
        if (panel.frame == frame) {
            return panel.firstFocusCommand ? form.command(panel.firstFocusCommand) : form.text(panel.firstBox);
        }
    }
    return nullptr;
}

HWND FocusAfterCommand(const Form& form, int command)
{
    for (const Panel& panel : kPanels) {
        if (panel.firstBox && panel.next == command && IsWindowVisible(form.frame(panel.frame))) {
            return form.text(panel.firstBox);
        }
    }
    return nullptr;
}

HWND NextButton(const Form& form)
{
    const Panel* panel = VisiblePanel(form);
    return panel && panel->next ? form.command(panel->next) : nullptr;
}

HWND DefaultButton(const Form& form)
{
    HWND focus = GetFocus();
    if (focus && IsCommand(form, focus) && IsWindowVisible(focus)) {
        return focus;
    }
    return NextButton(form);
}

bool BackspaceInEmptyBox(const Form& form, HWND box)
{
    const int number = BoxNumber(form, box);
    const Panel* panel = PanelOfBox(number);
    if (!panel || number == panel->firstBox || GetWindowTextLengthW(box) != 0) {
        return false;
    }
    HWND previous = form.text(number - 1);
    SetWindowTextW(previous, L"");
    SetFocus(previous);
    return true;
}

void MoveOnAfterDigit(const Form& form, HWND box, wchar_t typed, bool taken)
{
    const int number = BoxNumber(form, box);
    const Panel* panel = PanelOfBox(number);
    if (!panel || !taken || typed < L'0' || typed > L'9' || number == panel->firstBox + kBoxesPerPanel - 1) {
        return;
    }
    wchar_t text[2] = {};
    if (GetWindowTextW(box, text, 2) != 1 || text[0] != typed) {
        return;
    }
    HWND next = form.text(number + 1);
    SetFocus(next);
    // As Tab does: the next box's character is selected, so typing replaces it.
    SendMessageW(next, EM_SETSEL, 0, -1);
}

}  // namespace quilvane::win32
