#pragma once
// Private-profile (INI file) access with the behaviour the system expects of
// the Windows functions: section and key names matched without regard to
// case, blanks around names and values trimmed, enclosing quotes, comment
// lines, a missing file read as empty and created on write, CR LF line ends.
// A write changes only the lines it concerns and replaces the file
// atomically. Reads are served from a cache that is checked against the
// file's identity, size and modification time on every call.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ChangeRecord.h"
#include "platform/FileSystem.h"

namespace mv::platform {

struct ProfileEntry {
  std::string key;    // as written in the file, trimmed
  std::string value;  // decoded value ("" when the line has no "=")
  bool hasEquals = false;
};

struct ProfileSection {
  std::string name;
  std::vector<ProfileEntry> entries;  // in file order; comment lines excluded
  const ProfileEntry* find(const std::string& key) const;
};

// An immutable picture of one file's content.
class ProfileData {
 public:
  const ProfileSection* section(const std::string& name) const;
  const std::vector<ProfileSection>& sections() const { return sections_; }
  std::optional<std::string> value(const std::string& section, const std::string& key) const;

 private:
  friend class ProfileFile;
  std::vector<ProfileSection> sections_;
  std::vector<std::pair<std::string, size_t>> index_;  // lower-case name -> section, sorted
};

// The current content of `file` (a path as the system writes it). A missing
// file gives an empty picture. The picture stays valid while it is held.
std::shared_ptr<const ProfileData> profileRead(const std::string& file);

// The picture of a settings file's text that is not (yet) a file.
std::shared_ptr<const ProfileData> profileParseText(const std::string& text);

// The value of a key, or nothing when the file, section or key is missing.
std::optional<std::string> profileGetString(const std::string& section, const std::string& key,
                                            const std::string& file);

// Writes a key (creating section and file as needed). Returns false when the
// file could not be written (read-only file, missing folder, I/O error).
bool profileWriteString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file);
// Writes several keys of one section in one replace of the file.
bool profileWriteKeys(const std::string& section, const std::vector<std::pair<std::string, std::string>>& pairs,
                      const std::string& file);
// Removes one key; a missing key, section or file is left as it is.
bool profileDeleteKey(const std::string& section, const std::string& key, const std::string& file);
// Removes a section with all its lines.
bool profileDeleteSection(const std::string& section, const std::string& file);
// Removes several sections in one replace of the file: all go or none.
bool profileDeleteSections(const std::vector<std::string>& sections, const std::string& file);
// Replaces the section's entries by the given key/value pairs (the section is
// created at the end of the file when it does not exist; no pairs empties it).
bool profileWriteSection(const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& pairs,
                         const std::string& file);
// Replaces the whole file by `text`, comment lines and all (during a change,
// held as any write is, so later writes and reads of the change build on it).
bool profileWriteFile(const std::string& file, const std::string& text);

// A change of several writes that must come back whole across a crash.
//
// While a ProfileChange lives, the program folder's write lock is held
// (ChangeRecord.h), every write of this layer is held in memory instead of
// being written, and every read sees the held writes (reads of other files
// see them as they are on disk, since no other process writes meanwhile).
// commit() then stores them: first a record of the whole change (the new
// bytes of every file it touches) in one atomic write, then each file, then
// the removals, and last the record goes. A kill before the record is in
// place leaves every file as it was; a kill after it leaves the record, and
// whoever takes the lock next (the next start, at the latest) writes the
// change to its end. A change that touches one file only is written without
// a record: one atomic replace is already whole. Every file of a recorded
// change lies in the program folder.
//
// Changes made while another lives join it: only the outermost commits.
// Nothing that may run the event loop (a message box) belongs inside one,
// since whatever a timer wrote meanwhile would be held with it.
class ProfileChange {
  // Taken first, released last.
  FolderWriteLock lock_;

 public:
  ProfileChange();
  // A change that was not committed is dropped: the files stay as they are
  // and the held pictures are forgotten.
  ~ProfileChange();
  ProfileChange(const ProfileChange&) = delete;
  ProfileChange& operator=(const ProfileChange&) = delete;

  // A whole file that is not a settings file, replaced with the change (a
  // path as the system writes it).
  void writeFile(const std::string& path, std::string bytes);
  // A file removed with the change, after every write.
  void removeFile(const std::string& path);
  // A file moved to another place with the change, before every write: its
  // bytes are written there and the old name goes (the bytes do not pass
  // through the record). Outside the program folder, only a log's place is
  // moved, from one that a setting names to one that the change names.
  void moveFile(const std::string& from, const std::string& to);

  // Stores the change. Before anything is written it is refused when one of
  // its files is read-only or unreadable, or when another process's write
  // held the folder too long (folderLockRanOut). When a write fails, the
  // files already written are put back. False in both cases: failedFile()
  // names the file as the caller named it, and no file holds the change.
  // Where a file cannot be put back either, the change is written to its end
  // at once and stands (true); when that fails too, false with pending():
  // its record stays, and whoever takes the folder's lock next (this
  // program's next write, another program's, the next start) completes it.
  // True when it joined an outer change.
  bool commit();
  const std::string& failedFile() const { return failed_; }
  bool pending() const { return pending_; }

 private:
  bool outermost_ = false;
  bool committed_ = false;
  bool pending_ = false;
  std::string failed_;
};

// Writes a change to its end when a kill left its record behind
// (finishChangeRecord). Returns true when it finished one; a damaged record
// is moved aside, not applied.
bool profileFinishPendingChange();

// How many times this process found a settings file changed by another
// process since it last read or wrote it (a count that only grows). A
// window that notes it before it reads what it shows knows, by a larger
// count later, that what it shows may have been overtaken.
std::uint64_t profileOutsideChanges();
// Looks at the files (paths as the system writes them) now, so that a
// change another process made to one of them since this process last read
// it is counted; returns the count afterwards.
std::uint64_t profileLookForOutsideChanges(const std::vector<std::string>& files);

// Forgets every cached file (tests that change files behind the cache's back
// within one clock tick).
void profileClearCache();

}  // namespace mv::platform
