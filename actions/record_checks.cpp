#include "actions/record_checks.h"

#include "shell/shell_services.h"

#include <algorithm>

namespace {

// How far below a Programs folder a record may reach: groups within groups, merged one by one.
constexpr size_t MaxDepth = 8;

bool IsNumber(const std::string& name) {
    return !name.empty() && name.size() <= 9 &&
           std::all_of(name.begin(), name.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

} // namespace

TMenuPlaces::TMenuPlaces(ShellServices& shell, const std::string& programs,
                         const std::string& journalPath)
    : shell_(shell), journalFolder_(ParentOf(journalPath)) {
    roots_[Programs] = programs;
    roots_[Keeping] = KeepingFolderOf(journalPath);
    for (int r = 0; r < RootCount; ++r)
        foldedRoots_[r] = roots_[r].empty() ? "" : shell.FoldedName(roots_[r]);
    for (size_t c = 0; c < CategoryNames.size(); ++c)
        foldedCategories_[c] = shell.FoldedName(CategoryNames[c]);
}

std::optional<TMenuPlaces::TPlace> TMenuPlaces::Locate(const std::string& path) const {
    const std::vector<std::string> parts = Split(path, '\\');
    // The root is the path less its last k names, spelled in any letter case, as Windows compares
    // paths; every name below it must be one a listing could return.
    for (size_t k = 1; k <= MaxDepth + 1 && k < parts.size(); ++k) {
        if (!IsPlainName(parts[parts.size() - k]))
            return std::nullopt;
        std::string prefix = parts[0];
        for (size_t i = 1; i + k < parts.size(); ++i)
            prefix += "\\" + parts[i];
        const std::string folded = shell_.FoldedName(prefix);
        for (int r = 0; r < RootCount; ++r) {
            if (!foldedRoots_[r].empty() && folded == foldedRoots_[r])
                return TPlace{
                    static_cast<TRoot>(r),
                    std::vector<std::string>(parts.end() - static_cast<long>(k), parts.end())};
        }
    }
    return std::nullopt;
}

std::optional<int32_t> TMenuPlaces::CategoryOf(const std::string& name) const {
    const std::string folded = shell_.FoldedName(name);
    for (int32_t c = 0; c < CategoryCount; ++c) {
        if (foldedCategories_[c] == folded)
            return c;
    }
    return std::nullopt;
}

bool TMenuPlaces::Allows(const TRecord& record) const {
    const TJournalMove& move = record.Move;
    const std::optional<TPlace> from = Locate(move.OldPath);
    if (!from || from->Root == Keeping)
        return false;
    const bool fromCategory = CategoryOf(from->Parts[0]).has_value();
    // Any folder below the Programs folder but a category folder itself: a group a merge or a
    // setting aside emptied.
    if (record.Kind == TRecordKind::Removal)
        return !fromCategory || from->Parts.size() >= 2;
    const std::optional<TPlace> to = Locate(move.NewPath);
    if (!to)
        return false;
    const bool topLevel = from->Parts.size() == 1;
    // Only a top-level entry's move creates its category folder and writes its own name line.
    if (!topLevel || to->Root == Keeping) {
        if (move.CreatedFolder || move.CreatedIni || !move.IniKey.empty())
            return false;
    } else if ((move.CreatedIni && move.IniKey.empty()) ||
               (!move.IniKey.empty() &&
                shell_.FoldedName(move.IniKey) != shell_.FoldedName(from->Parts[0]))) {
        return false;
    }
    if (to->Root == Keeping) {
        // An entry of the Programs folder (not a category folder itself) kept under a numbered
        // folder by its own name: an earlier copy, a shortcut without a program, a group's link.
        return (!fromCategory || from->Parts.size() >= 2) && to->Parts.size() == 2 &&
               IsNumber(to->Parts[0]) && to->Parts[1] == from->Parts.back();
    }
    // The same names, one category folder further down in the same Programs folder.
    return !fromCategory && to->Root == from->Root && to->Parts.size() == from->Parts.size() + 1 &&
           CategoryOf(to->Parts[0]) &&
           std::equal(from->Parts.begin(), from->Parts.end(), to->Parts.begin() + 1);
}

bool TMenuPlaces::LinkBelow(const TPlace& place) const {
    std::string folder = roots_[place.Root];
    if (place.Root == Keeping) {
        // The keeping folder's own chain lies in the user's folder too.
        for (const std::string& path :
             {journalFolder_, journalFolder_ + "\\" + KeepingFolderName, folder}) {
            if (shell_.IsFolderLink(path))
                return true;
        }
    }
    for (size_t i = 0; i + 1 < place.Parts.size(); ++i) {
        folder += "\\" + place.Parts[i];
        if (shell_.IsFolderLink(folder))
            return true;
    }
    return false;
}

bool TMenuPlaces::ThroughLink(const TRecord& record) const {
    for (const std::string* path : {&record.Move.OldPath, &record.Move.NewPath}) {
        if (path->empty())
            continue;
        const std::optional<TPlace> place = Locate(*path);
        if (!place || LinkBelow(*place))
            return true;
    }
    return false;
}

std::optional<std::pair<int32_t, std::string>>
TMenuPlaces::Destination(const TRecord& record) const {
    if (record.Kind != TRecordKind::Move || !Allows(record))
        return std::nullopt;
    const std::optional<TPlace> to = Locate(record.Move.NewPath);
    if (to->Root == Keeping)
        return std::nullopt;
    return std::make_pair(*CategoryOf(to->Parts[0]), to->Parts[1]);
}

std::string TMenuPlaces::CategoryFolder(const TRecord& record) const {
    if (record.Kind != TRecordKind::Move || !Allows(record))
        return std::string();
    const std::optional<TPlace> to = Locate(record.Move.NewPath);
    return to->Root != Keeping && to->Parts.size() == 2 ? ParentOf(record.Move.NewPath)
                                                        : std::string();
}
