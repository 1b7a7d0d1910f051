// A program that imports a Windows 10 function directly, as quilvane.exe
// did before it looked such functions up at run time: the Windows 7 import
// check must refuse it.
#include <windows.h>

int main() { return static_cast<int>(GetDpiForWindow(GetDesktopWindow())); }
