#include "core/mdlFileProperty.h"

#include <cstdio>

#include "core/mdlMain.h"
#include "platform/FileInfo.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

namespace mv {

FileInfoRec tblFileInfo;

namespace {

// A version string is copied into a buffer of 255 characters with its NUL.
constexpr size_t kVersionStringMax = 254;

struct VersionField {
  const char* name;
  std::string FileInfoRec::*field;
  bool fallsBackToFileName;  // a rejected text becomes the file name, not ""
};

// In the order the strings are read.
const VersionField kVersionFields[] = {
    {"CompanyName", &FileInfoRec::CompanyName, false},
    {"FileDescription", &FileInfoRec::FileDescription, true},
    {"FileVersion", &FileInfoRec::FileVersion, false},
    {"InternalName", &FileInfoRec::InternalName, true},
    {"LegalCopyright", &FileInfoRec::LegalCopyright, false},
    {"OriginalFileName", &FileInfoRec::OriginalFileName, true},
    {"ProductName", &FileInfoRec::ProductName, false},
    {"ProductVersion", &FileInfoRec::ProductVersion, false},
};

// Divides by 1024, rounding to the nearest whole number, a half to the even one.
std::uint64_t divide1024(std::uint64_t n) {
  std::uint64_t q = n / 1024, r = n % 1024;
  if (r > 512 || (r == 512 && (q & 1))) ++q;
  return q;
}

std::string sizeText(std::uint64_t size) {
  if (size <= 1024) return std::to_string(size) + " bytes";
  std::uint64_t k = divide1024(size);
  if (k <= 1024) return std::to_string(k) + " KB";
  return std::to_string(divide1024(k)) + " MB";
}

Date calendarDate(std::int64_t fileTime) {
  platform::DateTime t = platform::utcDateTime(fileTime);
  return Date{t.year, t.month, t.day};
}

// Only plain characters up to "z" pass: a text with any byte above 122
// (accented letters, symbols, "{", "|", "}", "~") is rejected.
bool passesCharacterFilter(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) > 122) return false;
  return true;
}

void useNameForDisplayNames(const std::string& name) {
  tblFileInfo.ProductName = name;
  tblFileInfo.FileDescription = name;
  tblFileInfo.OriginalFileName = name;
}

void describeByNameOnly(const std::string& path, const std::string& name) {
  tblFileInfo.FullPath = path;
  useNameForDisplayNames(name);
  tblFileInfo.SizeText = "0 Byte";
}

void readVersionStrings(const std::string& path, const std::string& name) {
  auto resource = platform::readVersionResource(path);
  if (!resource || resource->translations.empty()) {
    useNameForDisplayNames(name);
    return;
  }
  auto [language, codePage] = resource->translations.front();
  char key[9];
  std::snprintf(key, sizeof key, "%08X", (static_cast<unsigned>(language) << 16) | codePage);
  for (const VersionField& f : kVersionFields) {
    std::string text;
    auto found = resource->strings.find(std::string("\\StringFileInfo\\") + key + "\\" + f.name);
    if (found != resource->strings.end()) {
      text = found->second.substr(0, found->second.find('\0'));
      if (text.size() > kVersionStringMax) text.resize(kVersionStringMax);
    }
    if (!passesCharacterFilter(text)) text = f.fallsBackToFileName ? name : "";
    tblFileInfo.*(f.field) = text;
  }
  if (Trim(tblFileInfo.FileDescription).empty()) tblFileInfo.FileDescription = tblFileInfo.OriginalFileName;
  if (Trim(tblFileInfo.ProductName).empty()) tblFileInfo.ProductName = tblFileInfo.OriginalFileName;
}

}  // namespace

void getFileProperty(const std::string& strPath) {
  // Nothing of the previous file survives into this one's record.
  tblFileInfo = FileInfoRec{};
  try {
    std::string name = platform::fileNamePart(strPath);
    tblFileInfo.FileName = name;
    platform::FileDetails details;
    if (!platform::fileExists(strPath) || !platform::readFileDetails(strPath, details)) {
      describeByNameOnly(strPath, name);
      return;
    }
    tblFileInfo.FullPath = strPath;
    tblFileInfo.LastModified = calendarDate(details.lastModified);
    tblFileInfo.LastAccessed = calendarDate(details.lastAccessed);
    // An unknown creation time leaves the date empty, as for a file that
    // could not be read.
    if (details.created != 0) tblFileInfo.Created = calendarDate(details.created);
    tblFileInfo.SizeBytes = static_cast<std::int64_t>(details.size);
    tblFileInfo.SizeText = sizeText(details.size);
    readVersionStrings(strPath, name);
  } catch (const std::exception& e) {
    WriteErrorLog(e, "getFileProperty of mdlFileProperty");
  }
}

void ShowFileProperties(const std::string& strPath) { platform::showPropertiesSheet(strPath); }

}  // namespace mv
