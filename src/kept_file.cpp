// The kept files' lines read one by one, tolerantly, and the files written whole.
#include "kept_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "files.h"

const int MAX_LINE = 200;                        // longest line a kept file may hold, bytes
const char *const TEMPORARY_SUFFIX = ".partial"; // the new file's name while it is written

// Hands one line to `take` as its name and value; a blank line or a comment is taken as it
// is, and a line without "=" is not understood.
static bool read_line(char *line, bool (*take)(const char *name, const char *value, void *into),
                      void *into) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0' || line[0] == '#')
        return true;
    char *value = std::strchr(line, '=');
    if (!value)
        return false;
    *value++ = '\0';
    return take(line, value, into);
}

// Reads the rest of a line too long for the buffer, so that the next read starts a new line.
static void skip_rest_of_line(std::FILE *file) {
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
    }
}

void read_kept_file(const char *path, bool (*take)(const char *name, const char *value, void *into),
                    void *into) {
    std::FILE *file = std::fopen(path, "r");
    if (!file && errno != ENOENT)
        std::fprintf(stderr, "haystack: ignoring %s: %s\n", path, std::strerror(errno));
    if (!file)
        return; // none kept, or none readable: what it would hold stays as it was
    char line[MAX_LINE];
    for (int number = 1; std::fgets(line, sizeof line, file); number++) {
        bool whole = std::strchr(line, '\n') || std::feof(file);
        if (!whole)
            skip_rest_of_line(file);
        if (!whole || !read_line(line, take, into))
            std::fprintf(stderr, "haystack: %s, line %d is not understood; passed over\n", path,
                         number);
    }
    if (std::ferror(file))
        std::fprintf(stderr, "haystack: %s could not be read to its end\n", path);
    std::fclose(file);
}

bool write_kept_file(const char *path, void (*print)(std::FILE *file, const void *from),
                     const void *from) {
    char partial[MAX_PATH_LENGTH];
    if (std::snprintf(partial, sizeof partial, "%s%s", path, TEMPORARY_SUFFIX) >= MAX_PATH_LENGTH ||
        !make_folder_for(path))
        return false;
    std::FILE *file = std::fopen(partial, "w");
    if (!file)
        return false;
    print(file, from);
    bool written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (written && replace_file(partial, path))
        return true;
    std::remove(partial);
    return false;
}

bool kept_file_beside(const char *file, const char *name, char *path, size_t size) {
    const char *slash = std::strrchr(file, '/');
    const char *backslash = std::strrchr(file, '\\');
    const char *end = backslash && (!slash || backslash > slash) ? backslash + 1
                      : slash                                    ? slash + 1
                                                                 : file;
    int length = std::snprintf(path, size, "%.*s%s", int(end - file), file, name);
    return file[0] && length > 0 && size_t(length) < size;
}
