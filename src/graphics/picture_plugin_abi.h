/* The image plug-in interface: the C functions that a "*.spi" shared library exports for the picture
   decoder, and the record it fills. docs/plugins.md describes the whole contract. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Filled by GetPictureInfo. The engine zeroes it before the call and uses only width and height. */
typedef struct PictureInfo {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint16_t x_density;
    uint16_t y_density;
    int16_t colour_depth;
    /* Text about the picture in a block from malloc, or null; the engine frees it with free(). */
    void* info_text;
} PictureInfo;

/* The engine passes no progress callback; the type is here for the signature's sake. */
typedef int (*ProgressCallback)(int done, int total, intptr_t user_data);

/* Non-zero when the plug-in reads the picture. `path` is the picture's engine path (Shift-JIS bytes,
   "\" between folders); `head` holds the file's content and is at least 2048 bytes long, zero beyond
   the end of the file. */
typedef int (*IsSupportedFunction)(const char* path, const void* head);

/* `buffer` holds the file's `length` bytes; `flag` is 1 (the input is in memory). The result is
   ignored. */
typedef int (*GetPictureInfoFunction)(const void* buffer, int32_t length, uint32_t flag, PictureInfo* info);

/* Decodes the picture: 0 on success, with *bitmap_info pointing to a BITMAPINFO (header, masks, colour
   table) and *bits to the pixel data, both blocks from malloc, which the engine frees with free()
   after it has unloaded the plug-in. `progress` is null and `user_data` 0. */
typedef int (*GetPictureFunction)(const void* buffer, int32_t length, uint32_t flag, void** bitmap_info,
    void** bits, ProgressCallback progress, intptr_t user_data);

#ifdef __cplusplus
}
#endif
