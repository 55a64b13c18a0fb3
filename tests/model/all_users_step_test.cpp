// The all-users folder's changes, the one step with administrator rights: what is handed to it,
// what it refuses, a declined prompt, and the two journals of one distribution undone together.
#include "actions/all_users_step.h"
#include "actions/distribution.h"
#include "actions/undo.h"
#include "catalogue/catalogue.h"
#include "support/model_fixture.h"

namespace {

using Names = std::vector<std::string>;
using Paths = std::set<std::string>;

class AllUsersStepTest : public ActionsTest {
protected:
    const std::string Journals = ProgramData + "\\Orvane";
    // The step as the program started with administrator rights serves it.
    TAllUsersOutcome Serve(const std::string& request) {
        shell.elevated = true;
        TAllUsersOutcome outcome = ServeAllUsersStep(shell, request);
        shell.elevated = false;
        return outcome;
    }
};

// Without administrator rights, the user's entries move here and the all-users ones are handed
// over as names and categories only; both journals take the distribution's name, and one undo
// takes both back.
TEST_F(AllUsersStepTest, TheAllUsersEntriesAreHandedOverAsNamesAndCategoriesOnly) {
    Add("Writer.lnk", 0, false);
    Add("Mail.lnk", 4, true);
    TPlannedMoves plan = PlannedMoves();
    EXPECT_TRUE(AsksForAdministrator(shell, plan));
    EXPECT_TRUE(DistributeItems(shell).Complete());
    ASSERT_EQ(shell.elevatedRequests.size(), 1u);
    const std::vector<std::string> lines = Split(shell.elevatedRequests[0], '\n');
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "0\tWriter.lnk");
    EXPECT_EQ(lines[2], "");
    const std::string journal = lines[0].substr(lines[0].find('\t') + 1);
    EXPECT_TRUE(shell.textFiles.count(Journals + "\\" + journal));
    EXPECT_TRUE(shell.textFiles.count(LocalAppData + "\\Orvane\\" + journal));
    EXPECT_EQ(Below(Common), (Paths{"Офисные", "Офисные\\Writer.lnk"}));
    EXPECT_EQ(Below(User), (Paths{"Интернет", "Интернет\\Mail.lnk"}));

    const TUndoPlan undo = NextUndo(shell);
    EXPECT_TRUE(undo.User && undo.AllUsers);
    EXPECT_TRUE(AsksForAdministrator(shell, undo));
    shell.elevated = true; // started as administrator: no prompt, no shield
    EXPECT_FALSE(AsksForAdministrator(shell, undo));
    EXPECT_FALSE(AsksForAdministrator(shell, plan));
    shell.elevated = false;
    EXPECT_EQ(UndoReport(UndoLastDistribution(shell)),
              "Все программы возвращены на прежние места!");
    EXPECT_EQ(Below(Common), Paths{"Writer.lnk"});
    EXPECT_EQ(Below(User), Paths{"Mail.lnk"});
    EXPECT_EQ(shell.elevatedRequests.back(), "undo\t" + journal + "\n");
}

// The user declines Windows' prompt: the all-users entries stay, one message names the folder,
// and the user's entries still move; declined again, the undo names the folder it left.
TEST_F(AllUsersStepTest, ADeclinedPromptKeepsTheAllUsersEntriesAndTheUsersStillMove) {
    Add("Writer.lnk", 0, false);
    Add("Mail.lnk", 4, true);
    shell.elevatedStep = nullptr;
    const TDistribution result = DistributeItems(shell);
    EXPECT_FALSE(result.Complete());
    EXPECT_EQ(shell.messages,
              Names{"Папку \"" + Common +
                    "\" может изменять только администратор, поэтому её программы остались на "
                    "месте. Чтобы распределить их, запустите Orvane от имени администратора."});
    EXPECT_EQ(Below(Common), Paths{"Writer.lnk"});
    EXPECT_EQ(Below(User), (Paths{"Интернет", "Интернет\\Mail.lnk"}));
    EXPECT_EQ(PlannedMoves().Entries, 1u); // the all-users entry, for the next press
}

