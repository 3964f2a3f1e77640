#pragma once
// The program's string table: the footer texts of the pages, by number.
#include <string>

namespace mv {

// The text under the number; "" for a number the table does not hold.
std::string LoadResString(int id);

}  // namespace mv
