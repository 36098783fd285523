// Cutting an executable's full path down to its directory.
#pragma once

#include <stddef.h>

// Returns the length of the directory part of path: everything before the
// last separator. The scan steps over double-byte characters (a byte for
// which is_lead_byte is true takes the next byte with it), so a trail byte
// that equals the separator is never taken for one. Returns 0 when path has
// no separator. is_lead_byte may be null for single-byte encodings.
size_t ProgramDirectoryLength(const char *path, char separator, bool (*is_lead_byte)(unsigned char));

// A new text: directory, the platform's separator, then file_name.
char *JoinDirectoryAndFile(const char *directory, const char *file_name);
