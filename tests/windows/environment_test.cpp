// The Wine prefix the Windows tests run in must look like the users' Russian Windows; a prefix
// set up wrongly would let layout, text and shell-type faults through unseen.
#include "shell/wide_text.h"
#include "windows/support/temp_folder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace {

// The face name GDI actually selects for a font request.
std::string FaceSelectedFor(const wchar_t* face) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t selected[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, selected);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return Narrow(selected);
}

// The pixels of a text drawn in 13 px Tahoma.
std::vector<DWORD> TahomaPixels(const std::wstring& text) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(info.bmiHeader), 64, -20, 1, 32};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HFONT font =
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    PatBlt(dc, 0, 0, 64, 20, WHITENESS);
    TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + 64 * 20);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

TEST(Environment, ThePrefixIsSetUpLikeARussianWindows) {
    EXPECT_EQ(FaceSelectedFor(L"Tahoma"), "Tahoma");
    EXPECT_EQ(FaceSelectedFor(L"Marlett"), "Marlett");
    EXPECT_EQ(GetACP(), 1251u);

    ComScope com;
    TempFolder temp;
    const std::string link = temp.Path() + "\\Блокнот.lnk";
    ASSERT_TRUE(MakeShortcut(link, "C:\\windows\\notepad.exe"));
    SHFILEINFOW info{};
    SHGetFileInfoW(Widen(link).c_str(), 0, &info, sizeof info, SHGFI_TYPENAME);
    EXPECT_EQ(Narrow(info.szTypeName), "Ярлык");

    // Japanese names are drawn with real glyphs, not with the boxes of missing ones.
    EXPECT_NE(TahomaPixels(L"メモ帳"), TahomaPixels(L"\xE000\xE001\xE002"));
}

} // namespace
