/*
 * The turn of one photo, from its bytes to the bytes of the photo turned
 * upright, with no file, process or global state of its own: jhead.exe's
 * -autorot (jhead-autorot.c) feeds it files and jpegtran, the fuzz target
 * (tools/fuzz/) feeds it one buffer and a stand-in turn.
 *
 * Offered here:
 *   ArExif          what jhead's own reading found in the photo's Exif block
 *   ArTransformFn   a lossless turn of one JPEG picture, supplied by the caller
 *   ArTurnPhoto     puts the turned photo together
 *   ArTurnMemory    what turning a photo takes in memory, about
 *   ArWorkerLimit   how many photos to turn at once
 *
 * The rule it keeps: a photo is turned whenever its picture can be turned
 * losslessly; its metadata decides how it is rewritten, never whether.
 */
#ifndef AUTOROT_CORE_H
#define AUTOROT_CORE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Bytes the callee allocated with malloc; the receiver frees Data. */
typedef struct {
    unsigned char *Data;
    size_t Size;
} ArBuffer;

/* jhead's findings, as offsets from the TIFF header of the Exif block (the
   byte after "Exif\0\0"), where its own offsets count from. */
typedef struct {
    int Orientation;            /* the value that decides the turn */
    int Orientations;           /* orientation tags found, at most 2 */
    size_t OrientationAt[2];    /* where each one's value lies */
    int OrientationFormat[2];   /* and its TIFF type */
    size_t ThumbnailAt;         /* the thumbnail's bytes; 0 and 0: none */
    size_t ThumbnailSize;
    size_t ThumbnailSizeAt;     /* the value of its length tag */
    int ThumbnailAtEnd;         /* nothing the directories point at lies after it */
    size_t SectionSize;         /* the block's length field as jhead read it */
} ArExif;

/* Turns one JPEG (the picture, or the Exif thumbnail when `thumbnail` is set)
   by a jpegtran transform name such as "rotate 90", trimming edge blocks that
   cannot be turned. NULL and `out` filled, or why it could not. */
typedef const char *(*ArTransformFn)(void *context, const char *transform, int thumbnail, const unsigned char *jpeg,
                                     size_t size, ArBuffer *out);

/* About the memory turning a photo of this size takes: the picture's
   coefficients twice (read, and turned), counted as if every component had
   full resolution, and the photo's bytes three times (the photo, the turned
   picture, the turned photo). */
unsigned long long ArTurnMemory(unsigned width, unsigned height, unsigned long long fileSize);

/* How many photos to turn at once: one per logical processor, fewer where
   that many turns of the largest photo at hand would not fit in the free
   physical memory, and never fewer than one. */
unsigned ArWorkerLimit(unsigned processors, unsigned long long freeBytes, unsigned long long largestTurn);

/* Puts together `photo` turned upright by `exif`: NULL with `out` filled, or
   why the photo cannot be turned, `out` left empty. With `tagOnly` only the
   orientation tags change. `*thumbnailNote` says why the thumbnail was
   carried over unturned, or is NULL. */
const char *ArTurnPhoto(const unsigned char *photo, size_t size, const ArExif *exif, int tagOnly,
                        ArTransformFn transform, void *context, ArBuffer *out, const char **thumbnailNote);

#ifdef __cplusplus
}
#endif

#endif
