// The user's and the system's folders, and folder creation. Every folder path ends with '/'.
#pragma once

#include <string>

namespace Zorva::Platform {

// The user's documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs, else $HOME/Documents.
// Empty (with errno set) when no home folder is known.
std::string DocumentsFolder();

// $TMPDIR when set, else /tmp.
std::string TemporaryFolder();

// Creates one folder. Returns 0 on success, EEXIST when something of that name exists already,
// or another errno value.
int MakeFolder(const std::string& path);

// Creates a folder and any missing parents; 0 when the folder exists afterwards.
int MakeFolderTree(const std::string& path);

// Creates a folder only the user can enter (mode 0700). An existing entry is accepted only when it
// is a real folder (not a link) owned by the user with no access for group or others.
// Returns 0 or an errno value (EEXIST for an entry that is not acceptable).
int MakePrivateFolder(const std::string& path);

// The per-user settings root ($XDG_CONFIG_HOME, else $HOME/.config) and the machine-wide one
// (the first folder of $XDG_CONFIG_DIRS, else /etc/xdg), each ending with '/'.
std::string UserConfigFolder();
std::string MachineConfigFolder();

// The running user's home folder ($HOME, else the password database), ending with '/'.
std::string HomeFolder();

} // namespace Zorva::Platform
