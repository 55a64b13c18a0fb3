#include "win32/common_controls.h"

#include "texts/texts.h"
#include "win32/handles.h"
#include "win32/system.h"

#include <stdexcept>
#include <string>

namespace {

template <class F> void Bind(HMODULE module, F& function, const char* name) {
    function = ProcedureOf<F>(module, name);
    if (!function)
        throw std::runtime_error(Text(TText::CommonControlsFunctionMissing, {name}));
}

TCommonControls LoadCommonControls() {
    TCommonControls table;
    // By name, not by path: the activation context of the manifest then gives version 6, and the
    // restricted search takes any other version from System32 only.
    table.Module = LoadLibraryW(L"comctl32.dll");
    if (!table.Module)
        throw std::runtime_error(Text(TText::CommonControlsMissing));
    Bind(table.Module, table.InitCommonControlsEx, "InitCommonControlsEx");
    Bind(table.Module, table.ImageList_Create, "ImageList_Create");
    Bind(table.Module, table.ImageList_ReplaceIcon, "ImageList_ReplaceIcon");
    Bind(table.Module, table.ImageList_Destroy, "ImageList_Destroy");
    return table;
}

} // namespace

const TCommonControls& CommonControls() {
    static const TCommonControls table = LoadCommonControls();
    return table;
}

void TImageListTraits::Free(HIMAGELIST list) {
    CommonControls().ImageList_Destroy(list);
}
