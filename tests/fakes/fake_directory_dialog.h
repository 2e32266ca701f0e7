// A scripted directory dialog for unit tests: it plays typed texts, OK and Cancel through the
// real OK check, as the window would, and records what it showed in the event log.
#pragma once
#include <string>
#include <vector>

namespace fake {

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

}  // namespace fake
