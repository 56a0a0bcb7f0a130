#include "winui/screenshot.h"

#include <vector>

#include "platform/whole_files.h"
#include "winui/png.h"

namespace winui {

bool SaveWindowPicture(HWND window, const std::string& path) {
    RECT r{};
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool copied = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memory, old);
    }
    std::vector<uint8_t> rgb;
    if (copied) {
        const auto* bgrx = static_cast<const uint8_t*>(bits);
        rgb.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
        for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
            rgb.push_back(bgrx[i * 4 + 2]);
            rgb.push_back(bgrx[i * 4 + 1]);
            rgb.push_back(bgrx[i * 4 + 0]);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) return false;
    const std::vector<uint8_t> png = EncodePng(width, height, rgb);
    int error = 0;
    return platform::WriteFileAtomically(path, std::string(png.begin(), png.end()), error);
}

}  // namespace winui
