#pragma once
// File and folder operations on paths as the system writes them.
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace mv::platform {

bool fileExists(const std::string& path);    // a file or a folder (PathFileExists)
bool folderExists(const std::string& path);
bool makeFolder(const std::string& path);    // one level, as MkDir
bool deleteFile(const std::string& path);
bool copyFile(const std::string& from, const std::string& to);
// Gives a file or folder a new name (the new name must not be taken).
bool renameFile(const std::string& from, const std::string& to);
// Replaces the file's content in one step (temporary file and rename).
bool writeFileAtomic(const std::string& path, const std::string& bytes);
// The same for a content given in pieces, written one after another: a large
// text made of parts is not copied into one string first.
bool writeFileAtomic(const std::string& path, const std::vector<std::string_view>& pieces);
bool readFile(const std::string& path, std::string& bytes);
bool appendToFile(const std::string& path, const std::string& bytes);
// Cuts a file back to its first `size` bytes.
bool truncateFile(const std::string& path, std::uint64_t size);
// What a reader that follows a growing file needs: the file's identity and
// size, and its bytes from `offset` up to the size seen.
struct FileTail {
  bool exists = false;
  std::uint64_t device = 0, inode = 0, size = 0;
  std::string bytes;
};
// Reads from `offset` to the end, or `maxBytes` of it when the rest is longer
// (size says how long the file is).
FileTail readFileTail(const std::string& path, std::uint64_t offset,
                      std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max());
// The names (not paths) of the files in a folder.
std::vector<std::string> listFiles(const std::string& folder);
bool setReadOnly(const std::string& path, bool readOnly);
// Read-only attribute: the file exists and its owner may not write it.
bool isReadOnlyFile(const std::string& path);

// The same on native paths, for the layers that keep files of their own
// (profile cache, registry). A write goes to a temporary file that is
// flushed to disk and renamed over the old one, so a reader or a crash never
// sees half a file; a read-only file is refused.
bool readNativeFile(const std::string& nativePath, std::string& bytes);
bool writeNativeFileAtomic(const std::string& nativePath, const std::string& bytes);

// What the kernel tells of a file without reading it: its identity, size and
// times (nanoseconds since the epoch). exists is false for a missing file or
// one that is not a regular file.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0, inode = 0, size = 0;
  long long mtimeNs = 0, ctimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp nativeFileStamp(const std::string& nativePath);

// writeNativeFileAtomic that also signs the new file: its modification time
// is set to the real time to the nanosecond, a value that no later change by
// anyone leaves behind (the kernel stamps a change with its own clock's
// reading). `written` gets the stamp of the file now in place when it is
// provably the one just written and signed, else a stamp with exists false.
bool writeNativeFileAtomic(const std::string& nativePath, const std::string& bytes, FileStamp& written);

// Makes a file's bytes durable (a native path; a link is not followed).
void syncNativeFile(const std::string& nativePath);
// The function syncNativeFile calls; a test puts in one that also notes
// what was synced. Null takes the real one back.
void setFileSyncer(std::function<void(const std::string& nativePath)> syncer);
// Makes the renames and removals in a folder (native path) durable.
void syncNativeFolder(const std::string& nativeFolder);
// Removes a file (native path) durably: its folder is synced after the
// removal. True when the file is gone (also when it was not there).
bool removeNativeFile(const std::string& nativePath);

// Removes the temporary files ("NAME.~PID") that writes in the folder left
// behind when their writer was killed. A writer holds a lock on its
// temporary file until the file is in place, so a file that nobody holds,
// and that is older than the moment between its creation and its lock, is
// left over, whatever its process ID names (a process ID of another PID
// namespace, or one used again). This one removes those of the one file
// `path` (a path as the system writes it) beside it, and no other file of
// its folder. Returns how many were removed.
int removeStaleTemporaryFilesOf(const std::string& path);
// Those of every file in the folder and every folder below it: for the
// program folder, where every such name is one of ours. A link is entered
// only where it is a folder the program writes its own files through (its
// settings folder, its system directory and their folders: see
// programFileFolders); no other link is followed.
int removeStaleTemporaryFilesBelow(const std::string& folder);

}  // namespace mv::platform
