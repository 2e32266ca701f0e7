// The words in which instpack's messages quote a text and say what is wrong with a name.
#pragma once
#include <string>
#include <string_view>

#include "product/names.h"

/// Returns `text` in double quotes with quotes, backslashes and control characters escaped, so
/// that a message quoting it stays on one line.
std::string QuoteForMessage(std::string_view text);

/// What is wrong with a name, in the words of instpack's messages ("contains '?'", "reserved
/// device name", ...); empty for NameFine.
std::string DescribeNameProblem(const NameProblem& problem);
