#include "shell/shell_services.h"

EInOutError::EInOutError(int code) : std::runtime_error(IoErrorText(code)), code_(code) {}

std::string IoErrorText(int code) {
    switch (code) {
    case 2:
        return "Файл не найден";
    case 3:
        return "Неверное имя файла";
    case 4:
        return "Слишком много открытых файлов";
    case 5:
        return "Отказано в доступе к файлу";
    case 100:
        return "Чтение за концом файла";
    case 101:
        return "Диск переполнен";
    case 106:
        return "Неверный числовой ввод";
    default:
        return "Ошибка ввода-вывода " + std::to_string(code);
    }
}

std::string ErrorBoxText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) <= '.')
        return text;
    return text + ".";
}

void OpenLink(ShellServices& shell, const std::string& target) {
    if (shell.IsElevated() && shell.OpenThroughDesktopShell(target))
        return;
    shell.OpenInShell(target);
}
