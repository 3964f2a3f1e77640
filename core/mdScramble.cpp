// The system's value scrambling: every character code is shifted by the code
// of a key character, the key cycling from its second character, modulo 256.
#include "core/mdINIBas.h"

namespace mv {
namespace {
std::string shift(const std::string& text, const std::string& key, int direction) {
  if (key.empty()) return text;
  std::string out(text.size(), '\0');
  const size_t len = key.size();
  // Position i (from 0) uses key character ((i + 1) mod len) + 1, counted
  // from 1: so the key runs 2, 3, ..., len, 1, 2, ... (k follows it without
  // a division per character).
  size_t k = len > 1 ? 1 : 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    out[i] = static_cast<char>(static_cast<unsigned char>(c + direction * static_cast<unsigned char>(key[k])));
    if (++k == len) k = 0;
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
  size_t k = len > 1 ? 1 : 0;  // the key position as shift() runs it
  for (size_t i = 0; i < plain.size(); ++i) {
    if (static_cast<unsigned char>(scrambled[i] - static_cast<unsigned char>(key[k])) !=
        static_cast<unsigned char>(plain[i]))
      return false;
    if (++k == len) k = 0;
  }
  return true;
}

}  // namespace mv
