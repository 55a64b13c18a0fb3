#include "ui/layout.h"

#include "ui/resources/resource.h"

#include <stdexcept>
#include <string>
#include <utility>

using K = TControlKind;
using C = ControlId;

// clang-format off
const std::array<TControlLayout, ControlCount> FormLayout = {{
    {C::PageControl1, "PageControl1", C::Form, K::PageControl, 3, 2, 736, 486, akAll, 0, nullptr, 0},
    {C::TabSheet1, "TabSheet1", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::TabSheet2, "TabSheet2", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::TabSheet3, "TabSheet3", C::PageControl1, K::TabSheet, 4, 4, 728, 478, akAll, 0, nullptr, 0},
    {C::Button4, "Button4", C::Form, K::Button, 536, 496, 75, 25, akRight | akBottom, 13, "Далее >", 0},
    {C::Button5, "Button5", C::Form, K::Button, 448, 496, 75, 25, akRight | akBottom, 13, "< Назад", 0},
    {C::Button6, "Button6", C::Form, K::Button, 648, 496, 75, 25, akRight | akBottom, 13, "Готово", 0},

    // The welcome page.
    {C::Label2, "Label2", C::TabSheet1, K::Label, 7, 8, 711, 95, akLeft | akTop | akRight, 16,
     "Данная программа предназначена для наведения порядка в меню \"Пуск\". Самый простой способ "
     "это сделать заключается в разбиении программ на группы по назначению. Так все программы для "
     "рисования можно поместить в папку \"Графика\", а программы для чтения почты и работы с "
     "интернетом - в папку \"Интернет\". Используя эту программу, вам будет гораздо проще "
     "осуществить подобное разбиение.", 0},
    {C::Label5, "Label5", C::TabSheet1, K::Label, 8, 112, 711, 57, akLeft | akTop | akRight, 16,
     "Программа предлагает вам для каждой категории (Интернет, Графика) отметить галочками те "
     "программы, которые вы хотите поместить в данную категорию. Так, например, когда выбрана "
     "категория \"Графика\", вы должны поставить галочки напротив графических программ.", 0},
    {C::Label6, "Label6", C::TabSheet1, K::LineLabel, 7, 184, 636, 19, akLeft | akTop | akRight, 16,
     "После завершения работы программы вы получите из запутанного компактное меню.", 0},
    {C::Image2, "Image2", C::TabSheet1, K::Picture, 15, 212, 276, 250, akLeft | akBottom, 0, nullptr,
     IDB_WELCOME_BEFORE},
    {C::Image1, "Image1", C::TabSheet1, K::Picture, 393, 212, 321, 250, akRight | akBottom, 0, nullptr,
     IDB_WELCOME_AFTER},

    // The category page.
    {C::Label1, "Label1", C::TabSheet2, K::LineLabel, 0, 0, 728, 23, akLeft | akTop | akRight, 19,
     "  Категория:", 0},
    {C::ToolBar1, "ToolBar1", C::TabSheet2, K::ToolBar, 0, 23, 728, 60, akLeft | akTop | akRight, 16,
     nullptr, 0},
    {C::Label7, "Label7", C::TabSheet2, K::Label, 8, 85, 671, 38, akLeft | akTop | akRight, 16,
     "Отметьте галочкой те программы, которые относятся к текущей категории и нажмите на кнопку "
     "\"Далее >\"", 0},
    {C::ListView1, "ListView1", C::TabSheet2, K::ListView, 8, 136, 711, 293, akAll, 13, nullptr, 0},
    {C::Button2, "Button2", C::TabSheet2, K::Button, 8, 440, 120, 25, akLeft | akBottom, 13,
     "Выделить все", 0},
    {C::Button3, "Button3", C::TabSheet2, K::Button, 136, 440, 120, 25, akLeft | akBottom, 13,
     "Снять выделение", 0},

    // The final page.
    {C::Label3, "Label3", C::TabSheet3, K::Label, 8, 8, 705, 38, akLeft | akTop | akRight, 16,
     "Перед тем как разбить по категориям, сделайте, пожалуйста, резервную копию. Это поможет "
     "восстановить данные в случае сбоя.", 0},
    {C::Label4, "Label4", C::TabSheet3, K::LineLabel, 9, 64, 260, 19, akLeft | akTop, 16,
     "Создать резервную копию в папке:", 0},
    {C::Edit1, "Edit1", C::TabSheet3, K::Edit, 9, 88, 711, 21, akLeft | akTop | akRight, 11, nullptr, 0},
    {C::Button7, "Button7", C::TabSheet3, K::Button, 8, 120, 169, 25, akLeft | akTop, 16,
     "Сделать копию !", 0},
    {C::Label8, "Label8", C::TabSheet3, K::Label, 9, 168, 681, 38, akLeft | akTop, 16,
     "Для того чтобы распределить программы по категориям в соответствие с вашим выбором, "
     "нажмите на кнопку \"Начать обработку\"", 0},
    {C::Button8, "Button8", C::TabSheet3, K::Button, 8, 216, 169, 25, akLeft | akTop, 16,
     "Начать обработку", 0},
    {C::Label9, "Label9", C::TabSheet3, K::LineLabel, 9, 256, 408, 19, akLeft | akTop, 16,
     "У вас возникли пожелания или вопросы? Пишите нам -", 0},
    {C::Label10, "Label10", C::TabSheet3, K::Link, 8, 280, 165, 19, akLeft | akTop, 16,
     SupportAddress, 0},
    {C::Label11, "Label11", C::TabSheet3, K::Label, 9, 320, 663, 57, akLeft | akTop | akRight, 16,
     "Если у вас установлена больше чем одна раскладка клавиатуры, вам обязательно нужно "
     "попробовать программу Lintrowe. Она позволяет исправлять текст, набранный по ошибке в другой "
     "раскладке, а также делает очень много других полезных вещей.", 0},
    {C::Label12, "Label12", C::TabSheet3, K::LineLabel, 9, 392, 156, 19, akLeft | akTop, 16,
     "Просто попробуйте -", 0},
    {C::Label13, "Label13", C::TabSheet3, K::Link, 9, 416, 197, 19, akLeft | akTop, 16,
     ProductPageUrl, 0},
}};
// clang-format on

