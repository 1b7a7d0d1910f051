#pragma once

#include <windows.h>

#include <string_view>

namespace quilvane::win32 {

// Shows the beginning of a document's bytes in the read-only Rich Edit
// control `view`: as much as DocumentText gives (kDisplayLimit), decoded as
// code page 936, in place of what it showed before; with the note that there
// is more where the document goes on past `bytes`.
void ShowDocument(HWND view, std::string_view bytes, bool more);

// Shows the list of several files chosen at once (UTF-8 lines) in `view`.
void ShowFileList(HWND view, std::string_view lines);

}  // namespace quilvane::win32
