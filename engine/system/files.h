// Files, folders, the per-user folders and web addresses. Paths may use "/"
// or "\"; every operation normalises them first.
#pragma once

#include <string>

// Every "\" becomes "/"; network and drive forms are completed; for folder
// operations a trailing "/" is removed unless the path is a root.
std::string NormalisePath(const std::string& path, bool folder = false);

// 0 nothing there, 1 a file, 2 a folder.
int PathKind(const std::string& path);
int MakeFolder(const std::string& path, int recurse = 0);
int RemoveFile(const std::string& path);
// With recurse, removes what the folder holds first; a symbolic link is removed, never followed.
int RemoveFolder(const std::string& path, int recurse = 0);
int EnterFolder(const std::string& path);
std::string CurrentFolder();
std::string AbsolutePath(const std::string& path);

// The per-user application-data folder, no trailing separator.
std::string GetUserAppDir();
// The folder of the executable, "/"-separated.
std::string ProgramFolder();

// Opens an address with the default program; a local name that exists becomes a
// "file:" address. Always returns 0.
int OpenURL(const std::string& url);

// Text conversions: UTF-8 <-> UTF-16 code units, and 8-bit characters.
std::u16string Utf8ToText(const std::string& utf8);
std::string TextToUtf8(const std::u16string& text);
