// The Wine prefix the Windows tests run in must look like the users' Russian Windows; a prefix
// set up wrongly would let layout, text and shell-type faults through unseen.
#include "support/folders.h"
#include "support/pixels.h"
#include "win32/handles.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

namespace {

// The face name GDI actually selects for a font request.
std::string FaceSelectedFor(const wchar_t* face) {
    const TMemoryDc dc(CreateCompatibleDC(nullptr));
    const TFont font(
        CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
    const TSelection selected(dc.get(), font.get());
    wchar_t name[LF_FACESIZE] = {};
    GetTextFaceW(dc.get(), LF_FACESIZE, name);
    return Narrow(name);
}

// The pixels of a text drawn in 13 px Tahoma.
std::vector<COLORREF> TahomaPixels(const std::wstring& text) {
    const TFont font(
        CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma"));
    return Pixels(64, 20, [&](HDC dc) {
        const TSelection selected(dc, font.get());
        TextOutW(dc, 0, 0, text.c_str(), static_cast<int>(text.size()));
    });
}

TEST(Environment, ThePrefixIsSetUpLikeARussianWindows) {
    EXPECT_EQ(FaceSelectedFor(L"Tahoma"), "Tahoma");
    EXPECT_EQ(FaceSelectedFor(L"Marlett"), "Marlett");
    EXPECT_EQ(GetACP(), 1251u);

    TComScope com;
    TempFolder temp;
    const std::string link = temp.Path() + "\\Блокнот.lnk";
    ASSERT_TRUE(MakeShortcut(link, NotepadPath()));
    SHFILEINFOW info{};
    SHGetFileInfoW(Widen(link).c_str(), 0, &info, sizeof info, SHGFI_TYPENAME);
    EXPECT_EQ(Narrow(info.szTypeName), "Ярлык");

    // Japanese names are drawn with real glyphs, not with the boxes of missing ones.
    EXPECT_NE(TahomaPixels(L"メモ帳"), TahomaPixels(L"\xE000\xE001\xE002"));
}

} // namespace
