// Files, folders, the per-user folders and web addresses. Paths may use "/"
// or "\"; every operation normalises them first.
#pragma once

#include <string>

// Every "\" becomes "/"; "//server" gets its closing "/"; with folder set, a
// trailing "/" is removed unless the path is a root ("/", "//server/"). There
// are no drives here, so "C:name" stays an ordinary relative name.
std::string NormalisePath(const std::string& path, bool folder = false);

// 0 nothing there, 1 a file, 2 a folder.
int PathKind(const std::string& path);
// Results are 1 for success, 0 for failure.
// recurse: makes every missing folder of AbsolutePath(path); 0 when a file is in the way.
int MakeFolder(const std::string& path, int recurse = 0);
// 1 when nothing is at path afterwards; a folder is never removed, a link itself is.
int RemoveFile(const std::string& path);
// With recurse, removes what the folder holds first; a symbolic link is removed,
// never followed, and nothing outside the folder is touched. 0 when the folder
// cannot be listed, and for the root "/" with recurse. 1 when nothing is at path afterwards.
int RemoveFolder(const std::string& path, int recurse = 0);
int EnterFolder(const std::string& path);
// The current folder, "/"-separated; empty when the system cannot tell.
std::string CurrentFolder();
// "/" paths stay, relative ones are joined to the current folder; "." and ".."
// segments and repeated "/" are resolved, and no trailing "/" is kept.
std::string AbsolutePath(const std::string& path);

// The per-user application-data folder, no trailing separator: $XDG_DATA_HOME
// when absolute, else the home folder + "/.local/share".
std::string GetUserAppDir();
// The folder of the executable, "/"-separated.
std::string ProgramFolder();

// Opens an address with the default program; a local name that exists becomes a
// "file:" address. Always returns 0.
int OpenURL(const std::string& url);

// Text conversions between UTF-8 and UTF-16 code units. Broken UTF-8 and lone
// surrogates become U+FFFD.
std::u16string Utf8ToText(const std::string& utf8);
std::string TextToUtf8(const std::u16string& text);
