/*
 * The turn of one photo, put together from two JPEG streams:
 *   - from the photo itself: every APPn and COM segment, in their order and
 *     byte for byte, and whatever follows its end marker;
 *   - from the turned picture: only what describes the new picture (tables,
 *     frame, scans, end marker).
 * Of the metadata, only the Exif block changes (orientation, image sizes,
 * thumbnail), an XMP tiff:Orientation becomes 1 in place, and Multi-Picture
 * offsets move by the change in the main picture's size. Metadata never stops
 * a turn: what cannot be edited exactly (a thumbnail jpegtran cannot read, a
 * Multi-Picture index that points outside the file) is carried over as it was.
 *
 * Every read of the photo's bytes is checked against its bounds: photos are
 * untrusted, and this file is fuzzed natively under sanitizers (tools/fuzz/).
 * Nothing here is static or global, so photos can be turned on several
 * threads at once.
 */
#include "autorot-core.h"

#include <ctype.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#define M_SOI 0xD8
#define M_EOI 0xD9
#define M_SOS 0xDA
#define M_DHT 0xC4
#define M_APP1 0xE1
#define M_APP2 0xE2
#define IS_APPN_OR_COM(m) (((m) >= 0xE0 && (m) <= 0xEF) || (m) == 0xFE)

/* TIFF types */
#define FMT_BYTE 1
#define FMT_USHORT 3
#define FMT_ULONG 4
#define FMT_SBYTE 6
#define FMT_SLONG 9

/* An APP1 segment's payload is at most this long: its length field counts
   itself and holds 16 bits. */
#define MAX_PAYLOAD (0xFFFF - 2)

/* The jpegtran transform that turns a photo of this orientation upright:
   "" for 1 and for values no camera writes. */
static const char *TransformName(int orientation)
{
    static const char *const names[9] = {"", "", "flip horizontal", "rotate 180", "flip vertical",
                                         "transpose", "rotate 90", "transverse", "rotate 270"};
    return orientation >= 1 && orientation <= 8 ? names[orientation] : "";
}

/* ------------------------------------------------------------- segments */

typedef struct {
    size_t Offset; /* of the segment's 0xFF */
    size_t Size;   /* marker and length field included */
    int Marker;
} Segment;

typedef struct {
    Segment *Items;
    size_t Count, Capacity;
} Segments;

typedef struct {
    Segments Header;  /* every segment before the first scan, the SOS too */
    Segments Between; /* APPn and COM segments after the first scan */
    size_t FirstScan; /* offset of the first SOS */
    size_t End;       /* just after the end marker */
} Layout;

static int Push(Segments *list, size_t offset, size_t size, int marker)
{
    if (list->Count == list->Capacity) {
        size_t capacity = list->Capacity ? list->Capacity * 2 : 32;
        Segment *grown = realloc(list->Items, capacity * sizeof(Segment));
        if (!grown) return 0;
        list->Items = grown;
        list->Capacity = capacity;
    }
    list->Items[list->Count].Offset = offset;
    list->Items[list->Count].Size = size;
    list->Items[list->Count].Marker = marker;
    list->Count++;
    return 1;
}

static void FreeLayout(Layout *l)
{
    free(l->Header.Items);
    free(l->Between.Items);
    memset(l, 0, sizeof(*l));
}

static unsigned Be16(const unsigned char *p) { return ((unsigned)p[0] << 8) | p[1]; }

/* The segments of one complete picture and where it ends. Fails for anything
   that is not one: no start or end marker, a segment running past the end. */
