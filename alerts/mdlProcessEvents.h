#pragma once
// Process, program and component events of the engine: the running-process
// list (arrProcessList), the active marks of listed programs, the rights an
// answered access request gives a program, and the components programs load.
#include <cstdint>
#include <string>

#include "alerts/mdlEventGlobals.h"
#include "alerts/mdlEventReader.h"

namespace mv {

// The handlers of the four non-packet kinds.
void ProcessStartEvent(const tEventRecord& record);   // "NP"
void ProcessEndEvent(const tEventRecord& record);     // "DP"
void ProcessModuleEvent(const tEventRecord& record);  // "NM"
void ProcessAccessEvent(const tEventRecord& record);  // "CR"

// The process list. Process IDs are compared as text, ignoring case; the
// list holds at most one element per process ID.
// Appends the process unless its ID is listed; 0.
int AddInProcssList(const std::string& pid, const std::string& path);
// The path stored for the process ID, "" when it is not listed.
std::string getProcessName(const std::string& pid);
// The index of the process ID's element; when it is missing and `add` is
// set, the index of the element appended for it; otherwise 0.
std::int16_t IsPIDExist(const std::string& pid, const std::string& path, bool add);
// Removes the process ID's element. "-2": the ID was not listed; "-1": a
// process of `path` is still listed; "0": removed, its program is not in the
// program list; otherwise `path`: removed, a listed program with no process
// left.
std::string RemoveFromProcssList(const std::string& pid, const std::string& path);

// Marks the listed program with that path as running or not, in memory and
// on the program-control page.
void ActivateProgram(const std::string& path);
void DeActivateProgram(const std::string& path);

// 1-based positions of the first program (by display name or by path) and
// of the first component (by path), ignoring case; 0 when none.
long CheckIn_ListExist_byName(const std::string& name);
long CheckIn_ListExist_byPath(const std::string& path);
long CheckIn_ComponentListExist(const std::string& path);

}  // namespace mv
