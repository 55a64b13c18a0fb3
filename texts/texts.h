// Every text the user sees, behind one name each: the window's captions, the category names,
// messages and reports. UTF-8. A text with parts that change holds {1}, {2}, ... where they go.
#pragma once

#include <initializer_list>
#include <string>

enum class TText {
    // The window's captions, by control.
    Button2,
    Button3,
    Button4,
    Button5,
    Button6,
    Button7,
    Button8,
    Button9,
    Button10,
    Label1,
    Label2,
    Label3,
    Label4,
    Label5,
    Label6,
    Label7,
    Label8,
    Label9,
    Label11,
    Label12,
    CheckBox2,
    CheckBox3,
    MissingCount,       // {1}: how many shortcuts of removed programs there are
    WithoutProgramMark, // after the caption of a shortcut whose program was removed

    // The category names, in category order: folder names and tool-bar captions.
    CategoryOffice,
    CategoryUtilities,
    CategoryGames,
    CategoryEntertainment,
    CategoryInternet,
    CategoryProgramming,
    CategoryGraphics,
    CategorySecurity,
    CategoryMiscellaneous,

    // The standard error box: the I/O errors by OS code, and failures of the window itself.
    FileNotFound,
    InvalidFilename,
    TooManyOpenFiles,
    FileAccessDenied,
    ReadBeyondEnd,
    DiskFull,
    InvalidNumericInput,
    IoError, // {1}: the code
    UnknownError,
    WindowNotCreated,
    WindowClassNotRegistered, // {1}: the class
    ControlNotCreated,        // {1}: the control
    CommonControlsMissing,
    CommonControlsFunctionMissing, // {1}: the function

    // The backup.
    BackupDone,
    BackupIncomplete,
    BackupPathNotFull,
    BackupInsideStartMenu,
    BackupFolderHoldsBackup, // {1}: the folder

    // The distribution.
    Distributed,
    DistributedIncomplete,
    NothingTicked,
    PlannedMoves,         // {1}: entries, {2}: categories
    MovedBefore,          // {1}: how many
    SetAsideCount,        // {1}: how many
    FolderOnlyAdmin,      // {1}: the Programs folder
    MoveNotMade,          // {1}: the path
    NameTaken,            // {1}: the entry, {2}: the category folder
    EarlierNotKept,       // {1}: the entry, {2}: the category folder, {3}: the code
    EmptyGroupLeft,       // {1}: the group, {2}: the code
    EntryIsLink,          // {1}: the entry
    LinkedCategoryFolder, // {1}: the entry, {2}: the category folder

    // The all-users step, with administrator rights.
    StepEntryRefused, // {1}: the name it was given
    StepNotElevated,
    AdminFolderUnsafe, // {1}: the folder
    ElevationFailed,   // {1}: the code
    UndoOnlyAdmin,     // {1}: the all-users Programs folder

    // The journal.
    JournalNotStarted, // {1}: the code
    JournalNotWritten, // {1}: the code, {2}: the last step's path

    // The undo.
    Undone,
    NothingToUndo,
    UndonePartly,   // {1}: moved back, {2}: tried
    LeftEntry,      // {1}: the entry, {2}: why
    JournalSkipped, // {1}: the journal's file name
    NotInStartMenu,
    MovedSince,
    OldNameTaken,
    UndoCancelled,
    UndoStopped,
    UndoJournalNotWritten, // {1}: the code
    MoveBackFailed,
    MoveBackFailedCode, // {1}: the code

    // The re-apply.
    Reapplied,                 // {1}: the entry, {2}: the category
    ReapplyNeedsAdministrator, // {1}: the entry, {2}: the category
    ReapplySummary,            // {1}: moved, {2}: left
    NothingToReapply,

    // The suggestions.
    AllHaveCategories,
    NoneSuggested,
    Suggested, // {1}: given, {2}: of how many

    // The scheduled task that keeps the order after updates.
    CheckBox1,
    ReapplyTaskName, // {1}: the user's account name
    ReapplyTaskDescription,
    ReapplyTaskNotRegistered, // {1}: the code
    ReapplyTaskNotRemoved,    // {1}: the code

    Count
};

// The text itself.
const char* Text(TText id);

// The text with {1}, {2}, ... replaced by the arguments, in order.
std::string Text(TText id, std::initializer_list<std::string> args);
