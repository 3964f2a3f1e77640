// The system's value scrambling: every character code is shifted by the code
// of a key character, the key cycling from its second character, modulo 256.
#include "core/mdINIBas.h"

namespace mv {
namespace {
std::string shift(const std::string& text, const std::string& key, int direction) {
  if (key.empty()) return text;
  std::string out(text.size(), '\0');
  const size_t len = key.size();
  for (size_t i = 0; i < text.size(); ++i) {
    // Position i (from 0) uses key character ((i + 1) mod len) + 1, counted
    // from 1: so the key runs 2, 3, ..., len, 1, 2, ...
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned char k = static_cast<unsigned char>(key[(i + 1) % len]);
    out[i] = static_cast<char>(static_cast<unsigned char>(c + direction * k));
  }
  return out;
}
}  // namespace

std::string EncryptString(const std::string& text, const std::string& key) { return shift(text, key, 1); }
std::string DecryptString(const std::string& text, const std::string& key) { return shift(text, key, -1); }

bool ScrambledEquals(const std::string& scrambled, const std::string& plain, const std::string& key) {
  if (scrambled.size() != plain.size()) return false;
  if (key.empty()) return scrambled == plain;
  const size_t len = key.size();
  for (size_t i = 0; i < plain.size(); ++i) {
    unsigned char k = static_cast<unsigned char>(key[(i + 1) % len]);
    if (static_cast<unsigned char>(scrambled[i] - k) != static_cast<unsigned char>(plain[i])) return false;
  }
  return true;
}

}  // namespace mv
