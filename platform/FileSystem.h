#pragma once
// File and folder operations on paths as the system writes them.
#include <string>
#include <vector>

namespace mv::platform {

bool fileExists(const std::string& path);    // a file or a folder (PathFileExists)
bool folderExists(const std::string& path);
bool makeFolder(const std::string& path);    // one level, as MkDir
bool deleteFile(const std::string& path);
bool copyFile(const std::string& from, const std::string& to);
// Replaces the file's content in one step (temporary file and rename).
bool writeFileAtomic(const std::string& path, const std::string& bytes);
bool readFile(const std::string& path, std::string& bytes);
bool appendToFile(const std::string& path, const std::string& bytes);
// The names (not paths) of the files in a folder.
std::vector<std::string> listFiles(const std::string& folder);
bool setReadOnly(const std::string& path, bool readOnly);

}  // namespace mv::platform
