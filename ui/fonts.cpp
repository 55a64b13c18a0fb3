#include "ui/fonts.h"

#include "ui/layout.h"

HFONT TFontCache::Get(int px, bool underline) {
    TFont& font = fonts_[{px, underline}];
    if (!font) {
        LOGFONTW description{};
        description.lfHeight = -Scale(px, dpi_); // negative: character height, not cell height
        description.lfWeight = FW_NORMAL;
        description.lfUnderline = underline;
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfQuality = DEFAULT_QUALITY;
        lstrcpynW(description.lfFaceName, FontFace, LF_FACESIZE);
        font.reset(CreateFontIndirectW(&description));
    }
    return font.get();
}
