// The viewer's Apply command without its dialog: applies a transform to a
// package in the installer's view mode and lists every change the transform
// would make, one CStringArrayEntry (Table, Column, Row, Data, Current) per
// row of the installer's _TransformView table. The dialog's OnApply and
// deltalens-cli both call it.
//
// Invariants of one run:
//   1. The package and the transform are never changed on disk: the package
//      is opened in place in transacted mode and nothing is committed; no
//      working copy is made.
//   2. The change list holds only this run's rows: it is emptied first, and a
//      run that fails leaves it empty.
//   3. No installer handle is open when the run returns.
//   4. The list is refreshed after it was emptied and after every appended
//      row, so a list control on screen shows the rows as they arrive and
//      never holds an entry that has been destroyed.
#pragma once

#include <functional>
#include <string>

class CEntryList;
class CStringArrayEntry;

namespace deltalens {

// How a run ended. Failures have been told to the user already.
enum class ApplyOutcome {
    kListed,           // the changes are in the list; none for a transform that changes nothing
    kOpenFailed,       // the package could not be opened (the open-error message was told)
    kTransformFailed,  // the transform could not be applied (its message was told)
};

// The two messages a run can tell, and the box type they go with. Both say
// too little (the open error guesses at causes, the transform error is a
// number): each comes with the real cause as its detail.
inline constexpr const char* kOpenErrorText =
    "Error opening MSI database!\n\nPossible causes:\n\t- File is read-only.\n\t- File is opened "
    "by another process.\n\t- Another version is already installed.";
inline constexpr const char* kTransformErrorFormat = "Error applying transform. (%d)";
inline constexpr unsigned kStopIcon = 0x10;

// Where a run tells the user about failures: the text and the message-box
// type (buttons and icon). With neither function set: a message box, with
// the detail behind its details button.
using TellUser = std::function<void(const std::string& text, unsigned type)>;
// The same with the real cause behind a fixed text, in one line ("" when
// there is none to give): the command line prints it under the text, a
// dialog puts it in the box's details.
using TellUserWithDetail =
    std::function<void(const std::string& text, unsigned type, const std::string& detail)>;
// Called whenever the list has changed; the list control refreshes itself
// from the list here. Empty: nothing to refresh (the CLI).
using RefreshList = std::function<void()>;
// Receives each change as it is read, when set: the change then goes there
// instead of into the list, which stays empty, so that a long listing is
// never held whole (the command line prints such rows as they come). The
// entry is only valid during the call.
using TakeChange = std::function<void(const CStringArrayEntry& change)>;

// Set `tell_with_detail` to receive the causes; without it `tell` gets the
// text alone.
struct ApplyFeedback {
    TellUser tell;
    RefreshList refresh;
    TellUserWithDetail tell_with_detail;
    TakeChange take_change;
};

// Tells `text` (and its cause) through whichever of the feedback's
// functions is set. The other Deltalens commands tell through it too.
void TellFeedback(const ApplyFeedback& feedback, const std::string& text, unsigned type,
                  const std::string& detail = "");

// Lists the changes `transform_path` makes to `package_path` in `changes`,
// which must already have its column names (NameChangeColumns). The list
// owns the rows it is given; the rows of an earlier run are destroyed.
ApplyOutcome ApplyTransformView(const std::string& package_path, const std::string& transform_path,
                                CEntryList& changes, const ApplyFeedback& feedback = {});

// "Error applying transform. (<result>)" for an installer result code.
std::string TransformErrorText(unsigned result);

// What an installer result of applying a transform means, in words ("the
// transform does not fit this package"), followed by `reason` (the engine's
// own words) when there is one: the cause under the fixed text.
std::string TransformFailureCause(unsigned result, const std::string& reason);

}  // namespace deltalens