static const char *Parse(const unsigned char *d, size_t n, Layout *l)
{
    size_t pos = 2;
    int inScan = 0;

    memset(l, 0, sizeof(*l));
    if (n < 4 || d[0] != 0xFF || d[1] != M_SOI) return "not a JPEG file";
    for (;;) {
        int marker;
        size_t size;
        if (inScan) {
            /* Entropy-coded data: FF 00 is a data byte, FF D0..D7 a restart.
               memchr skips to each FF: a photo is megabytes of this. */
            while (pos + 1 < n && !(d[pos] == 0xFF && d[pos + 1] != 0 && d[pos + 1] != 0xFF &&
                                    (d[pos + 1] < 0xD0 || d[pos + 1] > 0xD7))) {
                const unsigned char *next = d[pos] == 0xFF ? d + pos + 1 : memchr(d + pos, 0xFF, n - pos);
                pos = next ? (size_t)(next - d) : n;
            }
        } else {
            while (pos + 1 < n && d[pos] == 0xFF && d[pos + 1] == 0xFF) pos++; /* fill bytes */
        }
        if (pos + 1 >= n) return "the picture is cut short (no end marker)";
        if (d[pos] != 0xFF) return "stray bytes between segments";
        marker = d[pos + 1];
        if (marker == M_EOI) {
            if (!inScan) return "no picture";
            l->End = pos + 2;
            return NULL;
        }
        if (pos + 4 > n) return "the picture is cut short";
        size = 2 + (size_t)Be16(d + pos + 2);
        if (size < 4 || size > n - pos) return "a segment runs past the end of the file";
        if (!inScan) {
            if (!Push(&l->Header, pos, size, marker)) return "out of memory";
            if (marker == M_SOS) l->FirstScan = pos;
        } else if (IS_APPN_OR_COM(marker)) {
            if (!Push(&l->Between, pos, size, marker)) return "out of memory";
        }
        if (marker == M_SOS) inScan = 1;
        pos += size;
    }
}

static int StartsWith(const unsigned char *d, const Segment *s, const char *tag, size_t len)
{
    return s->Size >= 4 + len && memcmp(d + s->Offset + 4, tag, len) == 0;
}

static int IsExifBlock(const unsigned char *d, const Segment *s)
{
    return s->Marker == M_APP1 && StartsWith(d, s, "Exif\0\0", 6);
}

/* The frame's size: a SOFn segment's lines and samples per line. */
static int FrameSize(const unsigned char *d, const Layout *l, unsigned *w, unsigned *h)
{
    size_t i;
    for (i = 0; i < l->Header.Count; i++) {
        const Segment *s = &l->Header.Items[i];
        if (s->Marker >= 0xC0 && s->Marker <= 0xCF && s->Marker != M_DHT && s->Marker != 0xC8 &&
            s->Marker != 0xCC && s->Size >= 9) {
            *h = Be16(d + s->Offset + 5);
            *w = Be16(d + s->Offset + 7);
            return 1;
        }
    }
    return 0;
}

/* -------------------------------------------------------- TIFF structures */

typedef struct {
    unsigned char *Base; /* the TIFF header */
    size_t Size;
    int Motorola;
} Tiff;

static int OpenTiff(Tiff *t, unsigned char *base, size_t size)
{
    t->Base = base;
    t->Size = size;
    t->Motorola = 0;
    if (size < 8) return 0;
    if (base[0] == 'M' && base[1] == 'M') t->Motorola = 1;
    else if (base[0] != 'I' || base[1] != 'I') return 0;
    return (t->Motorola ? Be16(base + 2) : (unsigned)(base[2] | (base[3] << 8))) == 42;
}

/* Values at `at`, or 0 where they would not lie inside the structure. */
static unsigned T16(const Tiff *t, size_t at)
{
    const unsigned char *p = t->Base + at;
    if (at > t->Size || t->Size - at < 2) return 0;
    return t->Motorola ? Be16(p) : (unsigned)(p[0] | (p[1] << 8));
}
static uint32_t T32(const Tiff *t, size_t at)
{
    if (at > t->Size || t->Size - at < 4) return 0;
    return t->Motorola ? ((uint32_t)T16(t, at) << 16) | T16(t, at + 2) : T16(t, at) | ((uint32_t)T16(t, at + 2) << 16);
}
static int Put(const Tiff *t, size_t at, uint32_t v, int bytes)
{
    int i;
    if (at > t->Size || t->Size - at < (size_t)bytes) return 0;
    for (i = 0; i < bytes; i++) t->Base[at + (t->Motorola ? (size_t)(bytes - 1 - i) : (size_t)i)] = (unsigned char)(v >> (8 * i));
    return 1;
}

/* The directory at `offset`: the offset of its first entry and its entry
   count, or 0 when it does not lie inside the structure. */
static size_t Directory(const Tiff *t, uint32_t offset, unsigned *count)
{
    if (offset < 8 || offset > t->Size || t->Size - offset < 2) return 0;
    *count = T16(t, offset);
    if ((t->Size - offset - 2) / 12 < *count) return 0;
    return (size_t)offset + 2;
}

/* Sets the width and height tags of one directory that hold a single value
   (ImageWidth/ImageLength, PixelXDimension/PixelYDimension); gives the Exif
   directory's offset when asked for. */
