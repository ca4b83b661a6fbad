/*
 * What jhead's reading found in a photo's Exif block, for the turn in
 * autorot-core.c; see autorot-jhead.h.
 */
#include <string.h>

#include "jhead.h"

#include "autorot-jhead.h"

int OrientationTags(const unsigned char *Base, unsigned Size, unsigned Offsets[2], int Formats[2]); /* exif.c */

/* Offsets from the block's TIFF header, which sits 8 bytes into jhead's copy
   (the length field and "Exif\0\0" come first). */
int AutorotExifFindings(const Section_t *exif, ArExif *found)
{
    unsigned offsets[2] = {0, 0};
    int formats[2] = {0, 0}, n, i;
    memset(found, 0, sizeof(*found));
    if (exif->Size < 8) return FALSE;
    n = OrientationTags(exif->Data + 8, (unsigned)exif->Size - 8, offsets, formats);
    if (n < 0) return FALSE;
    found->Orientation = ImageInfo.Orientation;
    found->Orientations = n;
    for (i = 0; i < n && i < 2; i++) {
        found->OrientationAt[i] = offsets[i];
        found->OrientationFormat[i] = formats[i];
    }
    if (ImageInfo.ThumbnailOffset > 0 && ImageInfo.ThumbnailSize > 0) {
        found->ThumbnailAt = (size_t)ImageInfo.ThumbnailOffset;
        found->ThumbnailSize = (size_t)ImageInfo.ThumbnailSize;
        found->ThumbnailSizeAt = ImageInfo.ThumbnailSizeOffset > 0 ? (size_t)ImageInfo.ThumbnailSizeOffset : 0;
        found->ThumbnailAtEnd = ImageInfo.ThumbnailAtEnd;
    }
    found->SectionSize = (size_t)exif->Size;
    return TRUE;
}
