/*
 * The lossless turn of one JPEG picture by libjpeg-turbo's transform code, in
 * the calling process and thread: jhead.exe's turn for autorot-core.c.
 */
#ifndef AUTOROT_TURN_H
#define AUTOROT_TURN_H

#include "autorot-core.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Turns `jpeg` by a transform name such as "rotate 90", as jpegtran -trim
   does: edge blocks that cannot be turned in place are dropped. The picture
   without its APPn segments, or for the thumbnail with its comments and
   Huffman tables made for it. NULL and `out` filled (the caller frees
   Data), or why not; a damaged picture (one libjpeg warns about) is not
   turned. libjpeg's first message goes to `message` when given. */
const char *ArTurnJpeg(const char *transform, int thumbnail, const unsigned char *jpeg, size_t size, ArBuffer *out,
                       char *message, size_t messageSize);

#ifdef __cplusplus
}
#endif

#endif
