// Copying texts returned by the interface library.
#include "library_contract.h"

std::string CopyLibraryText(const char* text) {
  std::string copy;
  if (text == nullptr) return copy;
  for (std::size_t i = 0; i < kLibraryTextLimit && text[i] != '\0'; ++i) copy.push_back(text[i]);
  return copy;
}