static void SetSizes(const Tiff *t, uint32_t dir, unsigned wTag, unsigned hTag, unsigned w, unsigned h,
                     uint32_t *exifDir)
{
    unsigned count, i;
    size_t e = Directory(t, dir, &count);
    for (i = 0; e && i < count; i++, e += 12) {
        unsigned tag = T16(t, e), type = T16(t, e + 2);
        uint32_t n = T32(t, e + 4);
        unsigned v = tag == wTag ? w : tag == hTag ? h : 0;
        if (exifDir && tag == 0x8769) *exifDir = T32(t, e + 8);
        if (!v || n != 1) continue;
        if (type == FMT_USHORT && v <= 0xFFFF) Put(t, e + 8, v, 2);
        else if (type == FMT_ULONG) Put(t, e + 8, v, 4);
    }
}

/* The Exif block names the main picture's size in two places; after a turn
   they must say the new one. */
static void SetExifSizes(const Tiff *t, unsigned w, unsigned h)
{
    uint32_t exifDir = 0;
    SetSizes(t, T32(t, 4), 0x0100, 0x0101, w, h, &exifDir);
    if (exifDir) SetSizes(t, exifDir, 0xA002, 0xA003, w, h, NULL);
}

/* Every orientation tag jhead found says 1 ("as stored"). */
static const char *ClearOrientations(const Tiff *t, const ArExif *exif)
{
    int i;
    for (i = 0; i < exif->Orientations && i < 2; i++) {
        size_t at = exif->OrientationAt[i];
        int ok;
        switch (exif->OrientationFormat[i]) {
            case FMT_BYTE:
            case FMT_SBYTE: ok = Put(t, at, 1, 1); break;
            case FMT_USHORT: ok = Put(t, at, 1, 2); break;
            case FMT_ULONG:
            case FMT_SLONG: ok = Put(t, at, 1, 4); break;
            default: return "an orientation tag of a type it cannot set";
        }
        if (!ok) return "an orientation tag outside the Exif block";
    }
    return NULL;
}

/* True when the `n` bytes at `p` are all zero (or there are none). */
static int AllZero(const unsigned char *p, size_t n)
{
    while (n && *p == 0) p++, n--;
    return n == 0;
}

/* Puts the turned thumbnail in the old one's place: the block shrinks or
   grows when nothing but zero padding follows the thumbnail (the padding
   follows the new one); elsewhere a thumbnail no larger than the old one is
   written over it, the rest of the old one's bytes zeroed, so that nothing
   after it moves. NULL, or why the old thumbnail stays. `block` is the
   segment's payload ("Exif\0\0" and TIFF). */
static const char *PutThumbnail(ArBuffer *block, const ArExif *exif, const ArBuffer *thumb)
{
    Tiff t;
    size_t at = exif->ThumbnailAt, old = exif->ThumbnailSize, entry, tail;
    unsigned type;

    if (!OpenTiff(&t, block->Data + 6, block->Size - 6) || at > t.Size || t.Size - at < old ||
        exif->ThumbnailSizeAt < 8)
        return "its place in the Exif block is not where its tags say";
    entry = exif->ThumbnailSizeAt - 8;
    type = T16(&t, entry + 2);
    if (T16(&t, entry) != 0x0202 || T32(&t, entry + 4) != 1 || (type != FMT_ULONG && type != FMT_USHORT))
        return "its length tag is not one it can set";
    if (type == FMT_USHORT && thumb->Size > 0xFFFF) return "its length tag cannot hold the turned one's length";
    if (!exif->ThumbnailAtEnd) return "other Exif data lies after it";
    tail = t.Size - at - old;
    if (AllZero(t.Base + at + old, tail)) {
        size_t newSize = 6 + at + thumb->Size + tail;
        unsigned char *resized;
        if (newSize > MAX_PAYLOAD) return "the turned one does not fit in the Exif block";
        if (thumb->Size > old) {
            resized = realloc(block->Data, newSize);
            if (!resized) return "out of memory";
            block->Data = resized;
        }
        block->Size = newSize;
        OpenTiff(&t, block->Data + 6, block->Size - 6);
        memcpy(t.Base + at, thumb->Data, thumb->Size);
        memset(t.Base + at + thumb->Size, 0, tail);
    } else if (thumb->Size <= old) {
        memcpy(t.Base + at, thumb->Data, thumb->Size);
        memset(t.Base + at + thumb->Size, 0, old - thumb->Size);
    } else {
        return "the turned one is larger and Exif data follows it";
    }
    Put(&t, entry + 8, (uint32_t)thumb->Size, type == FMT_ULONG ? 4 : 2);
    return NULL;
}

