#pragma once

#include <windows.h>

namespace quilvane::win32 {

// While it lives, a message box or dialog of this thread (the file dialog
// too) takes no mouse press made before it was shown or within the
// double-click time after. An action may end between the two clicks of a
// double click; its message box then comes up under the pointer, and the
// second click would answer it before the user has seen it (or, in the file
// dialog, choose the file under the pointer). Keys are taken as always.
class EarlyClickFilter {
public:
    EarlyClickFilter();
    ~EarlyClickFilter();
    EarlyClickFilter(const EarlyClickFilter&) = delete;
    EarlyClickFilter& operator=(const EarlyClickFilter&) = delete;

private:
    static LRESULT CALLBACK Filter(int code, WPARAM wParam, LPARAM lParam);

    HHOOK hook_;
    DWORD outerShownAt_;
};

}  // namespace quilvane::win32
