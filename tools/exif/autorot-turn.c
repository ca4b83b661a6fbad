/*
 * The lossless turn of one JPEG picture in jhead.exe's own process, with
 * libjpeg-turbo's transform code (transupp.c) from the Debian source that
 * jpegtran.exe is built from: what "jpegtran -trim -rotate 90" does, without
 * a process per picture. See autorot-turn.h.
 *
 * Each call has its own libjpeg objects and error handler, so pictures are
 * turned on several threads at once.
 */
#include "autorot-turn.h"

#include <setjmp.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "jpeglib.h"
#include "jerror.h"
#include "transupp.h"

/* One error handler for both libjpeg objects of a turn. */
typedef struct {
    struct jpeg_error_mgr Base; /* first: libjpeg hands this back as cinfo->err */
    jmp_buf Back;
    char *Message; /* the first message, where the caller wants it */
    size_t MessageSize;
} Errors;

/* Where the turned picture goes: a buffer of ours, grown as needed. (libjpeg's
   own memory destination frees the buffer it hands out when it grows it,
   and leaks the last one when an error ends the turn.) */
typedef struct {
    struct jpeg_destination_mgr Base; /* first: libjpeg hands this back as cinfo->dest */
    unsigned char *Data;
    size_t Size, Capacity;
} Destination;

/* Everything one turn holds, on the heap: after the error handler jumps
   back, what is to be freed is read from here, not from locals that the jump
   may have left stale. */
typedef struct {
    Errors Errors;
    struct jpeg_decompress_struct Src;
    struct jpeg_compress_struct Dst;
    int DstMade;
    Destination Out;
} Turn;

static void Keep(j_common_ptr cinfo)
{
    Errors *e = (Errors *)cinfo->err;
    if (e->Message && e->MessageSize && !e->Message[0]) {
        char text[JMSG_LENGTH_MAX];
        cinfo->err->format_message(cinfo, text);
        snprintf(e->Message, e->MessageSize, "%s", text);
    }
}

static void ErrorExit(j_common_ptr cinfo)
{
    Keep(cinfo);
    longjmp(((Errors *)cinfo->err)->Back, 1);
}

/* Warnings are counted by libjpeg; the first is kept, none is printed. */
static void OutputMessage(j_common_ptr cinfo) { Keep(cinfo); }

static void StartOutput(j_compress_ptr cinfo)
{
    Destination *d = (Destination *)cinfo->dest;
    d->Base.next_output_byte = d->Data;
    d->Base.free_in_buffer = d->Capacity;
}

static boolean GrowOutput(j_compress_ptr cinfo)
{
    Destination *d = (Destination *)cinfo->dest;
    size_t capacity = d->Capacity * 2;
    unsigned char *grown = capacity > d->Capacity ? realloc(d->Data, capacity) : NULL;
    if (!grown) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 10);
    d->Data = grown;
    d->Base.next_output_byte = grown + d->Capacity;
    d->Base.free_in_buffer = capacity - d->Capacity;
    d->Capacity = capacity;
    return TRUE;
}

static void EndOutput(j_compress_ptr cinfo)
{
    Destination *d = (Destination *)cinfo->dest;
    d->Size = d->Capacity - d->Base.free_in_buffer;
}

static int TransformCode(const char *name, JXFORM_CODE *code)
{
    static const struct {
        const char *Name;
        JXFORM_CODE Code;
    } names[] = {
        {"flip horizontal", JXFORM_FLIP_H}, {"flip vertical", JXFORM_FLIP_V}, {"transpose", JXFORM_TRANSPOSE},
        {"transverse", JXFORM_TRANSVERSE},  {"rotate 90", JXFORM_ROT_90},     {"rotate 180", JXFORM_ROT_180},
        {"rotate 270", JXFORM_ROT_270},
    };
    size_t i;
    for (i = 0; i < sizeof(names) / sizeof(names[0]); i++) {
        if (strcmp(names[i].Name, name) == 0) {
            *code = names[i].Code;
            return 1;
        }
    }
    return 0;
}

