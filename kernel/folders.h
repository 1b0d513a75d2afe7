// The program's folders: the resource root beside the executable, the user's folders under the
// documents folder, and the per-run temporary folder. Every folder path ends with '/'.
#pragma once

#include <string>
#include <vector>

namespace Zorva {

std::u16string GetExecutablePath();
// The parent of the folder that holds the executable.
std::u16string GetProgramRoot();
std::u16string GetResourceRoot();
std::u16string GetUserFolder();
std::u16string GetUserVersionFolder();

// The executable path in the given form with its last two elements removed, plus '/'; throws
// NoDataFound "Incorrect path" when there are fewer than two elements above the file.
std::u16string ProgramRootOf(const std::u16string& executablePath);

// Appends each part to `base` in turn and creates that folder; an existing folder is fine.
// Throws IOError "Create Dir: " + the path so far on any other failure.
std::u16string MakeFolders(const std::u16string& base, const std::vector<std::u16string>& parts);

// The last element of a path, lower-cased (A-Z only).
std::u16string FileNameLower(const std::u16string& path);

// The temporary folder of this run, created private to the user; a member of the kernel object.
class CTemporaryFolder {
public:
    CTemporaryFolder(); // throws IOError "Get Temporary Folder"
    const std::u16string& Path() const { return path_; }

private:
    std::u16string path_;
    std::u16string second_;
    unsigned long long stamp_ = 0;
};

// "ZorvanBook" and fourteen digits of local time, fixed at the first call in the process.
const std::u16string& TemporaryFolderName();

} // namespace Zorva
