// The files the game keeps between games (the settings, the best times): "name=value" a line,
// read tolerantly and written whole to a temporary file beside the old one, which it replaces.
#pragma once

#include <cstddef>
#include <cstdio>

#include "files.h" // MAX_PATH_LENGTH, and where the files lie

// Reads a kept file of "name=value" lines, handing each line's name and value to `take` with
// `into`; blank lines and lines starting with "#" are passed over quietly. A missing file reads
// as empty, quietly; a line without "=", one `take` refuses, or one too long to be read, is
// passed over with one line on standard error naming it.
void read_kept_file(const char *path, bool (*take)(const char *name, const char *value, void *into),
                    void *into);

// Writes a kept file through `print`, given `from`, creating its folder if need be: the whole
// file to a temporary file beside it, which then replaces it, so that no reader ever sees half
// a file. False, with the file left as it was, when it could not be written.
bool write_kept_file(const char *path, void (*print)(std::FILE *file, const void *from),
                     const void *from);

// The path of the file `name` in the folder holding `file`; false when it does not fit in
// `size` bytes.
bool kept_file_beside(const char *file, const char *name, char *path, size_t size);
