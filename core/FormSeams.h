#pragma once
// What the forms layer puts in place before anything runs: the platform
// seams that show windows, and the hooks of the windows that modules open
// themselves (login, progress) and of the page lists.
namespace mv {

void InstallFormSeams();

}  // namespace mv
