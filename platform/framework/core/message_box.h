// Message boxes without a window system of their own.
//
// AfxMessageBox hands the text and type to the handler set with
// fw::SetMessageBoxHandler. The GUI installs a handler that shows a real modal
// box; tests and command-line programs install one that records what was shown.
// With no handler the text goes to standard output unchanged, followed by a
// line feed, and the answer is IDOK.
//
// A box may carry a detail besides its text: the real cause behind a message
// whose words are fixed (the system's text for an error, the table that
// failed). A window shows it behind a details button; without a handler it
// follows the text on a line of its own.
#pragma once

#include <functional>
#include <string>

// Buttons (low four bits of the type).
#ifndef MB_OK
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_ABORTRETRYIGNORE 0x00000002u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_RETRYCANCEL 0x00000005u
// Icons (bits 4 to 7 of the type).
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONINFORMATION 0x00000040u
#define MB_ICONASTERISK MB_ICONINFORMATION
#define MB_TYPEMASK 0x0000000Fu
#define MB_ICONMASK 0x000000F0u
#endif

// Answers.
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#endif

// Shows `text` with the buttons and icon of `type`; returns the button chosen
// (IDOK, IDYES ...). help_id is accepted for the callers' sake and unused.
int AfxMessageBox(const std::string& text, unsigned type = MB_OK, unsigned help_id = 0);

// The program's file name without folder and extension: the caption of
// message boxes. fw::SetAppName replaces it.
std::string AfxGetAppName();

namespace fw {

// AfxMessageBox with a detail; an empty detail is none.
int MessageBoxWithDetail(const std::string& text, unsigned type, const std::string& detail);

// Shows a box and returns the answer (IDOK ...). `detail` is empty for none.
using MessageBoxHandler =
    std::function<int(const std::string& text, unsigned type, const std::string& detail)>;

// Installs the handler that AfxMessageBox calls; returns the previous one.
// An empty handler restores the standard-output behaviour.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Whether the program has an application object (the GUI); the report
// operations show boxes only then. The application object sets it.
bool HasApplicationObject();
void SetApplicationObjectPresent(bool present);

void SetAppName(std::string name);

}  // namespace fw
