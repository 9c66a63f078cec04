// The output log's text put on the clipboard, for a colleague or the hardware maker's support.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// Puts 8-bit `text` on the clipboard as CF_TEXT and, converted from the system's ANSI code page,
// as CF_UNICODETEXT, for `owner`; false when it could not. Another program holding the clipboard
// open gets a few brief retries; after them, or when memory runs short, the clipboard is left as
// it was. Once emptied for the text, it is left empty should either form fail to go on it.
bool PutTextOnClipboard(HWND owner, std::string_view text);
