// The fakes that unit tests link in place of the platform's user-facing pieces and of the
// generated tables: a scripted user (message boxes and the directory dialog), a recorder of
// everything the installer showed, started, sent to the shell or asked to quit, a clock that
// records its sleeps, a desktop of titled windows, and settings and a payload table that tests
// change. Everything observable lands in one ordered event log, and one Reset, run before every
// test, puts every fake back as it was.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

#include "product/installer_settings.h"
#include "product/payload_table.h"
#include "shell/dde_client.h"

namespace fake {

/// Puts every fake back as at the start of a test: forgets the event log, the messages, the
/// scripted answers and dialog steps and every injected failure (thread starts included); the
/// shell answers DDE again, the desktop has no windows, the settings are the sample's and the
/// payload is empty. A listener runs it before every test; a test calls it to start over.
void Reset();

/// Everything observable since Reset, in order, as short texts: "message:<caption>",
/// "sleep:<ms>", "start:<path>", "progress:create", "progress:<text shown>" (the window's
/// updates; "progress(stray):<text>" for a handle that is not the window's),
/// "progress:destroy", "verification:create", "verification:<text shown>",
/// "verification:destroy", "dialog:open:<text>", "dialog:ok:<text>", "dialog:cancel",
/// "dialog:cannot-show", "dde:start", "dde:connect", "dde:connect(refused)",
/// "dde:execute <command>", "dde:disconnect", "dde:stop", "enumerate", "quit:<title>",
/// "link:[all users ]<folder>\<group>\<name> -> <target> in <directory>" (a Start menu item the
/// installer made itself), "unlink:<folder>\<group>\<name>".
std::vector<std::string>& Events();

// ---- the user: message boxes --------------------------------------------------------------

/// One message box as the installer showed it.
struct ShownMessage {
  std::string caption;
  std::string text;
  unsigned style;
  const void* owner;  // the owner window handed in (null when none)
};

/// Queues the answer to the next message box (kAnswer* values). With no answer queued an OK
/// box is answered OK and a Yes/No box No, so an unscripted question never counts as assent.
void AnswerNext(int answer);

/// Every message box shown since Reset, in order.
const std::vector<ShownMessage>& Messages();

// ---- the user: the directory dialog ---------------------------------------------------------
// The dialog plays its script through the OK check it was handed, as the window would; an
// unscripted dialog is cancelled, so a test that forgets a step ends instead of looping.

/// Queues a press of OK with the text currently in the edit box.
void DialogOk();
/// Queues replacing the edit box text with `text`, then a press of OK.
void DialogOk(const std::string& text);
/// Queues a press of Cancel.
void DialogCancel();
/// Makes the next opening of the dialog fail, as if the template could not be loaded.
void DialogCannotShow();
/// The text in the edit box at each opening of the dialog, in order.
const std::vector<std::string>& DialogProposals();
/// The owner handed to the most recent opening (null when none or never opened).
const void* DialogOwner();

// ---- the shell and the desktop ------------------------------------------------------------------

/// Whether a shell answers the DDE client's conversations (true after Reset). When it does not,
/// a conversation is recorded as "dde:connect(refused)", "dde:disconnect" and the command
/// returns null.
void ShellAnswersDde(bool answers);
/// Whether the shell answers now; a shell that answers has made the Start menu's items too.
bool ShellAnswersDdeNow();
/// The connection rule handed to the most recent StartDdeClient (null before any).
ConnectionRule DdeConnectionRule();
/// The commands executed since Reset, in order, taken from Events().
std::vector<std::string> ExecutedCommands();

/// Whether the Installed-apps entry's key is another program's (false after Reset): then writing
/// the entry records "entry:another program's <root>\<key>" and answers EntryOfAnotherProgram.
void EntryKeyOfAnotherProgram(bool another);

/// Makes `titles` the desktop's top-level windows, in enumeration order (none after Reset).
void UseWindows(const std::vector<std::string>& titles);

// ---- the clock ------------------------------------------------------------------------------------
// SleepMilliseconds only records "sleep:<ms>"; MillisecondCount stands still unless told.

/// Makes every reading of MillisecondCount come `milliseconds` after the one before (0 after
/// Reset), so that work that reads the clock as it goes seems to take that long per reading.
void AdvanceClockOnEachReading(unsigned milliseconds);

// ---- the process's rights ----------------------------------------------------------------------

/// Whether the process runs elevated (ProcessIsElevated; false after Reset). RunElevatedCopy
/// records "elevate <arguments>" and answers that the user declined.
void RunElevated(bool elevated);

// ---- the heap and the threads -----------------------------------------------------------------
// ProcessorCount answers 4, so every extraction runs on threads; they are real ones.

/// Makes one AllocateMemory call fail: the next one, or the one after `after` more that succeed.
void FailNextAllocation(int after = 0);

/// Makes StartThread fail, from the next start on or after `after` more that succeed, until Reset.
void FailThreadStarts(int after = 0);

/// Threads started and not joined yet. A message box shown while one runs fails the test.
int RunningThreads();

// ---- the settings and the payload table -----------------------------------------------------

/// The settings the installer sees; Reset restores the Tovalin values of the sample product.
extern SettingsRecord Settings;

/// One product file for UseFiles.
struct ProductFile {
  std::string name;
  std::string contents;
};

/// Packs `files` the way the packaging tool does (30,000-byte pieces, one zlib stream each,
/// checksums recorded) and makes them the installer's PayloadTable.
void UseFiles(const std::vector<ProductFile>& files);

/// The stored compressed bytes of a piece, for tests that damage the installer. After changing
/// a piece's length, call ResizePiece so the table agrees.
std::vector<unsigned char>& Piece(int file, int chunk);
void ResizePiece(int file, int chunk, size_t size);

/// Recomputes a piece's recorded checksum, so damage that the checksum cannot see is modelled.
void RecheckPiece(int file, int chunk);

/// Deterministic bytes that compress only partly, like real program files, so pieces have a
/// realistic size. The same `size` and `seed` always give the same bytes.
std::string PartlyCompressibleBytes(size_t size, unsigned seed);

// ---- each fake's own part of Reset --------------------------------------------------------------

void ResetUser();
void ResetDialog();
void ResetShell();
void ResetDesktop();
void ResetInstalledApps();
void ResetTables();
void ResetThreads();

}  // namespace fake
