#include "texts/texts.h"

#include <cstddef>

namespace {

struct TEntry {
    TText Id;
    const char* Text;
};

// clang-format off
constexpr TEntry Table[] = {
    {TText::Button2, "Выделить все"},
    {TText::Button3, "Снять выделение"},
    {TText::Button4, "Далее >"},
    {TText::Button5, "< Назад"},
    {TText::Button6, "Готово"},
    {TText::Button7, "Сделать копию !"},
    {TText::Button8, "Начать обработку"},
    {TText::Button9, "Вернуть как было"},
    {TText::Button10, "Предложить категории"},
    {TText::Label1, "  Категория:"},
    {TText::Label2,
     "Данная программа предназначена для наведения порядка в меню \"Пуск\". Самый простой способ "
     "это сделать заключается в разбиении программ на группы по назначению. Так все программы для "
     "рисования можно поместить в папку \"Графика\", а программы для чтения почты и работы с "
     "интернетом - в папку \"Интернет\". Используя эту программу, вам будет гораздо проще "
     "осуществить подобное разбиение."},
    {TText::Label3,
     "Перед тем как разбить по категориям, сделайте, пожалуйста, резервную копию. Это поможет "
     "восстановить данные в случае сбоя."},
    {TText::Label4, "Создать резервную копию в папке:"},
    {TText::Label5,
     "Программа предлагает вам для каждой категории (Интернет, Графика) отметить галочками те "
     "программы, которые вы хотите поместить в данную категорию. Так, например, когда выбрана "
     "категория \"Графика\", вы должны поставить галочки напротив графических программ."},
    {TText::Label6, "После завершения работы программы вы получите из запутанного компактное меню."},
    {TText::Label7,
     "Отметьте галочкой те программы, которые относятся к текущей категории и нажмите на кнопку "
     "\"Далее >\""},
    {TText::Label8,
     "Для того чтобы распределить программы по категориям в соответствие с вашим выбором, "
     "нажмите на кнопку \"Начать обработку\""},
    {TText::Label9, "У вас возникли пожелания или вопросы? Пишите нам -"},
    {TText::Label11,
     "Если у вас установлена больше чем одна раскладка клавиатуры, вам обязательно нужно "
     "попробовать программу Lintrowe. Она позволяет исправлять текст, набранный по ошибке в другой "
     "раскладке, а также делает очень много других полезных вещей."},
    {TText::Label12, "Просто попробуйте -"},
    {TText::CheckBox2, "Убрать ярлыки удалённых программ"},
    {TText::CheckBox3, "Не переносить в категории ссылки удаления, справки и сайтов"},
    {TText::MissingCount, "Ярлыков удалённых программ: {1}."},
    {TText::WithoutProgramMark, "(программа не найдена)"},

    {TText::CategoryOffice, "Офисные"},
    {TText::CategoryUtilities, "Утилиты"},
    {TText::CategoryGames, "Игры"},
    {TText::CategoryEntertainment, "Развлечения"},
    {TText::CategoryInternet, "Интернет"},
    {TText::CategoryProgramming, "Программирование"},
    {TText::CategoryGraphics, "Графика"},
    {TText::CategorySecurity, "Безопасность"},
    {TText::CategoryMiscellaneous, "Разное"},

    {TText::FileNotFound, "Файл не найден"},
    {TText::InvalidFilename, "Неверное имя файла"},
    {TText::TooManyOpenFiles, "Слишком много открытых файлов"},
    {TText::FileAccessDenied, "Отказано в доступе к файлу"},
    {TText::ReadBeyondEnd, "Чтение за концом файла"},
    {TText::DiskFull, "Диск переполнен"},
    {TText::InvalidNumericInput, "Неверный числовой ввод"},
    {TText::IoError, "Ошибка ввода-вывода {1}"},
    {TText::UnknownError, "Неизвестная ошибка"},
    {TText::WindowNotCreated, "Не удаётся создать главное окно"},
    {TText::WindowClassNotRegistered, "Не удаётся зарегистрировать класс окна {1}"},
    {TText::ControlNotCreated, "Не удаётся создать элемент окна {1}"},
    {TText::CommonControlsMissing,
     "Не удаётся загрузить стандартные элементы управления (comctl32.dll)"},
    {TText::CommonControlsFunctionMissing, "В comctl32.dll нет функции {1}"},

    {TText::BackupDone, "Резервная копия создана!"},
    {TText::BackupIncomplete, "Резервная копия создана не полностью!"},
    {TText::BackupPathNotFull, "Укажите полный путь к папке для резервной копии."},
    {TText::BackupInsideStartMenu,
     "Папка для резервной копии не может находиться внутри меню \"Пуск\"."},
    {TText::BackupFolderHoldsBackup,
     "В папке \"{1}\" уже есть резервная копия. Укажите, пожалуйста, другую папку."},

    {TText::Distributed, "Программы успешно распределены по категориям!"},
    {TText::DistributedIncomplete, "Не все программы удалось распределить по категориям!"},
    {TText::NothingTicked, "Нет отмеченных программ."},
    {TText::PlannedMoves, "Программ к перемещению: {1}, категорий: {2}."},
    {TText::MovedBefore, "Программы, перемещённые раньше ({1}), повторно не перемещались."},
    {TText::SetAsideCount, "Ярлыков удалённых программ убрано в сохранённые: {1}."},
    {TText::FolderOnlyAdmin,
     "Папку \"{1}\" может изменять только администратор, поэтому её программы остались на месте. "
     "Чтобы распределить их, запустите Orvane от имени администратора."},
    {TText::MoveNotMade, "Не удалось переместить \"{1}\"."},
    {TText::NameTaken, "«{1}» осталась на месте: в папке «{2}» уже есть программа с таким именем."},
    {TText::EarlierNotKept,
     "«{1}» осталась на месте: прежнюю программу с таким именем не удалось убрать из папки «{2}» "
     "(код {3})."},
    {TText::EmptyGroupLeft, "Папка «{1}» осталась пустой на месте: её не удалось удалить (код {2})."},

    {TText::EntryIsLink, "«{1}» осталась на месте: это ссылка на другую папку."},
    {TText::LinkedCategoryFolder, "«{1}» осталась на месте: папка «{2}» — ссылка на другую папку."},

    {TText::StepEntryRefused,
     "«{1}» осталась на месте: в общей папке меню «Пуск» нет такой программы."},
    {TText::StepNotElevated,
     "Общую папку меню «Пуск» может изменять только администратор, а прав администратора у "
     "Orvane нет."},
    {TText::AdminFolderUnsafe,
     "Папка \"{1}\" принадлежит не администраторам или ведёт в другое место, поэтому общая "
     "папка меню «Пуск» не изменена."},
    {TText::ElevationFailed,
     "Не удалось запустить Orvane с правами администратора (код {1}), поэтому общая папка меню "
     "«Пуск» не изменена."},
    {TText::UndoOnlyAdmin,
     "Программы папки \"{1}\" может вернуть на место только администратор, поэтому они остались "
     "в категориях."},

    {TText::JournalNotStarted,
     "Не удалось начать журнал перемещений (код {1}), а без него распределение нельзя было бы "
     "отменить. Ничего не перемещено."},
    {TText::JournalNotWritten,
     "Не удалось дописать журнал перемещений (код {1}). Распределение остановлено; последний шаг в "
     "журнал не попал, его придётся вернуть вручную:\n{2}"},

    {TText::Undone, "Все программы возвращены на прежние места!"},
    {TText::NothingToUndo, "Нет распределений, которые можно отменить."},
    {TText::UndonePartly, "Возвращено на прежние места: {1} из {2}. Остались где были:"},
    {TText::LeftEntry, "{1} — {2}"},
    {TText::JournalSkipped,
     "Журнал «{1}» пропущен: он больше 16 МБ, а распределение таких не пишет."},
    {TText::NotInStartMenu, "запись журнала не относится к меню «Пуск»"},
    {TText::MovedSince, "перемещён или удалён после распределения"},
    {TText::OldNameTaken, "прежнее имя уже занято"},
    {TText::UndoCancelled, "возврат отменён"},
    {TText::UndoStopped, "возврат остановлен"},
    {TText::UndoJournalNotWritten,
     "Не удалось дописать журнал перемещений (код {1}), поэтому возврат остановлен."},
    {TText::MoveBackFailed, "не удалось переместить"},
    {TText::MoveBackFailedCode, "не удалось переместить (код {1})"},

    {TText::Reapplied, "«{1}» возвращена в «{2}»."},
    {TText::ReapplyNeedsAdministrator,
     "«{1}» осталась на месте: вернуть её в «{2}» может только администратор."},
    {TText::ReapplySummary, "Возвращено в категории: {1}, осталось на месте: {2}."},
    {TText::NothingToReapply,
     "Возвращать нечего: обновления не добавили наверх меню «Пуск» разложенных раньше программ."},

    {TText::AllHaveCategories, "У всех программ уже есть категория."},
    {TText::NoneSuggested, "Не удалось подобрать категории: отметьте программы вручную."},
    {TText::Suggested,
     "Предложены категории для {1} программ из {2}. Проверьте отметки на каждой странице."},

    {TText::CheckBox1, "Поддерживать порядок после обновлений программ"},
    {TText::ReapplyTaskName, "Orvane - порядок в меню Пуск ({1})"},
    {TText::ReapplyTaskDescription,
     "Возвращает в папки категорий ярлыки, которые программы заново создали при обновлении. "
     "Создано Orvane; удалить можно, сняв галочку «Поддерживать порядок после обновлений "
     "программ»."},
    {TText::ReapplyTaskNotRegistered,
     "Не удалось создать задание в планировщике заданий Windows (код {1}), поэтому порядок после "
     "обновлений программ поддерживаться не будет."},
    {TText::ReapplyTaskNotRemoved,
     "Не удалось удалить задание из планировщика заданий Windows (код {1}), поэтому оно "
     "по-прежнему будет запускаться."},
};
// clang-format on

constexpr size_t TextCount = static_cast<size_t>(TText::Count);
static_assert(sizeof Table / sizeof Table[0] == TextCount, "every text has one line");

// Each line stands where its name's number says, so that Text() is an index.
constexpr bool InOrder() {
    for (size_t i = 0; i < TextCount; ++i) {
        if (static_cast<size_t>(Table[i].Id) != i)
            return false;
    }
    return true;
}
static_assert(InOrder(), "the table lists the texts in the order of TText");

} // namespace

const char* Text(TText id) {
    return Table[static_cast<size_t>(id)].Text;
}

std::string Text(TText id, std::initializer_list<std::string> args) {
    const std::string pattern = Text(id);
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const size_t n = pattern[i] == '{' && i + 2 < pattern.size() && pattern[i + 2] == '}'
                             ? static_cast<size_t>(pattern[i + 1] - '1')
                             : args.size();
        if (n < args.size()) {
            out += *(args.begin() + n);
            i += 2;
        } else {
            out += pattern[i];
        }
    }
    return out;
}
