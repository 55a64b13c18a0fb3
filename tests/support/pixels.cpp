#include "support/pixels.h"

#include "win32/handles.h"

std::vector<COLORREF> Pixels(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32};
    void* bits = nullptr;
    const TMemoryDc dc(CreateCompatibleDC(nullptr));
    const TBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    std::vector<COLORREF> pixels;
    {
        const TSelection selected(dc.get(), bitmap.get());
        PatBlt(dc.get(), 0, 0, width, height, WHITENESS);
        draw(dc.get());
        GdiFlush();
        const auto* rgb = static_cast<const DWORD*>(bits);
        for (int i = 0; i < width * height; ++i)
            pixels.push_back(RGB((rgb[i] >> 16) & 0xFF, (rgb[i] >> 8) & 0xFF, rgb[i] & 0xFF));
    }
    return pixels;
}

std::vector<COLORREF> IconPixels(HICON icon) {
    return Pixels(16, 16,
                  [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL); });
}

HICON SolidIcon(COLORREF color) {
    std::vector<DWORD> pixels(16 * 16, 0xFF000000 | (GetRValue(color) << 16) |
                                           (GetGValue(color) << 8) | GetBValue(color));
    std::vector<BYTE> mask(16 * 16 / 8, 0); // all opaque
    return CreateIcon(GetModuleHandleW(nullptr), 16, 16, 1, 32, mask.data(),
                      reinterpret_cast<const BYTE*>(pixels.data()));
}
