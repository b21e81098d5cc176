// When Cut, Copy, Paste, Delete and Delete all can act, by what has the focus; and the
// add-file dialog's filter in Qt's form.
#include "player/core/edit/commandstates.h"

#include <gtest/gtest.h>

using namespace wc;

namespace {

TEST(EditCommandStates, FollowTheFocusTheListAndTheClipboard) {
    struct Case {
        const char* name;
        EditFocus focus;
        int count, selected;
        bool clipboard;
        EditCommandStates expected; // cut, copy, paste, del, delAll
    };
    const Case cases[] = {
        {"list_with_selection",
         EditFocus::ActivePlaylist,
         3,
         1,
         false,
         {true, true, false, true, true}},
        {"list_without_selection",
         EditFocus::ActivePlaylist,
         3,
         0,
         true,
         {false, false, true, false, true}},
        {"empty_list", EditFocus::ActivePlaylist, 0, 0, true, {false, false, true, false, false}},
        // The field's own cut and copy; pasting items needs the list to have the focus.
        {"text_field", EditFocus::TextField, 3, 2, true, {true, true, false, false, false}},
        {"elsewhere", EditFocus::Elsewhere, 3, 2, true, {false, false, false, false, false}},
        // The search list is read-only: only Copy, and only with a selection.
        {"search_selection", EditFocus::SearchList, 5, 2, true, {false, true, false, false, false}},
        {"search_none", EditFocus::SearchList, 5, 0, true, {false, false, false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(editCommandStates(c.focus, c.count, c.selected, c.clipboard), c.expected);
    }
}

TEST(AddFileFilter, BecomesQtNameFilters) {
    EXPECT_EQ(qtNameFilters(addFileFilter()),
              (QStringList{"wav/mp3/ogg/wma/wmv/cda/spx/aac/mp4/ac3/alac/mpc/ofr/tta/wv/flac/opus/"
                           "oga/m4a/line.in "
                           "(*.wav *.mp3 *.ogg *.wma *.wmv *.cda *.spx *.aac *.mp4 *.ac3 *.alac "
                           "*.mpc *.ofr *.tta *.wv *.flac *.opus *.oga *.m4a line.in)",
                           "Line Input (line.in) (line.in)"}));
    // A description without patterns is dropped; empty patterns are skipped.
    EXPECT_EQ(qtNameFilters("Lists|*.m3u;;*.pls|Alone"), (QStringList{"Lists (*.m3u *.pls)"}));
}

} // namespace
