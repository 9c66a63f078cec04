// Copying texts returned by the interface library.
#include "library_contract.h"

std::string CopyLibraryText(const char* text) {
  char buffer[kLibraryTextLimit];
  return std::string(buffer, CopyLibraryTextInto(text, buffer));
}

extern "C" std::uint32_t LIBRARY_CALL CopyLibraryTextInto(const char* text, char* buffer) {
  std::uint32_t length = 0;
  if (text == nullptr) return length;
  while (length < kLibraryTextLimit && text[length] != '\0') {
    buffer[length] = text[length];
    ++length;
  }
  return length;
}
