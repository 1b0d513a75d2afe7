// Whole-file reads, crash-safe replacement of a file, removal and folder listing, over POSIX.
// Every result is 0 or an errno value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorva::Platform {

// Reads exactly `size` bytes from the start of the file; a file shorter than that fails (EIO).
int ReadFileBytes(const std::string& path, std::uint8_t* out, std::size_t size);

// Writes the bytes to a new temporary file in the same folder, flushes it to disk and renames it
// over `path`, then flushes the folder. Whatever happens, `path` holds either its old contents or
// the new ones; on failure the temporary file is removed.
int ReplaceFileContents(const std::string& path, const std::uint8_t* data, std::size_t size);

int RemoveFile(const std::string& path);

// True when `path` names a regular file (links followed).
bool IsRegularFile(const std::string& path);

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0;
};

// The folder's entries without "." and "..", in the order the system lists them. Returns the error
// of opening the folder; an error met while listing it is left in `readError`, with the entries
// listed before it.
int ListFolder(const std::string& folder, std::vector<FolderEntry>& entries, int& readError);

} // namespace Zorva::Platform
