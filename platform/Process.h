#pragma once
// Starting a console program without a shell and collecting what it writes.
// The command line is split into the program and its arguments by the rules
// Windows programs use for theirs; the program is looked for in the program
// folder, then in the system directory, then along PATH.
#include <chrono>
#include <string>
#include <vector>

namespace mv::platform {

// Splits a command line into words: blanks separate words, double quotes
// group blanks into a word, a backslash escapes a quote (2n backslashes
// before a quote give n backslashes, 2n+1 give n and a literal quote), and
// backslashes elsewhere stand for themselves.
std::vector<std::string> splitCommandLine(const std::string& commandLine);

// The native path of the program a command names, or "" when there is none.
// A name holding a folder ("\" or "/") is taken as a path; a bare name is
// looked for, without regard to case, in the program folder and then in the
// system directory, and then, exactly, in each folder of PATH.
std::string findProgram(const std::string& name);

// Whether the file at `nativePath` is a regular file (links followed) that
// this process may run.
bool isRunnableFile(const std::string& nativePath);

// The program `name` (a bare name) as a search along `pathVariable` finds it:
// in the first of its folders (separated by ":", an empty one standing for
// the current folder) that holds it as a runnable regular file. Its path
// there, folder & "/" & name; "" when no folder holds it or the list is
// empty.
std::string findOnPath(const std::string& name, const std::string& pathVariable);
// The folders a program is looked for in: PATH, or the usual folders of
// programs when it is not set.
std::string searchPathVariable();

enum class CommandStatus { Finished, NotStarted, TimedOut };

struct CommandResult {
  CommandStatus status = CommandStatus::NotStarted;
  std::string output;  // every byte the command wrote into the pipe, in order
};

// Runs the command line with its standard output and/or standard error
// written into one pipe (both into the same pipe when both are asked for, so
// the two arrive in the order written) and standard input empty. Window
// events keep running while it waits. The call returns when every writer has
// closed the pipe; when that has not happened within the time limit, the
// command and the processes it started are ended and the status is TimedOut.
CommandResult runCommand(const std::string& commandLine, bool captureOutput, bool captureError,
                         std::chrono::milliseconds timeLimit);

// A program's path and its arguments as execve and posix_spawn take them
// (argv, ended by a null pointer), byte for byte. Made before fork, as the
// new process may only read it.
class ChildArguments {
 public:
  ChildArguments(const std::string& program, const std::vector<std::string>& arguments) : words_{program} {
    words_.insert(words_.end(), arguments.begin(), arguments.end());
    for (std::string& word : words_) pointers_.push_back(word.data());
    pointers_.push_back(nullptr);
  }
  ChildArguments(const ChildArguments&) = delete;
  ChildArguments& operator=(const ChildArguments&) = delete;
  char* const* argv() const { return pointers_.data(); }

 private:
  std::vector<std::string> words_;
  std::vector<char*> pointers_;
};

}  // namespace mv::platform