/* The Exif block of the turned photo: the original bytes with the
   orientation, the picture's sizes and the thumbnail changed. */
static const char *EditExif(ArBuffer *block, const ArExif *exif, int turned, unsigned w, unsigned h,
                            const char *transform, ArTransformFn turn, void *context, const char **thumbnailNote)
{
    Tiff t;
    const char *why;
    if (!OpenTiff(&t, block->Data + 6, block->Size - 6)) return "an Exif block it cannot read";
    if ((why = ClearOrientations(&t, exif)) != NULL) return why;
    if (!turned) return NULL;
    SetExifSizes(&t, w, h);
    if (exif->ThumbnailAt && exif->ThumbnailSize) {
        ArBuffer thumb = {NULL, 0};
        if (exif->ThumbnailAt > t.Size || t.Size - exif->ThumbnailAt < exif->ThumbnailSize) {
            *thumbnailNote = "its place in the Exif block is not where its tags say";
        } else if ((why = turn(context, transform, 1, t.Base + exif->ThumbnailAt, exif->ThumbnailSize, &thumb)) !=
                   NULL) {
            *thumbnailNote = why;
        } else {
            *thumbnailNote = PutThumbnail(block, exif, &thumb);
        }
        free(thumb.Data);
    }
    return NULL;
}

/* A Multi-Picture block counts the offsets of the images after the main one
   from its own TIFF header: they move by as much as the main picture's end
   moved relative to that header. The main image's own entry (offset 0)
   carries its size. An entry whose image does not lie after the main one,
   inside the file, was wrong before the turn and stays as it was; so does a
   block that cannot be read. */
static void AdjustMpf(unsigned char *header, size_t size, int64_t moved, size_t oldHeader, size_t oldEnd,
                      size_t newEnd, size_t oldFileSize)
{
    Tiff t;
    unsigned count, i;
    size_t e;
    if (size < 8 || !OpenTiff(&t, header, size)) return;
    e = Directory(&t, T32(&t, 4), &count);
    for (i = 0; e && i < count; i++, e += 12) {
        uint32_t n = T32(&t, e + 4), at = T32(&t, e + 8), k;
        if (T16(&t, e) != 0xB002 || at > t.Size || n > t.Size - at) continue;
        for (k = 0; n - k >= 16; k += 16) {
            size_t entry = (size_t)at + k;
            uint32_t imageSize = T32(&t, entry + 4), offset = T32(&t, entry + 8);
            int64_t movedTo = (int64_t)offset + moved;
            if (offset == 0) {
                if (imageSize == oldEnd && newEnd <= 0xFFFFFFFFu) Put(&t, entry + 4, (uint32_t)newEnd, 4);
                continue;
            }
            if (oldHeader + offset < oldEnd || oldHeader + offset > oldFileSize ||
                imageSize > oldFileSize - (oldHeader + offset) || movedTo <= 0 || movedTo > 0xFFFFFFFFLL)
                continue;
            Put(&t, entry + 8, (uint32_t)movedTo, 4);
        }
    }
}

/* ------------------------------------------------------------------- XMP */

static int NameChar(unsigned char c) { return isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':'; }

/* Sets every PREFIX:Orientation of a one-digit value to 1, where PREFIX is
   bound to the TIFF namespace, written as an attribute or as an element.
   The digit is replaced in place, so the packet keeps its length (and the
   padding that lets editors rewrite it in place). */
