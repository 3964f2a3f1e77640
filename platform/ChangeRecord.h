#pragma once
// One writer at a time in a program folder, and the record that keeps a
// change of several files whole across a crash.
//
// The front end and the wizard are separate programs that may run at once on
// one folder. Every write of a settings file, every change of several files
// and the start's finishing of a change hold the folder's write lock
// (FolderWriteLock), so that no process reads a file half-way through another
// one's change of it, writes over a change that is being made, or finishes a
// change that is still being made.
//
// A change of several files first writes its record (the new bytes of every
// file it touches, the files it removes) in one atomic write, then each file,
// then the removals, and last removes the record. A record found on disk was
// left by a process that ended before it was done: whoever takes the lock
// next finishes it before anything else is written, so no later write is
// ever undone by it.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace mv::platform {

// Holds the program folder's write lock for its lifetime (nested holders in
// one process share it). Taking it waits in turn behind other processes'
// writes (the kernel's queue of waiters, no polling), a few seconds at most;
// held() is false when that wait ran out, and the caller then writes
// nothing. A user action waits once: after a wait ran out, the action's
// later takings do not wait (folderLockRanOut). A timer's tick or an engine
// event never waits (BackgroundWork, Events.h): it takes the lock only when
// it is free. At most one wait of this process is under way at a time: a
// wait that ran out is taken up again by the next one. Right after the lock
// is taken, a record left on disk is finished.
class FolderWriteLock {
 public:
  FolderWriteLock();
  // Waits `wait` at most, calling `whileWaiting` about ten times a second
  // while it waits (to keep a window painted).
  explicit FolderWriteLock(std::chrono::milliseconds wait, const std::function<void()>& whileWaiting = {});
  ~FolderWriteLock();
  FolderWriteLock(const FolderWriteLock&) = delete;
  FolderWriteLock& operator=(const FolderWriteLock&) = delete;
  bool held() const { return held_; }

 private:
  bool held_ = false;
};

// True while a wait for the lock ran out in the user action under way (until
// the window's events run idle again, outside any message box the action
// shows): what the action could not store is then told as another Morvantis
// program's saving of the settings, not as a file that cannot be written.
bool folderLockRanOut();
// True when the last taking of the lock was refused: another process held
// it, or the record of an unfinished change could not be read. What was not
// written then failed for the lock, not for its file.
bool folderLockRefused();
// True while the record of an unfinished change could not be read when the
// lock was last taken (no descriptor left, no permission, an error of the
// disk): nothing is written until it can be, since its completion at a
// later start would undo what was written meanwhile. `why` gets the
// system's reason.
bool changeRecordUnread(std::string* why = nullptr);
// True while the record of a change left to be completed could not be
// completed when the lock was last taken (a file of it cannot be written):
// it stays, and nothing is written until a later taking completes it.
// `files` gets the files it could not write (native paths).
bool changeRecordKept(std::vector<std::string>* files = nullptr);
// How many waits for the lock this process has entered (tests).
std::uint64_t folderLockWaits();

// Replaces a file of the folder by its new bytes (a native path), through the
// writer a test may replace. `written` gets the new file's stamp when it is
// provably the one just written (FileSystem.h), else exists is false.
bool replaceFolderFile(const std::string& native, const std::string& bytes, FileStamp& written);
bool replaceFolderFile(const std::string& native, const std::string& bytes);

// The function that replaces a settings file by its new bytes (a native
// path); a test puts in one that fails, as a full disk or an end of the
// program between two writes would. Null takes the real one back.
using ProfileFileWriter = std::function<bool(const std::string& native, const std::string& bytes)>;
void setProfileFileWriter(ProfileFileWriter writer);

// Reads a settings file's bytes (a native path) for this layer's pictures
// and changes, through the reader a test may replace.
bool readFolderFile(const std::string& native, std::string& bytes);
// The function that reads them; a test puts in one that fails, as a file
// that exists and cannot be read would. Null takes the real one back.
using ProfileFileReader = std::function<bool(const std::string& native, std::string& bytes)>;
void setProfileFileReader(ProfileFileReader reader);

