#pragma once

#include <string>
#include <string_view>

namespace quilvane {

// The names the program gives the temporary files of a replace: hidden,
// saying whose they are, ".quilvane-XXXXXXXXXX.tmp" with ten random digits
// and small letters. One left behind by a crash is never taken for a
// document, and is known again by its name to be removed.
std::string NewTemporaryName();
bool IsTemporaryName(std::string_view name);

}  // namespace quilvane
