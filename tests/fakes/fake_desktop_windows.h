// A fake desktop for unit tests: a list of top-level window titles, with quit requests and
// enumerations recorded in fake::Events() as "enumerate" and "quit:<title>".
#pragma once
#include <string>
#include <vector>

namespace fake {

/// Makes `titles` the desktop's top-level windows, in enumeration order. The list outlives
/// fake::Reset(), so a test that sets it must clear it again (UseWindows({})) when it ends.
void UseWindows(const std::vector<std::string>& titles);

}  // namespace fake
