// Copying the current colour to the clipboard.
#pragma once

#include <stddef.h>
#include <stdint.h>

// A new text: two uppercase hexadecimal digits per byte, the upper four bits
// first, in the order of the bytes. The caller releases it with free.
char *BytesToHexText(const uint8_t *bytes, size_t count);

// Form 1, the only one the program uses: the colour's four bytes, least
// significant first, as eight hexadecimal digits. Confirms with a box.
void CopyColourToClipboard(int32_t form);
