// Saves a picture of the Win32 window on each of its five steps into a
// folder, as 24-bit BMP files step1.bmp ... step5.bmp:
// quilvane_screenshots.exe OUTPUT_DIR (run it under Wine with a display).
#include "gui/win32/Wizard.hpp"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Lets the window paint what it was just told to.
void Pump(DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

// The window as the screen shows it, frame and all.
bool SaveWindow(HWND window, const std::filesystem::path& path)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    info.bmiHeader.biSizeImage = size;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(&header), sizeof header);
    file.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    file.write(static_cast<const char*>(bits), size);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return static_cast<bool>(file);
}

}  // namespace

int wmain(int argc, wchar_t* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quilvane_screenshots OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path output(argv[1]);
    quilvane::win32::Wizard wizard;
    wizard.show();
    int failures = 0;
    for (int step = 1; step <= 5; ++step) {
        for (int frame = 1; frame <= 5; ++frame) {
            ShowWindow(wizard.form().frame(frame), frame == step ? SW_SHOW : SW_HIDE);
        }
        wizard.form().keepFocusVisible();
        Pump(500);
        const auto path = output / ("step" + std::to_string(step) + ".bmp");
        if (!SaveWindow(wizard.form().window(), path)) {
            std::fprintf(stderr, "could not write %ls\n", path.c_str());
            ++failures;
        }
    }
    return failures;
}
