/*
 * Between jhead's reading of a photo and the turn in autorot-core.c: what
 * jhead found in the Exif block it read, as the turn takes it. Plain C
 * without Windows, shared by jhead.exe (jhead-autorot.c) and the native fuzz
 * target (tools/fuzz/).
 */
#ifndef AUTOROT_JHEAD_H
#define AUTOROT_JHEAD_H

#include "autorot-core.h"

/* Include jhead.h before this header: Section_t is its section record. */

/* Fills `found` from jhead's globals after it read `exif`, the photo's Exif
   section; FALSE when an orientation tag lies outside it. */
int AutorotExifFindings(const Section_t *exif, ArExif *found);

#endif
