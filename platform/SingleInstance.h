#pragma once
// One running instance per program folder: a lock on a file in the program
// folder, held until the process ends.
#include <string>

namespace mv::platform {

// True when this process now holds the lock named `name`; false when another
// running process holds it.
bool acquireSingleInstance(const std::string& name);
// Gives the lock up (tests, or a program that ends without exiting).
void releaseSingleInstance();

// True when a running process holds the lock named `name` in the program
// folder (this process too, where it took it). Only looks: the lock is never
// taken, not even for a moment, so a program starting meanwhile is never
// turned away by the look.
bool instanceRunning(const std::string& name);

}  // namespace mv::platform