static void XmpOrientationToOne(unsigned char *d, size_t n)
{
    static const char ns[] = "http://ns.adobe.com/tiff/1.0/";
    size_t i, j;
    for (i = 1; i + sizeof(ns) <= n; i++) {
        size_t nameEnd, nameStart, plen;
        char pattern[80];
        if (memcmp(d + i, ns, sizeof(ns) - 1) != 0 || (d[i - 1] != '"' && d[i - 1] != '\'')) continue;
        /* Back over  xmlns:PREFIX =  to the prefix. */
        j = i - 1;
        while (j > 0 && isspace(d[j - 1])) j--;
        if (j == 0 || d[--j] != '=') continue;
        while (j > 0 && isspace(d[j - 1])) j--;
        nameEnd = j;
        while (j > 0 && NameChar(d[j - 1]) && d[j - 1] != ':') j--;
        nameStart = j;
        if (nameEnd == nameStart || nameEnd - nameStart > 60 || j < 6 || memcmp(d + j - 6, "xmlns:", 6) != 0) continue;
        plen = nameEnd - nameStart;
        memcpy(pattern, d + nameStart, plen);
        memcpy(pattern + plen, ":Orientation", 12);
        plen += 12;
        for (j = 1; j + plen < n; j++) {
            size_t v, end;
            unsigned char close;
            if (memcmp(d + j, pattern, plen) != 0 || NameChar(d[j - 1]) || d[j - 1] == '/') continue;
            v = j + plen;
            while (v < n && isspace(d[v])) v++;
            if (v < n && d[v] == '=') {
                v++;
                while (v < n && isspace(d[v])) v++;
                if (v >= n || (d[v] != '"' && d[v] != '\'')) continue;
                close = d[v++];
            } else if (v < n && d[v] == '>') {
                v++;
                close = '<';
            } else {
                continue;
            }
            while (v < n && isspace(d[v])) v++;
            end = v;
            while (end < n && isdigit(d[end])) end++;
            while (end < n && isspace(d[end]) && d[end] != close) end++;
            if (end - v >= 1 && end < n && d[end] == close && d[v] >= '1' && d[v] <= '8' && !isdigit(d[v + 1]))
                d[v] = '1';
        }
    }
}

/* --------------------------------------------------------------- the turn */

typedef struct {
    ArBuffer *Out;
    size_t Used;
} Writer;

static void Append(Writer *w, const void *data, size_t size)
{
    /* The output is sized for everything that goes in before writing starts. */
    memcpy(w->Out->Data + w->Used, data, size);
    w->Used += size;
}

/* Metadata segments of the photo, in their order: those before the first
   scan, then any that stood between scans (jpegtran drops those, so they
   come up to the header rather than being lost). */
static void AppendMetadata(Writer *w, const unsigned char *photo, const Segments *segments, size_t exifAt,
                           const ArBuffer *exif, size_t *mpfOut, size_t *mpfIn, size_t *mpfs)
{
    size_t i;
    for (i = 0; i < segments->Count; i++) {
        const Segment *s = &segments->Items[i];
        size_t at = w->Used;
        if (!IS_APPN_OR_COM(s->Marker)) continue;
        if (s->Offset == exifAt && exif) {
            unsigned char head[4] = {0xFF, M_APP1, (unsigned char)((exif->Size + 2) >> 8),
                                     (unsigned char)(exif->Size + 2)};
            Append(w, head, 4);
            Append(w, exif->Data, exif->Size);
            continue;
        }
        Append(w, photo + s->Offset, s->Size);
        if (s->Marker == M_APP1 && StartsWith(photo, s, "http://ns.adobe.com/xap/1.0/", 29))
            XmpOrientationToOne(w->Out->Data + at + 4, s->Size - 4);
        if (s->Marker == M_APP2 && StartsWith(photo, s, "MPF", 4)) {
            mpfOut[*mpfs] = at;
            mpfIn[(*mpfs)++] = s->Offset;
        }
    }
}

static const char *Assemble(const unsigned char *photo, size_t size, const Layout *ol, size_t exifAt,
                            const ArBuffer *exif, const unsigned char *image, const Layout *il, ArBuffer *out)
{
    static const unsigned char soi[2] = {0xFF, M_SOI};
    size_t *mpfOut, *mpfIn, mpfs = 0, i, newEnd, metadata = ol->Header.Count + ol->Between.Count;
    Writer w;
    const char *why = NULL;

    out->Size = size + (il->End - il->FirstScan) + exif->Size + 16;
    for (i = 0; i < il->Header.Count; i++) out->Size += il->Header.Items[i].Size;
    out->Data = malloc(out->Size);
    mpfOut = malloc((metadata + 1) * sizeof(size_t));
    mpfIn = malloc((metadata + 1) * sizeof(size_t));
    if (!out->Data || !mpfOut || !mpfIn) {
        why = "out of memory";
        goto done;
    }
    w.Out = out;
    w.Used = 0;
    Append(&w, soi, 2);
    AppendMetadata(&w, photo, &ol->Header, exifAt, exif, mpfOut, mpfIn, &mpfs);
    /* Only a new picture lacks them: an untouched one keeps them in place. */
    if (il != ol) AppendMetadata(&w, photo, &ol->Between, exifAt, NULL, mpfOut, mpfIn, &mpfs);
    for (i = 0; i < il->Header.Count; i++) {
        const Segment *s = &il->Header.Items[i];
        if (s->Marker != M_SOS && !IS_APPN_OR_COM(s->Marker)) Append(&w, image + s->Offset, s->Size);
    }
    Append(&w, image + il->FirstScan, il->End - il->FirstScan);
    newEnd = w.Used;
    Append(&w, photo + ol->End, size - ol->End);
    out->Size = w.Used;
    for (i = 0; i < mpfs; i++) {
        int64_t moved = ((int64_t)newEnd - (int64_t)(mpfOut[i] + 8)) - ((int64_t)ol->End - (int64_t)(mpfIn[i] + 8));
        AdjustMpf(out->Data + mpfOut[i] + 8, Be16(out->Data + mpfOut[i] + 2) - 6, moved, mpfIn[i] + 8, ol->End, newEnd,
                  size);
    }
done:
    free(mpfOut);
    free(mpfIn);
    if (why) {
        free(out->Data);
        out->Data = NULL;
        out->Size = 0;
    }
    return why;
}

