// Small text files the show keeps beside its script (the tweaks file):
// reading one whole, and replacing one atomically.
//
// WriteFileAtomically writes the text to a temporary file in the same folder
// ("<path>.<process id>.tmp"), flushes it to the disk and renames it over
// `path`, so the file is at every moment either the old one or the new one,
// whole. Any failure (a folder that cannot be written, a full disk, a path
// that is a folder) leaves the old file as it was, removes the temporary
// file and says why.
#pragma once

#include <cstddef>
#include <string>

enum class TextFileRead { Ok, Missing, Failed };

// Reads the whole file into `text`. Missing: no such file (`text` empty).
// Failed, with the reason in `error`: a folder, a pipe or a device,
// unreadable, or larger than `limit` bytes.
TextFileRead ReadTextFile(const std::string& path, std::string& text, std::string& error,
                          size_t limit = 16u << 20);

// False, with the reason in `error`, when the file could not be replaced.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string& error);
