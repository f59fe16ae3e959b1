// Folders and paths, by characters: a double-byte character whose second
// byte is that of a backslash (表 in code page 932) is one character here.
#ifndef AUTORUN_PATHS_H
#define AUTORUN_PATHS_H

#include <string>

namespace autorun {

// The longest path Windows takes (with the \\?\ prefix), and so the longest
// value of Kelbit.ini that the launcher uses.
constexpr std::size_t kLongestText = 32767;

// The current folder, where the launcher was started: the disc's root. A
// drive root keeps its backslash (D:\). Fatal when it cannot be read.
std::wstring CurrentFolder();

// The Windows folder and the system folder. Fatal when they cannot be read.
std::wstring WindowsFolder();
std::wstring SystemFolder();

// The file this launcher runs from.
std::wstring ThisProgram();

// A name under a folder, with exactly one backslash between them.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

// A path as a message shows it: long ones are shortened in the middle.
std::wstring Shown(const std::wstring& path);

// A command-line word in double quotes.
inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace autorun

#endif
