// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// Path routines of the file dialog. Paths are bytes with "/" between folders; nothing here converts
// them. The size of a file is FileAccess::FileSizeOf.

// "" stays ""; a path ending in "/" is returned unchanged; otherwise "/" is appended.
std::string WithTrailingSlash(const std::string& path);
// "" stays ""; one trailing "/" is removed (so "/" becomes "").
std::string WithoutTrailingSlash(const std::string& path);
// An entry that is no directory exists under the name; a broken symbolic link is not found.
bool FileFound(const std::string& path);
// The name is not empty and the folder can be listed ("" after the trailing slash is gone: the root).
bool DirectoryFound(const std::string& dir);
// The name after the last "/", cut before its first dot (the name with its dots is NamePart).
std::string FileTitle(const std::string& path);

// "?" anywhere, or "*" without a double quote.
bool IsWildcard(std::string_view text);
// Whether a file name matches a pattern of "*" and "?", letters compared without regard to ASCII case.
// A pattern ending in ".*" also matches the names without an extension, so "*.*" matches every name.
bool MatchesMask(std::string_view name, std::string_view mask);

// text as a full path: "~" and "~/..." start in home, a relative text is taken against base, and "."
// and ".." are resolved by the names alone (".." of the root is the root). A text naming a folder by
// its form (a trailing "/", a last part "." or "..", "~" alone) keeps a trailing "/", so that its
// name part is empty.
std::string ExpandPath(const std::string& text, const std::string& base, const std::string& home);
// The folder part with its trailing "/", and the name after it.
std::string DirectoryPart(const std::string& path);
std::string NamePart(const std::string& path);
// The folder above dir, or the folder that holds a file, written without a trailing "/"; the root stays
// the root.
std::string ParentDirectory(const std::string& dir);
