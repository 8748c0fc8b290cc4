// SPDX-License-Identifier: GPL-3.0-or-later
/* libposteri-image: a photo file (JPEG or PNG) drawn into a memory bitmap, for other programs.
 *
 * Bitmaps are 32-bit (blue, green, red, reserved) and known by handles; 0 is no bitmap. Every
 * function answers 0 for a null pointer, a bad length or an unknown handle, and never crashes on
 * them. The functions may be called from several threads. */
#ifndef POSTERI_IMAGE_H
#define POSTERI_IMAGE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Loads a photo and draws it.
 *
 * file: a string handle, that is a pointer to the name's 8-bit characters (Windows-1252) with the
 *   name's length in bytes stored as a 32-bit integer in the 4 bytes before them. An empty name
 *   takes the image (PNG or JPEG) on the desktop's clipboard and empties the clipboard.
 * bitmap: 0 makes a new bitmap holding the whole photo at its own size, upright. Otherwise the
 *   photo is drawn into that bitmap: with fit 0 stretched over all of it; with any other fit at the
 *   largest size that keeps its proportions, centred, after the bitmap is cleared to background.
 * background: a colour reference 0x00BBGGRR, or -2 to leave the bitmap's pixels as they are.
 *
 * Returns the handle of the bitmap drawn into, 0 when no image could be loaded; a photo of more
 * than 64 000 000 pixels is not loaded. */
int32_t fGDIp_2hBMP(const char* file, int32_t bitmap, int32_t fit, int32_t background);

/* A new black bitmap; 0 for an empty size or one larger than memory allows. */
int32_t posteri_create_bitmap(int32_t width, int32_t height);

/* The bitmap's width and height; 0 for an unknown handle. */
int32_t posteri_bitmap_width(int32_t bitmap);
int32_t posteri_bitmap_height(int32_t bitmap);

/* Copies the bitmap as BitmapBits into buffer: width and height (32-bit little-endian), then the
 * pixels row by row from the top, each blue, green, red, 0. Returns the length of the bits
 * (8 + 4 x width x height); when capacity is smaller, nothing is copied, so a first call with a
 * null buffer asks for the length. 0 for an unknown handle. */
int64_t posteri_bitmap_bits(int32_t bitmap, unsigned char* buffer, int64_t capacity);

/* Releases the bitmap. Returns 1, or 0 for an unknown handle. */
int32_t posteri_free_bitmap(int32_t bitmap);

#ifdef __cplusplus
}
#endif

#endif
