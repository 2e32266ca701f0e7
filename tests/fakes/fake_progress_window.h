// A recording stand-in for the progress window in unit tests: "progress:create",
// "progress:<text>" for each update and "progress:destroy" go to fake::Events(), and the texts the
// percentage control would show are kept.
#pragma once
#include <string>
#include <vector>

namespace fake {

/// Every text the window's percentage control has shown since the window was last created, in
/// order: the template's initial text, then each update as the real window formats it.
const std::vector<std::string>& ProgressTexts();

}  // namespace fake
