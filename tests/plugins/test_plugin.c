/* An image plug-in for the plug-in decoder's tests, built four ways (PLUGIN_VARIANT_A, _B, _MUTE,
   _LAME). It reads a made-up format: four bytes of magic, the depth (8, 24 or 32; 0 claims a picture
   of 100000 x 100000), the width and the height, then the DIB's pixel data as it is to be handed on.
   Every call, and the library's loading and unloading, is written as a line to plugins.log beside
   the library, so that the tests see what the engine asked and in what order. */
#define _GNU_SOURCE
#include "graphics/picture_plugin_abi.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(PLUGIN_VARIANT_A)
#define PLUGIN_NAME "A"
#define PLUGIN_MAGIC "APIC"
#elif defined(PLUGIN_VARIANT_B)
#define PLUGIN_NAME "B"
#define PLUGIN_MAGIC "BPIC"
#elif defined(PLUGIN_VARIANT_MUTE)
/* Exports no IsSupported: never asked. */
#define PLUGIN_NAME "MUTE"
#define PLUGIN_MAGIC "MPIC"
#define PLUGIN_WITHOUT_IS_SUPPORTED
#else
/* Accepts its pictures but exports no GetPicture. */
#define PLUGIN_NAME "LAME"
#define PLUGIN_MAGIC "LPIC"
#define PLUGIN_WITHOUT_GET_PICTURE
#endif

static void log_line(const char* text)
{
    Dl_info self;
    if (!dladdr((void*)&log_line, &self) || !self.dli_fname)
        return;
    const char* slash = strrchr(self.dli_fname, '/');
    int const folder_length = slash ? (int)(slash - self.dli_fname) : 0;
    char path[4096];
    snprintf(path, sizeof path, "%.*s/plugins.log", folder_length, self.dli_fname);
    FILE* log = fopen(path, "a");
    if (!log)
        return;
    fprintf(log, "%s %s\n", PLUGIN_NAME, text);
    fclose(log);
}

__attribute__((constructor)) static void on_load(void)
{
    log_line("load");
}

__attribute__((destructor)) static void on_unload(void)
{
    log_line("unload");
}

int IsSupported(const char* path, const void* head);
int GetPictureInfo(const void* buffer, int32_t length, uint32_t flag, PictureInfo* info);
int GetPicture(const void* buffer, int32_t length, uint32_t flag, void** bitmap_info, void** bits,
    ProgressCallback progress, intptr_t user_data);

#ifndef PLUGIN_WITHOUT_IS_SUPPORTED
int IsSupported(const char* path, const void* head)
{
    /* All 2048 bytes the interface promises are read. */
    const unsigned char* bytes = head;
    unsigned long sum = 0;
    for (int i = 0; i < 2048; ++i)
        sum += bytes[i];
    char line[600];
    snprintf(line, sizeof line, "IsSupported %s %lu", path, sum);
    log_line(line);
    /* Every variant accepts "ZPIC", the picture whose plug-in the search order decides. */
    return memcmp(bytes, PLUGIN_MAGIC, 4) == 0 || memcmp(bytes, "ZPIC", 4) == 0;
}
#endif

int GetPictureInfo(const void* buffer, int32_t length, uint32_t flag, PictureInfo* info)
{
    const unsigned char* bytes = buffer;
    char line[100];
    snprintf(line, sizeof line, "GetPictureInfo %d %u", (int)length, (unsigned)flag);
    log_line(line);
    if (length < 7)
        return 1;
    info->width = bytes[4] == 0 ? 100000 : bytes[5];
    info->height = bytes[4] == 0 ? 100000 : bytes[6];
    info->colour_depth = bytes[4];
    info->info_text = strdup("made up");
    return 0;
}

#ifndef PLUGIN_WITHOUT_GET_PICTURE
int GetPicture(const void* buffer, int32_t length, uint32_t flag, void** bitmap_info, void** bits,
    ProgressCallback progress, intptr_t user_data)
{
    const unsigned char* bytes = buffer;
    char line[100];
    snprintf(line, sizeof line, "GetPicture %d %u %s %ld", (int)length, (unsigned)flag,
        progress ? "progress" : "null", (long)user_data);
    log_line(line);
    if (length < 7)
        return 1;
    int const depth = bytes[4];
    int const width = bytes[5];
    int const height = bytes[6];
    /* An 8-bit picture gets a grey ramp of 256 entries. */
    int const palette = depth == 8 ? 256 : 0;
    unsigned char* header = calloc(1, 40 + 4 * (size_t)palette);
    int32_t const stride = (width * depth + 31) / 32 * 4;
    size_t const size = (size_t)stride * (size_t)height;
    unsigned char* pixels = calloc(1, size ? size : 1);
    if (!header || !pixels) {
        free(header);
        free(pixels);
        return 1;
    }
    int32_t const fields[] = { 40, width, height };
    memcpy(header, fields, sizeof fields);
    header[12] = 1;
    header[14] = (unsigned char)depth;
    for (int i = 0; i < palette; ++i)
        memset(header + 40 + 4 * i, i, 3);
    size_t const available = (size_t)length - 7;
    memcpy(pixels, bytes + 7, available < size ? available : size);
    *bitmap_info = header;
    *bits = pixels;
    return 0;
}
#endif
