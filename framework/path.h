#pragma once
// Paths as text: a path's folder and file name, and the rule for a name read from a file (a
// resource string, a table row) that is joined to a folder. No Windows header: the medium's
// parsers use it and also build natively for fuzzing.
#include <string>

namespace fw {

// Paths of this many characters or more do not open without the long-path prefix.
constexpr size_t kMaxPathChars = 260;

// A path's file name (after the last "\", "/" or drive colon), and its drive and folder up to
// and including the last separator ("D:" alone for "D:name").
std::wstring FileNameOfPath(const std::wstring& path);
std::wstring FolderOfPath(const std::wstring& path);
// The extension of the path's file name with its dot (".log"), or the empty string.
std::wstring ExtensionOfPath(const std::wstring& path);
// The path without that extension ("C:\Logs\setup" of "C:\Logs\setup.log").
std::wstring WithoutExtension(const std::wstring& path);

// True when the name, joined to a folder, stays below it: relative ("ENU\Bkgnd.bmp"), with no
// drive or stream (":"), no leading separator, no empty, "." or ".." part (nor one that Windows
// would make so by dropping its trailing dots and blanks), no device name (CON, NUL, COM1, ...
// with or without an extension), and no character a file name cannot hold.
bool IsNameBelowFolder(const std::wstring& name);

// The folder (ending with its separator) and the name, or the empty string when the name does
// not stay below the folder or the whole path would not open (kMaxPathChars or more).
std::wstring JoinBelow(const std::wstring& folder, const std::wstring& name);

}  // namespace fw