// The step takes nothing but plain names of entries at the top of the all-users folder now and
// categories 0 to 8: anything else is refused and named, and the rest goes on.
TEST_F(AllUsersStepTest, TheStepRefusesWhatIsNotAnEntryAtTheTopOfTheAllUsersFolder) {
    for (const char* name : {"Writer.lnk", "Games", "Игры", "desktop.ini"})
        shell.files.insert(Common + "\\" + name);
    shell.files.insert(Common + "\\Games\\Chess.lnk");
    shell.files.insert(User + "\\Mine.lnk");
    const std::string journal = "2026-05-01 10.00.00.000.txt";
    const TAllUsersOutcome outcome = Serve("distribute\t" + journal +
                                           "\n"
                                           "0\tWriter.lnk\n"
                                           "1\tGames\\Chess.lnk\n"
                                           "1\t..\n"
                                           "1\tMine.lnk\n"
                                           "1\tdesktop.ini\n"
                                           "9\tGames\n"
                                           "x\n");
    EXPECT_EQ(outcome.Moved, Names{"Writer.lnk"});
    EXPECT_EQ(outcome.Distribution.Stayed.size(), 6u);
    for (const char* name : {"Games\\Chess.lnk", "..", "Mine.lnk", "desktop.ini", "Games", "x"}) {
        const std::string text =
            std::string("«") + name +
            "» осталась на месте: в общей папке меню «Пуск» нет такой программы.";
        EXPECT_EQ(std::count(outcome.Distribution.Stayed.begin(), outcome.Distribution.Stayed.end(),
                             text),
                  1)
            << name;
    }
    EXPECT_TRUE(shell.PathExists(User + "\\Mine.lnk"));
    EXPECT_TRUE(shell.textFiles.count(Journals + "\\" + journal));

    // Without administrator rights it does nothing at all.
    const TAllUsersOutcome unelevated = ServeAllUsersStep(shell, "distribute\t\n0\tGames\n");
    EXPECT_TRUE(unelevated.Moved.empty());
    EXPECT_TRUE(shell.PathExists(Common + "\\Games"));
}

// Its journal folder must be one only administrators may change: a link, or a folder someone else
// owns, is refused with a message, and nothing moves.
TEST_F(AllUsersStepTest, AJournalFolderThatIsALinkOrNotTheAdministratorsMovesNothing) {
    shell.files.insert(Common + "\\Writer.lnk");
    for (std::set<std::string>* unsafe : {&shell.folderLinks, &shell.foreignOwned}) {
        shell.messages.clear();
        unsafe->insert(Journals);
        const TAllUsersOutcome outcome = Serve("distribute\t\n0\tWriter.lnk\n");
        unsafe->clear();
        EXPECT_TRUE(outcome.Moved.empty());
        EXPECT_EQ(shell.messages,
                  Names{"Папка \"" + Journals +
                        "\" принадлежит не администраторам или ведёт в другое место, поэтому "
                        "общая папка меню «Пуск» не изменена."});
        EXPECT_TRUE(shell.PathExists(Common + "\\Writer.lnk"));
    }
}

// The outcome survives the way between the two programs, texts with line breaks and tabs included.
TEST(AllUsersOutcome, ComesBackAsItWasSent) {
    TAllUsersOutcome sent;
    sent.Distribution.Stopped = true;
    sent.Distribution.Failed = 2;
    sent.Distribution.Stayed = {"«a» — b\\c\td"};
    sent.Moved = {"Writer.lnk"};
    sent.Undo.Left = {{"x", "y\nz"}};
    sent.Messages = {"one\ntwo"};
    const std::optional<TAllUsersOutcome> received = ParseOutcome(FormatOutcome(sent));
    ASSERT_TRUE(received);
    EXPECT_EQ(FormatOutcome(*received), FormatOutcome(sent));
    EXPECT_EQ(received->Distribution.Stayed, sent.Distribution.Stayed);
    EXPECT_EQ(received->Undo.Left, sent.Undo.Left);
    // An answer cut short is no answer.
    const std::string text = FormatOutcome(sent);
    EXPECT_FALSE(ParseOutcome(text.substr(0, text.size() - 6)));
}

} // namespace