/* The libjpeg calls themselves; an error jumps back to ArTurnJpeg. */
static const char *Transform(Turn *t, JXFORM_CODE code, int thumbnail, const unsigned char *jpeg, size_t size)
{
    const JCOPY_OPTION copy = thumbnail ? JCOPYOPT_COMMENTS : JCOPYOPT_NONE;
    jpeg_transform_info info;
    jvirt_barray_ptr *srcCoefficients, *dstCoefficients;

    memset(&info, 0, sizeof(info));
    info.transform = code;
    /* -trim: edge blocks that cannot be turned in place are dropped. */
    info.trim = TRUE;
    jpeg_mem_src(&t->Src, jpeg, (unsigned long)size);
    jcopy_markers_setup(&t->Src, copy);
    jpeg_read_header(&t->Src, TRUE);
    if (!jtransform_request_workspace(&t->Src, &info)) return "the picture cannot be turned losslessly";
    srcCoefficients = jpeg_read_coefficients(&t->Src);
    jpeg_create_compress(&t->Dst);
    t->DstMade = 1;
    jpeg_copy_critical_parameters(&t->Src, &t->Dst);
    dstCoefficients = jtransform_adjust_parameters(&t->Src, &t->Dst, srcCoefficients, &info);
    /* For the thumbnail, Huffman tables made for it: the turned one then
       usually fits where the old one was. */
    t->Dst.optimize_coding = thumbnail ? TRUE : FALSE;
    t->Dst.dest = &t->Out.Base;
    jpeg_write_coefficients(&t->Dst, dstCoefficients);
    jcopy_markers_execute(&t->Src, &t->Dst, copy);
    jtransform_execute_transform(&t->Src, &t->Dst, srcCoefficients, &info);
    jpeg_finish_compress(&t->Dst);
    jpeg_finish_decompress(&t->Src);
    /* A warning means damaged data that the turn would have filled in or
       dropped: not lossless, as jpegtran's exit status 2 says. */
    if (t->Errors.Base.num_warnings) return "the picture is damaged";
    return NULL;
}

const char *ArTurnJpeg(const char *transform, int thumbnail, const unsigned char *jpeg, size_t size, ArBuffer *out,
                       char *message, size_t messageSize)
{
    JXFORM_CODE code;
    Turn *t;
    const char *why;

    out->Data = NULL;
    out->Size = 0;
    if (message && messageSize) message[0] = 0;
    if (!TransformCode(transform, &code)) return "an unknown turn";
    /* libjpeg counts a buffer's bytes in an unsigned long, 32 bits on Windows. */
    if (size == 0 || size > 0xFFFFFFFFu) return "not a picture it can read";
    t = calloc(1, sizeof(*t));
    if (!t) return "out of memory";
    /* Sized for a turned picture of about the photo's own size, so that it
       seldom grows. */
    t->Out.Capacity = size + size / 8 + 65536;
    t->Out.Data = malloc(t->Out.Capacity);
    if (!t->Out.Data) {
        free(t);
        return "out of memory";
    }
    t->Out.Base.init_destination = StartOutput;
    t->Out.Base.empty_output_buffer = GrowOutput;
    t->Out.Base.term_destination = EndOutput;
    t->Src.err = t->Dst.err = jpeg_std_error(&t->Errors.Base);
    t->Errors.Base.error_exit = ErrorExit;
    t->Errors.Base.output_message = OutputMessage;
    t->Errors.Message = message;
    t->Errors.MessageSize = messageSize;
    jpeg_create_decompress(&t->Src);
    if (setjmp(t->Errors.Back) == 0)
        why = Transform(t, code, thumbnail, jpeg, size);
    else
        why = "the picture could not be turned losslessly";
    if (!why) {
        out->Data = t->Out.Data;
        out->Size = t->Out.Size;
        t->Out.Data = NULL;
    }
    if (t->DstMade) jpeg_destroy_compress(&t->Dst);
    jpeg_destroy_decompress(&t->Src);
    free(t->Out.Data);
    free(t);
    return why;
}
