// Find and Replace through the dialog's buttons, and Find Next.
#include "scenario.h"

#include "app/commands.h"
#include "dialogs/input_dialog.h"
#include "view/caret.h"

#include <cstring>

using headless::DialogStep;
using headless::dialog::click;
using headless::dialog::focus;
using headless::dialog::type;

class FindReplace : public Scenario {
  protected:
    // Starts on the text; the text pane, made active, takes patterns as characters.
    void startOn(const char* characters, int pane = 1) {
        startWith(text(characters));
        if (pane == 1) {
            headless::press(vk::tab);
        }
    }
    static Bytes text(const char* t) { return Bytes(t, t + std::strlen(t)); }
    // Runs the command's dialog with the steps, then Cancel.
    static void run(int command, std::vector<DialogStep> steps) {
        steps.push_back(click(control::cancel));
        headless::answerDialog(std::move(steps));
        headless::command(command);
    }
    // Replace with the pattern and the replacement typed, then the button pressed.
    static void replace(const char* pattern, const char* replacement, int button, size_t times) {
        std::vector<DialogStep> steps = {type(pattern), focus(control::secondEdit),
                                         type(replacement)};
        steps.insert(steps.end(), times, click(button));
        run(cmd::replace, steps);
    }
    static const headless::DialogRecord& dialog() { return headless::dialogsShown().back(); }
};

TEST_F(FindReplace, FindGoesOnAfterEachMatchAndWrapsAroundInEitherPane) {
    // The hex pane takes the pattern as digits, the text pane as characters.
    for (const auto& [pane, pattern, absent] : {std::tuple{0, "6162", "7a7a"}, {1, "ab", "zz"}}) {
        startOn("ab..ab..ab..", pane);
        setCaret(18);
        run(cmd::find, {type(pattern), click(control::ok)});
        EXPECT_EQ(std::pair(state.selection.start, state.selection.end),
                  std::pair(0, 2)); // from byte 9 round to the first match
        EXPECT_EQ(state.caret, 4);  // after the dialog: just after the match
        // The second search starts after the first match, not at the caret; the selection the
        // dialog opened with comes back when it closes.
        run(cmd::find, {click(control::ok), click(control::ok)});
        EXPECT_EQ(state.caret, 16);
        EXPECT_EQ(std::pair(state.selection.start, state.selection.end), std::pair(0, 2));
        // Find Next passes over the caret's match, wraps around and leaves the selection.
        headless::press(vk::f3);
        EXPECT_EQ(state.caret, 0);
        headless::press(vk::f3);
        EXPECT_EQ(state.caret, 8);
        EXPECT_EQ(std::pair(state.selection.start, state.selection.end), std::pair(0, 2));
        // Nothing found: no message, and the dialog's result says so.
        run(cmd::find, {type(absent), click(control::ok)});
        EXPECT_EQ(dialog().result, 0);
        EXPECT_TRUE(headless::messageBoxes().empty());
        expectPanesMatchRepaint();
    }
}

TEST_F(FindReplace, FindInTheSelectionAsksBeforeLeavingIt) {
    for (const int answer : {answer::no, answer::yes}) {
        startOn("..ab....ab..");
        for (int i = 0; i < 6; ++i) {
            headless::press(vk::right, {vk::shift});
        }
        headless::answerMessageBoxes({answer});
        run(cmd::find, {type("ab"), click(control::expand), click(control::checkbox),
                        click(control::ok), click(control::ok)});
        const auto& question = headless::messageBoxes().at(0);
        EXPECT_EQ(question.caption + ": " + question.text,
                  "Question from KezEdit: Search completed. Search outside selection?");
        EXPECT_EQ(dialog().controls.at(control::checkbox).checked, answer == answer::no);
        // Yes went on outside to the next match; either way the selection comes back.
        EXPECT_EQ(state.caret, answer == answer::yes ? 16 : 4);
        EXPECT_EQ(std::pair(state.selection.start, state.selection.end), std::pair(0, 6));
        expectPanesMatchRepaint();
    }
}

TEST_F(FindReplace, ReplaceSearchesThenReplacesThenSearchesAgainAndUndoTakesItBack) {
    startOn("ab.ab.ab");
    replace("ab", "XY", control::replace, 3);
    EXPECT_EQ(documentBytes(), text("XY.ab.ab"));
    EXPECT_EQ(dialog().result, 3);
    EXPECT_EQ(std::pair(state.selection.start, state.selection.end), std::pair(3, 5));
    EXPECT_EQ(state.caret, 10);
    expectPanesMatchRepaint();
    headless::command(cmd::undo);
    EXPECT_EQ(documentBytes(), text("ab.ab.ab"));
}

