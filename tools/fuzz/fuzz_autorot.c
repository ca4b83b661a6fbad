/*
 * libFuzzer target: one buffer through what jhead.exe -autorot does with an
 * untrusted photo, built natively with AddressSanitizer and
 * UndefinedBehaviorSanitizer (tools/fuzz.sh):
 *   - jhead's reading: ReadJpegSections over the buffer, which parses the
 *     Exif block (and its maker notes, GPS and IPTC) as it goes;
 *   - when that finds a photo to turn, the whole turn of autorot-core.c:
 *     segment layout, the Exif block found by its place, orientation and
 *     size edits, the thumbnail put back, XMP orientation, Multi-Picture
 *     offsets and the assembly of the output.
 * jpegtran is not ours to fuzz: the stand-in turn hands back the picture it
 * was given, which is a picture the turn then lays out like any other.
 */
#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "jhead.h"

#include "autorot-core.h"
#include "autorot-jhead.h"

extern int NumOrientations; /* exif.c */

/* jhead ends the process on an error it cannot go past (ErrFatal); the
   patch has it call AutorotBailOut first, which comes back here instead, as
   jhead.exe's guard does for one photo. */
static jmp_buf Back;
static int Armed;

void AutorotBailOut(void)
{
    if (Armed) {
        Armed = 0;
        longjmp(Back, 1);
    }
}

/* jhead.c's -autorot calls these; nothing here reaches them. */
int AutorotFile(const char *FileName, int TagOnly, int Quiet)
{
    (void)FileName, (void)TagOnly, (void)Quiet;
    abort();
}
void AutorotGuard(const char *FileName, void (*Process)(const char *))
{
    (void)FileName, (void)Process;
    abort();
}
int AutorotFinish(void) { abort(); }
void AutorotReadOnly(const char *FileName)
{
    (void)FileName;
    abort();
}

static const char *SamePicture(void *context, const char *transform, int thumbnail, const unsigned char *jpeg,
                               size_t size, ArBuffer *out)
{
    (void)context, (void)transform, (void)thumbnail;
    out->Data = malloc(size ? size : 1);
    if (!out->Data) return "out of memory";
    memcpy(out->Data, jpeg, size);
    out->Size = size;
    return NULL;
}

/* As jhead.c's ProcessFile starts each file. */
static void Reset(void)
{
    ResetJpgfile();
    Clear_EXIF();
    memset(&ImageInfo, 0, sizeof(ImageInfo));
    ImageInfo.FlashUsed = -1;
    ImageInfo.MeteringMode = -1;
    ImageInfo.Whitebalance = -1;
}

int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f;
    int read = 0;

    if (size == 0) return 0;
    Reset();
    f = fmemopen((void *)data, size, "rb");
    if (!f) return 0;
    /* volatile: read again after a longjmp out of ReadJpegSections. */
    {
        volatile int ok = 0;
        if (setjmp(Back) == 0) {
            Armed = 1;
            ok = ReadJpegSections(f, READ_METADATA);
        }
        Armed = 0;
        read = ok;
    }
    fclose(f);
    if (read) {
        Section_t *exif = FindSection(M_EXIF);
        ArExif found;
        if (ImageInfo.Orientation != 1 && NumOrientations > 0 && exif && AutorotExifFindings(exif, &found)) {
            ArBuffer out = {NULL, 0};
            const char *note = NULL;
            if (ArTurnPhoto(data, size, &found, 0, SamePicture, NULL, &out, &note) == NULL &&
                (out.Size < 4 || out.Data[0] != 0xFF || out.Data[1] != 0xD8))
                abort(); /* a turn that claims success must give a JPEG */
            free(out.Data);
        }
    }
    DiscardData();
    return 0;
}
