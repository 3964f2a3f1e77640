#pragma once
// File properties: the file-information record of one file (name, path,
// size, dates, version strings) and the file's properties sheet.
#include <cstdint>
#include <string>

#include "core/VBRuntime.h"

namespace mv {

struct FileInfoRec {
  std::string ProductName;
  std::string FileVersion;
  Date LastAccessed;  // calendar dates of the file times in UTC
  Date LastModified;
  Date Created;
  std::string SizeText;  // "0 Byte" for a missing file, else "n bytes", "n KB" or "n MB"
  std::string CompanyName;
  std::string FileDescription;  // the program's display name
  std::string InternalName;
  std::string LegalCopyright;
  std::string OriginalFileName;
  std::string ProductVersion;
  std::string FullPath;
  std::int64_t SizeBytes = 0;
  std::string FileName;
};

// The record of the file of the last getFileProperty call.
extern FileInfoRec tblFileInfo;

// Fills tblFileInfo afresh for the file. A file that is missing or cannot be
// opened is described by its name alone; a file without a version resource
// gets its name as product name, description and original file name.
void getFileProperty(const std::string& strPath);

// Opens the file's properties sheet; nothing happens when it cannot be shown.
void ShowFileProperties(const std::string& strPath);

}  // namespace mv