const char *ArTurnPhoto(const unsigned char *photo, size_t size, const ArExif *exif, int tagOnly,
                        ArTransformFn transform, void *context, ArBuffer *out, const char **thumbnailNote)
{
    const char *name = TransformName(exif->Orientation), *why;
    Layout ol, il;
    ArBuffer turned = {NULL, 0}, block = {NULL, 0};
    const unsigned char *image = photo;
    const Layout *imageLayout = &ol;
    size_t exifAt = 0, i;
    int exifBlocks = 0, turn = !tagOnly && *name;
    unsigned w = 0, h = 0;

    out->Data = NULL;
    out->Size = 0;
    *thumbnailNote = NULL;
    memset(&il, 0, sizeof(il));
    if ((why = Parse(photo, size, &ol)) != NULL) goto done;

    /* The Exif block jhead read, found by its place: the only APP1 that
       starts as one. Its bytes are taken from the file, not from jhead's
       copy, which its reader changes (it blanks trailing spaces of a
       UserComment in place). */
    for (i = 0; i < ol.Header.Count; i++) {
        if (!IsExifBlock(photo, &ol.Header.Items[i])) continue;
        exifBlocks++;
        exifAt = ol.Header.Items[i].Offset;
        block.Size = ol.Header.Items[i].Size - 4;
    }
    if (exifBlocks != 1) {
        why = exifBlocks ? "more than one Exif block" : "no Exif block before the picture";
        goto done;
    }
    if (block.Size + 2 != exif->SectionSize) {
        why = "its Exif block is not the one it read";
        goto done;
    }
    block.Data = malloc(block.Size);
    if (!block.Data) {
        why = "out of memory";
        goto done;
    }
    memcpy(block.Data, photo + exifAt + 4, block.Size);

    if (turn) {
        if ((why = transform(context, name, 0, photo, size, &turned)) != NULL) goto done;
        if (Parse(turned.Data, turned.Size, &il) != NULL || !FrameSize(turned.Data, &il, &w, &h)) {
            why = "the turned picture is not a picture";
            goto done;
        }
        image = turned.Data;
        imageLayout = &il;
    }
    if ((why = EditExif(&block, exif, turn, w, h, name, transform, context, thumbnailNote)) != NULL) goto done;
    why = Assemble(photo, size, &ol, exifAt, &block, image, imageLayout, out);

done:
    FreeLayout(&ol);
    FreeLayout(&il);
    free(turned.Data);
    free(block.Data);
    return why;
}

/* --------------------------------------------------------------- limits */

unsigned long long ArTurnMemory(unsigned width, unsigned height, unsigned long long fileSize)
{
    /* Blocks of 8 by 8 coefficients of 2 bytes, three components. */
    const unsigned long long blocks = (((unsigned long long)width + 7) / 8) * (((unsigned long long)height + 7) / 8);
    return 2 * blocks * 64 * 2 * 3 + 3 * fileSize;
}

unsigned ArWorkerLimit(unsigned processors, unsigned long long freeBytes, unsigned long long largestTurn)
{
    unsigned long long fit = largestTurn ? freeBytes / largestTurn : processors;
    unsigned limit = processors;
    if (fit < limit) limit = (unsigned)fit;
    return limit ? limit : 1;
}
