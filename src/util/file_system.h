#pragma once

#include <string>

namespace cz {

// Why a file operation failed (an errno value), in words for the user; the system's own text for
// rare errors.
std::string fileErrorText(int error);

// One of the user's folders after the XDG base directory rules: the value of `variable` when it
// is an absolute path, else `homeRelative` inside the home folder (for example
// ("XDG_DATA_HOME", ".local/share")). The home folder is $HOME, or the user database's entry when
// HOME is unset or empty. Returns empty text when no home folder can be found.
std::string xdgUserFolder(const char* variable, const char* homeRelative);

}  // namespace cz