// One entry of a change's record: a file's new content, a file removed, or
// a file moved to another place (`bytes` then holds the new place; the
// content does not pass through the record).
struct ChangeRecordEntry {
  enum Kind { Write, Remove, Move } kind = Write;
  std::string native, bytes;
};

// Writes the record of a change (the lock must be held). A file inside the
// program folder is named relative to it, so that a folder moved before the
// next start finishes the change in itself.
bool writeChangeRecord(const std::vector<ChangeRecordEntry>& entries);

// Moves a file (native paths), as a record's replay does: its bytes are
// written at the new place, then the old name goes. A move whose file is
// gone already is done, and a new place that begins with every byte of the
// file is kept as it is (the copy was made; the old file lost what a power
// cut took of its end). False when it could not be read, written or removed.
bool moveFolderFile(const std::string& from, const std::string& to);

// A finished record writes and removes only the program's own files (its
// settings files, password file and registry file, by the names its writes
// resolve them to, wherever those lead), and the logs a setting names: the
// places this function gives (native paths) for a record's entries, the one
// the settings on disk name (where the log is until it is moved) and those
// the record's own settings name, each compared as its real place. It moves
// the log from a place the settings on disk name onto a place the record
// names (replacing what is there, as the user's own move of the log does),
// and writes a log file there that is missing or empty or holds the
// beginning of the record's bytes; it writes, moves and removes nothing
// else. The program sets it; without it no log is touched.
struct ChangeLogPlaces {
  std::vector<std::string> onDisk, recorded;
};
void setChangeLogPlaces(std::function<ChangeLogPlaces(const std::vector<ChangeRecordEntry>&)> places);
// Removes the record of a change that is done, durably (or empties it where
// the folder does not let it go).
void removeChangeRecord();
// True when the last change this process stored (under the lock it took
// last) failed but left its record on disk: a change that whoever takes the
// lock next completes. A record of another program, or one left finished in
// a folder that does not let it go, does not count.
bool changeRecordLeft();
void noteChangeRecordLeft();
// The function that removes or empties a record; a test puts in one that
// fails, as in a folder and record that cannot be written. A record that
// stays after it was finished is remembered as finished (beside it, or in a
// plain folder of the program's files it wrote, never through a link) and
// never applied again. Null takes the real
// one back.
void setChangeRecordRemover(std::function<bool(const std::string& native)> remover);

// What finishing a record found on disk did.
struct ChangeFinish {
  bool found = false;     // a record was there, and applied or set aside
  bool finished = false;  // every one of its writes and removals is done
  int written = 0;        // how many of its steps were done
  // The files it could not write or remove (native paths); the rest of the
  // change was written. A step it may not take (a file that is not one of
  // the program's) is dropped, and the record is gone all the same.
  std::vector<std::string> notWritten;
  // A step could not be done now (a file that cannot be written): the
  // record stays, and nothing is written until a later finish completes it.
  bool kept = false;
  // A record that could not be opened or read now (no descriptor left, an
  // error of the disk): left in place for the next start, and nothing is
  // written until it is finished. unreadError: the system's error (errno).
  bool unread = false;
  int unreadError = 0;
  // A record that could not be read as one of ours (damaged, not a regular
  // file, too large, a step out of the folder in a name): never applied,
  // and kept under this name beside it (every one under a name of its own)
  // when it could be moved aside.
  bool damaged = false;
  std::string keptAs;
  // The lock could not be taken within the wait: another process's write
  // went on all that time, and its record (if any) was not looked at.
  bool lockRanOut = false;
};
// Takes the lock (waiting `wait` at most, see FolderWriteLock) and finishes a
// record left on disk, as each program's start does before reading any
// settings.
ChangeFinish finishChangeRecord(std::chrono::milliseconds wait = std::chrono::milliseconds(3000),
                                const std::function<void()>& whileWaiting = {});
// Called with the result whenever a record was found and finished, whoever
// took the lock (the program sets it to log what happened).
void setChangeFinishReporter(std::function<void(const ChangeFinish&)> reporter);

// The record's file (native path), in the program folder.
std::string profileChangeRecordPath();

}  // namespace mv::platform