const TControlLayout& LayoutOf(ControlId id) {
    for (const auto& control : FormLayout)
        if (control.Id == id)
            return control;
    throw std::logic_error("no layout for control " + std::to_string(static_cast<int>(id)));
}

SIZE DesignClientSize(ControlId parent) {
    if (parent == ControlId::Form)
        return FormDesignClient;
    const TControlLayout& container = LayoutOf(parent);
    return {container.Width, container.Height};
}

int Scale(int value, int dpi) {
    return MulDiv(value, dpi, DesignDpi);
}

namespace {

// One axis of AnchoredRect: the start and end of a control along it.
std::pair<int, int> AnchoredSpan(int start, int length, int growth, bool nearEdge, bool farEdge) {
    if (nearEdge && farEdge)
        return {start, start + length + growth};
    if (farEdge)
        return {start + growth, start + growth + length};
    return {start, start + length};
}

} // namespace

RECT AnchoredRect(const TControlLayout& control, SIZE parentSize, int dpi) {
    const SIZE design = DesignClientSize(control.Parent);
    const int left = Scale(control.Left, dpi);
    const int top = Scale(control.Top, dpi);
    const int width = Scale(control.Width, dpi);
    const int height = Scale(control.Height, dpi);
    const auto [x0, x1] = AnchoredSpan(left, width, parentSize.cx - Scale(design.cx, dpi),
                                       control.Anchors & akLeft, control.Anchors & akRight);
    const auto [y0, y1] = AnchoredSpan(top, height, parentSize.cy - Scale(design.cy, dpi),
                                       control.Anchors & akTop, control.Anchors & akBottom);
    return {x0, y0, x1, y1};
}
