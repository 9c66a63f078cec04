// The log as one text, as it is copied to the clipboard and saved to a file.
#pragma once

#include <string>
#include <vector>

#include "output_log.h"

// The lines as they stand, CR LF between them, without the empty current line at the end.
std::string LogText(const std::vector<std::string>& lines);
std::string LogText(const ListControl& log);