TEST_F(FindReplace, ReplaceAllCountsItsReplacementsAndAsksToGoOnAtTheBeginning) {
    // From byte 6, Yes goes on from the beginning up to the start; from 0 nothing is asked. A
    // replacement that writes the next match itself, even past the end, is not replaced again.
    const std::tuple<const char*, int32_t, int, const char*, const char*, int> cases[] = {
        {"ab..ab..ab..ab..ab..", 12, answer::yes, "XY", "XY..XY..XY..XY..XY..", 5},
        {"ab..ab..ab..ab..ab..", 12, answer::no, "XY", "ab..ab..XY..XY..XY..", 3},
        {"ab.ab.ab", 0, 0, "aba", "abaabaaba", 3},
        {"ab.ab.ab", 0, 0, "abab", "ababababab", 4}};
    for (const auto& [before, caret, answer, replacement, after, count] : cases) {
        startOn(before);
        setCaret(caret);
        headless::answerMessageBoxes({answer});
        replace("ab", replacement, control::replaceAll, 2);
        EXPECT_EQ(documentBytes(), text(after));
        EXPECT_EQ(state.undoLog->recordCount, count);
        const auto& boxes = headless::messageBoxes();
        EXPECT_EQ(boxes.back().text, std::to_string(count) + " replacement(s) in total");
        ASSERT_EQ(boxes.size(), caret == 0 ? 1u : 2u);
        if (caret != 0) {
            EXPECT_EQ(boxes[0].caption + ": " + boxes[0].text,
                      "Question from KezEdit: 3 replacement(s) made until end reached. "
                      "Continue at begin of file?");
        }
        expectPanesMatchRepaint();
    }
}

TEST_F(FindReplace, HexPatternsDropALoneLastDigit) {
    // "414" finds 41; "7" replaces with nothing.
    startWith({0x14, 0x41, 0x14, 0x41});
    replace("414", "7", control::replaceAll, 2);
    EXPECT_EQ(lastMessage(), "2 replacement(s) in total");
    EXPECT_EQ(documentBytes(), Bytes({0x14, 0x41, 0x14, 0x41}));
    EXPECT_EQ(changeCount(), 0);
}

TEST_F(FindReplace, FindNextComesBackToTheOnlyMatchButNotPastOffsetZero) {
    // Right after the dialog, a match starting where it left the caret is the next one.
    startOn("Hello");
    run(cmd::find, {type("l"), click(control::ok)});
    headless::press(vk::f3);
    EXPECT_EQ(state.caret, 6);
    headless::press(vk::f3);
    EXPECT_EQ(state.caret, 4);
    startOn("ab......");
    run(cmd::find, {type("ab"), click(control::ok)});
    ASSERT_EQ(state.caret, 4);
    headless::press(vk::f3); // from byte 2 nothing: round to the match at 0
    EXPECT_EQ(state.caret, 0);
    headless::press(vk::f3); // the match under a caret at 0 is passed over, with no second round
    EXPECT_EQ(state.caret, 0);
    EXPECT_TRUE(headless::messageBoxes().empty());
}

TEST_F(FindReplace, TheDialogActsOnTheTextItShowsAndOnlyOnceAtATime) {
    // The search text changed between Search and "... all": the next press searches for it,
    // then the one after replaces it, alike in both panes.
    for (const auto& [pane, first, second, replacement] :
         {std::tuple{0, "6162", "\b\b\b\b6364", "5859"}, {1, "ab", "\b\bcd", "XY"}}) {
        startOn("ab.cd.ab.cd.", pane);
        run(cmd::replace, {type(first), focus(control::secondEdit), type(replacement),
                           click(control::ok), focus(control::firstEdit), type(second),
                           click(control::replaceAll), click(control::replaceAll)});
        EXPECT_EQ(documentBytes(), text("ab.XY.ab.XY.")) << pane;
        EXPECT_EQ(lastMessage(), "2 replacement(s) in total");
    }
    // "... all" pressed again while its own question is open does nothing.
    startOn("ab..ab..ab..ab..ab..");
    setCaret(12);
    headless::answerMessageBoxes({answer::yes});
    run(cmd::replace, {type("ab"), focus(control::secondEdit), type("XY"),
                       click(control::replaceAll), headless::dialog::run([] {
                           headless::duringNextModal(
                               [] { headless::dialog::clickOpenDialog(control::replaceAll); });
                       }),
                       click(control::replaceAll)});
    EXPECT_EQ(documentBytes(), text("XY..XY..XY..XY..XY.."));
    EXPECT_EQ(headless::messageBoxes().size(), 2u);
    EXPECT_EQ(lastMessage(), "5 replacement(s) in total");
    // A pattern of 20 characters from the text pane is searched whole from the hex pane.
    startOn("abcdefghijklmnoXXXXXabcdefghijklmnopqrst");
    run(cmd::find, {type("abcdefghijklmnopqrst"), click(control::ok)});
    headless::press(vk::tab);
    setCaret(0);
    run(cmd::find, {click(control::ok)});
    EXPECT_EQ(dialog().controls.at(control::firstEdit).text.size(), 40u);
    EXPECT_EQ(state.caret, 40); // on the match; the selection of the opening comes back
}

TEST_F(FindReplace, FindNextPassesTheMatchUnderTheCaretOnceTheCaretHasMoved) {
    // The caret leaves the place the dialog left it and comes back: by keys, by clicks, or by
    // right clicks (each shows the inspector on the byte it puts the caret on).
    for (const int way : {0, 1, 2}) {
        startOn("Hello");
        run(cmd::find, {type("l"), click(control::ok)});
        for (const int32_t column : {0, 3}) {
            const headless::Point at = headless::cellPoint(1, column, 0);
            way == 0   ? headless::press(column == 0 ? vk::right : vk::left)
            : way == 1 ? (headless::mouseDown(at), headless::mouseUp(at))
                       : (headless::rightDown(at), headless::rightUp(at));
        }
        ASSERT_EQ(state.caret, 6);
        headless::press(vk::f3); // the match at byte 3 is passed over: round to byte 2
        EXPECT_EQ(state.caret, 4) << way;
    }
}
