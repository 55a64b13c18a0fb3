#include "catalogue/catalogue.h"

#include "texts/texts.h"

#include <algorithm>

const std::array<std::string, CategoryCount> CategoryNames = {
    Text(TText::CategoryOffice),        Text(TText::CategoryUtilities),
    Text(TText::CategoryGames),         Text(TText::CategoryEntertainment),
    Text(TText::CategoryInternet),      Text(TText::CategoryProgramming),
    Text(TText::CategoryGraphics),      Text(TText::CategorySecurity),
    Text(TText::CategoryMiscellaneous),
};

std::vector<TStartMenu> StartMenuItems;
int32_t CurrentCategory = 0;

std::vector<TCheckedItem> VisibleItems(int32_t category) {
    std::vector<TCheckedItem> items;
    for (size_t i = 0; i < StartMenuItems.size(); ++i) {
        const int32_t c = StartMenuItems[i].Category;
        if (c == NoCategory || c == category)
            items.push_back({i, c != NoCategory});
    }
    return items;
}

void ApplyChecks(int32_t category, const std::vector<TCheckedItem>& items) {
    for (const TCheckedItem& item : items) {
        if (item.Index < StartMenuItems.size())
            StartMenuItems[item.Index].Category = item.Checked ? category : NoCategory;
    }
}

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ')
        return false;
    return std::none_of(name.begin(), name.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 ||
               std::string("<>:\"/\\|?*").find(ch) != std::string::npos;
    });
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string ParentOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\'));
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1)
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char ch) { return (ch >= 'A' && ch <= 'Z') ? char(ch - 'A' + 'a') : ch; });
    return text;
}

std::string DisplayName(const std::string& path) {
    std::string name = FileNameOf(path);
    // The extension is looked up on a lower-cased copy of the same length, then cut from the
    // name in its own letter case.
    name.resize(name.size() - ExtensionOf(AsciiLower(name)).size());
    return name;
}

std::string Caption(const TStartMenu& entry) {
    return entry.LocalizedName.empty() ? DisplayName(entry.Path) : entry.LocalizedName;
}

static bool IsContinuationByte(char ch) {
    return (static_cast<unsigned char>(ch) & 0xC0) == 0x80;
}

char32_t NextCodePoint(const std::string& text, size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < text.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    return cp;
}

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80   ? 1
                              : lead < 0xC2 ? 0
                              : lead < 0xE0 ? 2
                              : lead < 0xF0 ? 3
                              : lead < 0xF5 ? 4
                                            : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (size_t k = 1; k < length; ++k) {
            if (!IsContinuationByte(text[i + k]))
                return false;
        }
        size_t at = i;
        const char32_t cp = NextCodePoint(text, at);
        // Overlong forms, surrogates and values past the last code point.
        if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

size_t Utf8Length(const std::string& text) {
    return static_cast<size_t>(
        std::count_if(text.begin(), text.end(), [](char ch) { return !IsContinuationByte(ch); }));
}

std::string Utf8Prefix(const std::string& text, size_t count) {
    size_t pos = 0;
    for (size_t seen = 0; pos < text.size(); ++pos) {
        if (!IsContinuationByte(text[pos]) && seen++ == count)
            break;
    }
    return text.substr(0, pos);
}
