/*
 * Linked into jhead.exe only; see tools/build-exif-tools.sh and the patch
 * jhead-autorot.patch, which sends -autorot here.
 *
 * jhead's own -autorot keeps the first Exif, XMP, IPTC and comment segment of
 * a photo, lets jpegtran write the turned picture and writes those four back
 * in front of it.  Everything else a photo carries is lost on the way: colour
 * profiles, extended XMP, camera segments, further comments, Multi-Picture
 * images after the end marker.  It also runs jpegtran through the command
 * processor, which finds a "jpegtran" in the photo's folder first, and stops
 * the whole run at the first photo jpegtran cannot read.
 *
 * Here a turn is put together from two files instead:
 *   - from the photo itself: every APPn and COM segment before the first scan,
 *     in their order and byte for byte, and whatever follows its end marker;
 *   - from jpegtran's output: only what describes the new picture (tables,
 *     frame, scans, end marker).
 * Of the metadata, only the Exif block changes (orientation, image sizes,
 * thumbnail), an XMP tiff:Orientation becomes 1 in place, and Multi-Picture
 * offsets move by the change in the main picture's size.  When any of that
 * cannot be done exactly, the photo stays as it was and the run's exit status
 * says so; the temporary files go.
 */
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <setjmp.h>
#include <sys/stat.h>

/* windows.h brings the C library's PATH_MAX, which jhead.h defines again. */
#undef PATH_MAX
#include "jhead.h"

#define IS_APPN_OR_COM(m) (((m) >= 0xE0 && (m) <= 0xEF) || (m) == 0xFE)

/* ------------------------------------------------------------- failures */

static int Failures;
static jmp_buf GuardJump;
static int GuardArmed;

/* Temporary files of the photo at hand, removed whatever happens to it. */
#define MAX_TEMPS 3
static char *Temps[MAX_TEMPS];

static void RemoveTemps(void)
{
    int i;
    for (i = 0; i < MAX_TEMPS; i++) {
        if (Temps[i]) {
            unlink(Temps[i]);
            free(Temps[i]);
            Temps[i] = NULL;
        }
    }
}

/* A fresh, empty file beside FileName, created here so that no other program
   can take the name between choosing and using it. */
static const char *NewTemp(const char *FileName)
{
    size_t dir = strlen(FileName);
    char *name;
    int slot, i;

    for (slot = 0; slot < MAX_TEMPS && Temps[slot]; slot++) {}
    if (slot == MAX_TEMPS) return NULL;
    while (dir > 0 && FileName[dir - 1] != '\\' && FileName[dir - 1] != '/' && FileName[dir - 1] != ':') dir--;
    name = malloc(dir + 32);
    if (!name) return NULL;
    memcpy(name, FileName, dir);
    for (i = 0; i < 1000; i++) {
        int fd;
        sprintf(name + dir, "~jh%lu-%d.tmp", (unsigned long)GetCurrentProcessId(), i);
        fd = _open(name, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            Temps[slot] = name;
            return name;
        }
        if (errno != EEXIST) break;
    }
    free(name);
    return NULL;
}

static int Fail(const char *FileName, const char *why)
{
    fprintf(stderr, "Error : %s\nin file '%s' (left as it was)\n", why, FileName);
    Failures++;
    RemoveTemps();
    return FALSE;
}

int AutorotFailures(void) { return Failures; }

/* jhead stops the process on any error it meets (ErrFatal); while a photo is
   being turned, that comes back here so that the photo counts as not turned
   and the files after it are still done. */
void AutorotGuard(const char *FileName, void (*Process)(const char *))
{
    if (setjmp(GuardJump) == 0) {
        GuardArmed = 1;
        Process(FileName);
    } else {
        Failures++;
        RemoveTemps();
        DiscardData();
    }
    GuardArmed = 0;
}

void AutorotBailOut(void)
{
    if (GuardArmed) {
        GuardArmed = 0;
        longjmp(GuardJump, 1);
    }
}

/* --------------------------------------------------------- jpegtran.exe */

/* One argument for the C runtime's command line parser: quoted, with
   backslashes doubled where they precede a quote. */
static size_t QuoteArg(wchar_t *to, const wchar_t *arg)
{
    size_t n = 0, slashes = 0;
    if (to) to[n] = L'"';
    n++;
    for (; *arg; arg++) {
        if (*arg == L'\\') {
            slashes++;
        } else {
            size_t extra = *arg == L'"' ? slashes + 1 : 0;
            for (; extra; extra--, n++) if (to) to[n] = L'\\';
            slashes = 0;
        }
        if (to) to[n] = *arg;
        n++;
    }
    for (; slashes; slashes--, n++) if (to) to[n] = L'\\';
    if (to) to[n] = L'"';
    return n + 1;
}

static wchar_t *Wide(const char *text)
{
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, NULL, 0);
    wchar_t *w = n > 0 ? malloc(n * sizeof(wchar_t)) : NULL;
    if (w && MultiByteToWideChar(CP_ACP, 0, text, -1, w, n) != n) {
        free(w);
        w = NULL;
    }
    return w;
}

/* Runs jpegtran.exe from jhead.exe's own folder, by its full path, as a
   process of its own: no command processor, so nothing named jpegtran in the
   photo's folder or on the search path is ever started, and %NAME% in a file
   name stays as it is.  Returns jpegtran's exit status, or -1 when it cannot
   be started. */
static int RunJpegtran(const char *const *args)
{
    wchar_t exe[32768], *cmd = NULL, *wargs[10];
    DWORD len = GetModuleFileNameW(NULL, exe, 32768), attributes;
    size_t total, pos, i, count;
    STARTUPINFOW si;
    PROCESS_INFORMATION pi;
    DWORD code = (DWORD)-1;
    int rc = -1;

    while (len > 0 && exe[len - 1] != L'\\' && exe[len - 1] != L'/') len--;
    if (len == 0 || len + 13 > 32768) return -1;
    wcscpy(exe + len, L"jpegtran.exe");
    attributes = GetFileAttributesW(exe);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fprintf(stderr, "jpegtran.exe is not beside jhead.exe\n");
        return -1;
    }

    for (count = 0; count < 10 && args[count]; count++) {
        wargs[count] = Wide(args[count]);
        if (!wargs[count]) goto done;
    }
    total = QuoteArg(NULL, exe) + 1;
    for (i = 0; i < count; i++) total += QuoteArg(NULL, wargs[i]) + 1;
    cmd = malloc(total * sizeof(wchar_t));
    if (!cmd) goto done;
    pos = QuoteArg(cmd, exe);
    for (i = 0; i < count; i++) {
        cmd[pos++] = L' ';
        pos += QuoteArg(cmd + pos, wargs[i]);
    }
    cmd[pos] = 0;

    /* jpegtran's messages go where jhead's own go. */
    memset(&si, 0, sizeof(si));
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    fflush(stdout);
    fflush(stderr);
    if (CreateProcessW(exe, cmd, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        if (GetExitCodeProcess(pi.hProcess, &code)) rc = (int)code;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    } else {
        fprintf(stderr, "could not start jpegtran.exe (error %lu)\n", (unsigned long)GetLastError());
    }
done:
    while (count > 0) free(wargs[--count]);
    free(cmd);
    return rc;
}

/* ------------------------------------------------------------ JPEG files */

typedef struct {
    uchar *Data;
    size_t Size;
} Bytes;

static int ReadAll(const char *FileName, Bytes *b)
{
    FILE *f = fopen(FileName, "rb");
    long size = -1;
    b->Data = NULL;
    b->Size = 0;
    if (!f) return FALSE;
    if (fseek(f, 0, SEEK_END) == 0 && (size = ftell(f)) > 0 && fseek(f, 0, SEEK_SET) == 0 &&
        (b->Data = malloc((size_t)size)) != NULL) {
        b->Size = fread(b->Data, 1, (size_t)size, f);
    }
    fclose(f);
    return b->Data && b->Size == (size_t)size;
}

typedef struct {
    size_t Offset;  /* of the segment's 0xFF */
    size_t Size;    /* marker and length field included */
    int Marker;
} Segment;

#define MAX_SEGMENTS 1000

typedef struct {
    Segment Header[MAX_SEGMENTS];  /* before the first scan */
    int Count;
    size_t FirstScan;  /* offset of the first SOS */
    size_t End;        /* just after the end marker */
} Layout;

static unsigned Be16(const uchar *p) { return ((unsigned)p[0] << 8) | p[1]; }

/* The segments before the first scan, and where the picture ends.  Fails for
   anything that is not one complete picture, and for metadata segments
   between scans, which the turned file could not get back. */
static const char *Parse(const Bytes *b, Layout *l)
{
    const uchar *d = b->Data;
    size_t n = b->Size, pos = 2;
    int inScan = FALSE;

    l->Count = 0;
    if (n < 4 || d[0] != 0xFF || d[1] != M_SOI) return "not a JPEG file";
    for (;;) {
        int marker;
        size_t size;
        if (inScan) {
            /* Entropy-coded data: FF 00 is a data byte, FF D0..D7 a restart. */
            while (pos + 1 < n && !(d[pos] == 0xFF && d[pos + 1] != 0 && d[pos + 1] != 0xFF &&
                                    (d[pos + 1] < 0xD0 || d[pos + 1] > 0xD7)))
                pos++;
        } else {
            while (pos + 1 < n && d[pos] == 0xFF && d[pos + 1] == 0xFF) pos++;  /* fill bytes */
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
        size = 2 + Be16(d + pos + 2);
        if (size < 4 || pos + size > n) return "a segment runs past the end of the file";
        if (!inScan) {
            if (l->Count == MAX_SEGMENTS) return "too many segments";
            l->Header[l->Count].Offset = pos;
            l->Header[l->Count].Size = size;
            l->Header[l->Count].Marker = marker;
            l->Count++;
            if (marker == M_SOS) l->FirstScan = pos;
        } else if (IS_APPN_OR_COM(marker)) {
            return "metadata between the picture's scans";
        }
        if (marker == M_SOS) inScan = TRUE;
        pos += size;
    }
}

static int StartsWith(const Bytes *b, const Segment *s, const char *tag, size_t len)
{
    return s->Size >= 4 + len && memcmp(b->Data + s->Offset + 4, tag, len) == 0;
}

/* -------------------------------------------------------- TIFF structures */

typedef struct {
    uchar *Base;  /* the TIFF header */
    size_t Size;
    int Motorola;
} Tiff;

static unsigned T16(const Tiff *t, const uchar *p) { return t->Motorola ? Be16(p) : (unsigned)(p[0] | (p[1] << 8)); }
static unsigned T32(const Tiff *t, const uchar *p)
{
    return t->Motorola ? (Be16(p) << 16) | Be16(p + 2) : T16(t, p) | (T16(t, p + 2) << 16);
}
static void Put(const Tiff *t, uchar *p, unsigned v, int bytes)
{
    int i;
    for (i = 0; i < bytes; i++) p[t->Motorola ? bytes - 1 - i : i] = (uchar)(v >> (8 * i));
}

static int OpenTiff(Tiff *t, uchar *base, size_t size)
{
    t->Base = base;
    t->Size = size;
    if (size < 8) return FALSE;
    if (base[0] == 'M' && base[1] == 'M') t->Motorola = TRUE;
    else if (base[0] == 'I' && base[1] == 'I') t->Motorola = FALSE;
    else return FALSE;
    return T16(t, base + 2) == 42;
}

/* The directory at `offset`: its first entry and entry count, or NULL. */
static uchar *Directory(const Tiff *t, unsigned offset, unsigned *count)
{
    if (offset < 8 || offset > t->Size - 2) return NULL;
    *count = T16(t, t->Base + offset);
    if ((size_t)offset + 2 + 12 * (size_t)*count > t->Size) return NULL;
    return t->Base + offset + 2;
}

/* Sets the width and height tags of one directory that hold a single value
   (ImageWidth/ImageLength, PixelXDimension/PixelYDimension); returns the
   Exif directory's offset when asked for. */
static void SetSizes(const Tiff *t, unsigned dir, unsigned wTag, unsigned hTag, unsigned w, unsigned h,
                     unsigned *exifDir)
{
    unsigned count, i;
    uchar *e = Directory(t, dir, &count);
    for (i = 0; e && i < count; i++, e += 12) {
        unsigned tag = T16(t, e), type = T16(t, e + 2), n = T32(t, e + 4);
        unsigned v = tag == wTag ? w : tag == hTag ? h : 0;
        if (exifDir && tag == 0x8769) *exifDir = T32(t, e + 8);
        if (!v || n != 1) continue;
        if (type == FMT_USHORT && v <= 0xFFFF) Put(t, e + 8, v, 2);
        else if (type == FMT_ULONG) Put(t, e + 8, v, 4);
    }
}

/* The Exif block names the main picture's size in two places; after a turn
   they must say the new one. */
static void SetExifSizes(Section_t *exif, unsigned w, unsigned h)
{
    Tiff t;
    unsigned exifDir = 0;
    if (exif->Size < 16 || !OpenTiff(&t, exif->Data + 8, exif->Size - 8)) return;
    SetSizes(&t, T32(&t, t.Base + 4), 0x0100, 0x0101, w, h, &exifDir);
    if (exifDir) SetSizes(&t, exifDir, 0xA002, 0xA003, w, h, NULL);
}

/* A Multi-Picture block counts the offsets of the images after the main one
   from its own TIFF header: they move by as much as the main picture's end
   moved relative to that header.  The main image's own entry (offset 0)
   carries its size. */
static const char *AdjustMpf(uchar *segment, size_t size, long long moved, size_t oldHeader, size_t oldEnd,
                             size_t newEnd, size_t oldFileSize)
{
    Tiff t;
    unsigned count, i;
    uchar *e;
    if (!OpenTiff(&t, segment + 8, size - 8)) return "a Multi-Picture block it cannot read";
    e = Directory(&t, T32(&t, t.Base + 4), &count);
    if (!e) return "a Multi-Picture block it cannot read";
    for (i = 0; i < count; i++, e += 12) {
        unsigned n = T32(&t, e + 4), at = T32(&t, e + 8), k;
        if (T16(&t, e) != 0xB002) continue;
        if (n % 16 || n < 16 || at > t.Size || n > t.Size - at) return "a Multi-Picture block it cannot read";
        for (k = 0; k < n; k += 16) {
            uchar *entry = t.Base + at + k;
            unsigned imageSize = T32(&t, entry + 4), offset = T32(&t, entry + 8);
            long long moved_to = (long long)offset + moved;
            if (offset == 0) {
                if (imageSize == oldEnd) Put(&t, entry + 4, (unsigned)newEnd, 4);
                continue;
            }
            if (oldHeader + offset < oldEnd || oldHeader + offset + imageSize > oldFileSize ||
                moved_to <= 0 || moved_to > 0xFFFFFFFFLL)
                return "a Multi-Picture block whose images it cannot place";
            Put(&t, entry + 8, (unsigned)moved_to, 4);
        }
    }
    return NULL;
}

/* ------------------------------------------------------------------- XMP */

static int NameChar(uchar c) { return isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':'; }

/* Sets every PREFIX:Orientation of a one-digit value to 1, where PREFIX is
   bound to the TIFF namespace, written as an attribute or as an element.
   The digit is replaced in place, so the packet keeps its length (and the
   padding that lets editors rewrite it in place). */
static void XmpOrientationToOne(uchar *d, size_t n)
{
    static const char ns[] = "http://ns.adobe.com/tiff/1.0/";
    size_t i, j;
    for (i = 1; i + sizeof(ns) <= n; i++) {
        size_t nameEnd, nameStart;
        char pattern[80];
        size_t plen;
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
            uchar close;
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

static int AppendBytes(Bytes *out, size_t *used, const void *data, size_t size)
{
    if (*used + size > out->Size) return FALSE;
    memcpy(out->Data + *used, data, size);
    *used += size;
    return TRUE;
}

/* Puts the result together as the file comment above says. */
static const char *Assemble(const Bytes *orig, const Layout *ol, size_t exifAt, const Section_t *exif,
                            const Bytes *image, const Layout *il, Bytes *out, size_t *used)
{
    static const uchar soi[2] = {0xFF, M_SOI};
    size_t mpfOut[MAX_SEGMENTS], mpfIn[MAX_SEGMENTS];
    int mpfs = 0, i;
    const char *why;

    out->Size = orig->Size + image->Size + exif->Size + 16;
    out->Data = malloc(out->Size);
    *used = 0;
    if (!out->Data) return "out of memory";
    AppendBytes(out, used, soi, 2);
    for (i = 0; i < ol->Count; i++) {
        const Segment *s = &ol->Header[i];
        size_t at = *used;
        if (!IS_APPN_OR_COM(s->Marker)) continue;
        if (s->Offset == exifAt) {
            static const uchar app1[2] = {0xFF, M_EXIF};
            AppendBytes(out, used, app1, 2);
            AppendBytes(out, used, exif->Data, exif->Size);
            continue;
        }
        AppendBytes(out, used, orig->Data + s->Offset, s->Size);
        if (s->Marker == M_EXIF && StartsWith(orig, s, "http://ns.adobe.com/xap/1.0/", 29))
            XmpOrientationToOne(out->Data + at + 4, s->Size - 4);
        if (s->Marker == 0xE2 && StartsWith(orig, s, "MPF", 4)) {
            mpfOut[mpfs] = at;
            mpfIn[mpfs++] = s->Offset;
        }
    }
    for (i = 0; i < il->Count; i++) {
        const Segment *s = &il->Header[i];
        if (s->Marker != M_SOS && !IS_APPN_OR_COM(s->Marker)) AppendBytes(out, used, image->Data + s->Offset, s->Size);
    }
    AppendBytes(out, used, image->Data + il->FirstScan, il->End - il->FirstScan);
    {
        size_t newEnd = *used;
        AppendBytes(out, used, orig->Data + ol->End, orig->Size - ol->End);
        for (i = 0; i < mpfs; i++) {
            long long moved = ((long long)newEnd - (long long)(mpfOut[i] + 8)) - ((long long)ol->End - (long long)(mpfIn[i] + 8));
            why = AdjustMpf(out->Data + mpfOut[i], Be16(out->Data + mpfOut[i] + 2) + 2, moved, mpfIn[i] + 8, ol->End,
                            newEnd, orig->Size);
            if (why) return why;
        }
    }
    return NULL;
}

/* The frame's size: a SOFn segment's lines and samples per line. */
static int FrameSize(const Bytes *b, const Layout *l, unsigned *w, unsigned *h)
{
    int i;
    for (i = 0; i < l->Count; i++) {
        const Segment *s = &l->Header[i];
        if (s->Marker >= 0xC0 && s->Marker <= 0xCF && s->Marker != M_DHT && s->Marker != 0xC8 && s->Marker != 0xCC &&
            s->Size >= 9) {
            *h = Be16(b->Data + s->Offset + 5);
            *w = Be16(b->Data + s->Offset + 7);
            return TRUE;
        }
    }
    return FALSE;
}

/* jpegtran -trim -rotate 90 -outfile OUT IN, for jhead's "rotate 90"; the main
   picture with -copy none, as every segment but the picture's own comes from
   the photo. */
static int Transform(const char *transform, int copyNone, const char *in, const char *out)
{
    char verb[32], *second;
    const char *args[10];
    int n = 0;
    snprintf(verb, sizeof(verb), "-%s", transform);
    second = strchr(verb, ' ');
    if (second) *second++ = 0;
    if (copyNone) {
        args[n++] = "-copy";
        args[n++] = "none";
    }
    args[n++] = "-trim";
    args[n++] = verb;
    if (second) args[n++] = second;
    args[n++] = "-outfile";
    args[n++] = out;
    args[n++] = in;
    args[n] = NULL;
    return RunJpegtran(args) == 0;
}

static int TurnThumbnail(const char *FileName, const char *transform)
{
    const char *in = NewTemp(FileName), *out = in ? NewTemp(FileName) : NULL;
    return out && SaveThumbnail((char *)in) && Transform(transform, FALSE, in, out) && ReplaceThumbnail(out);
}

extern int NumOrientations;  /* exif.c: orientation tags found in the Exif block */

/* jhead skips files it may not write; one that needed turning was not. */
void AutorotReadOnly(const char *FileName)
{
    if (ReadJpegFile(FileName, READ_METADATA)) {
        if (ImageInfo.Orientation != 1 && NumOrientations > 0) Fail(FileName, "the file is read-only");
        DiscardData();
    }
}

/* Turns FileName upright by jhead's already read Exif block; TRUE when the
   file was rewritten.  TagOnly (-norot) only sets the orientation to 1. */
int AutorotFile(const char *FileName, int TagOnly, int Quiet)
{
    Section_t *exif = FindSection(M_EXIF);
    const char *transform, *why = NULL, *temp = NULL;
    static Layout ol, il;
    Bytes orig = {NULL, 0}, turned = {NULL, 0}, out = {NULL, 0};
    const Bytes *image = &orig;
    const Layout *imageLayout = &ol;
    size_t exifAt = 0, used = 0;
    int exifBlocks = 0, i, done = FALSE;
    struct stat st;
    FILE *f;

    if (ImageInfo.Orientation == 1 || NumOrientations == 0 || !exif) return FALSE;
    if (!ReadAll(FileName, &orig)) return Fail(FileName, "could not read the file");
    if ((why = Parse(&orig, &ol)) != NULL) goto finish;
    for (i = 0; i < ol.Count; i++) {
        const Segment *s = &ol.Header[i];
        if (s->Marker != M_EXIF || !StartsWith(&orig, s, "Exif", 4)) continue;
        exifBlocks++;
        if (s->Size == exif->Size + 2 && memcmp(orig.Data + s->Offset + 2, exif->Data, exif->Size) == 0)
            exifAt = s->Offset;
    }
    if (exifBlocks != 1 || !exifAt) {
        why = "more than one Exif block";
        goto finish;
    }

    transform = ClearOrientation();
    if (transform == NULL) goto finish;  /* nothing it could change */
    temp = NewTemp(FileName);
    if (!temp) {
        why = "could not create a temporary file beside it";
        goto finish;
    }
    if (!TagOnly && *transform) {
        unsigned w, h;
        if (!Transform(transform, TRUE, FileName, temp)) {
            why = "jpegtran could not turn the picture";
            goto finish;
        }
        if (!ReadAll(temp, &turned) || Parse(&turned, &il) != NULL || !FrameSize(&turned, &il, &w, &h)) {
            why = "jpegtran's output is not a picture";
            goto finish;
        }
        image = &turned;
        imageLayout = &il;
        if (ImageInfo.ThumbnailOffset && ImageInfo.ThumbnailSize && ImageInfo.ThumbnailAtEnd &&
            !TurnThumbnail(FileName, transform)) {
            why = "the Exif thumbnail could not be turned";
            goto finish;
        }
        exif = FindSection(M_EXIF);
        SetExifSizes(exif, w, h);
    }
    if ((why = Assemble(&orig, &ol, exifAt, exif, image, imageLayout, &out, &used)) != NULL) goto finish;

    /* Written to the temporary file first and then put in the photo's place
       in one step: the photo is never half-written. */
    f = fopen(temp, "wb");
    if (!f || fwrite(out.Data, 1, used, f) != used) why = "could not write the turned photo";
    if (f && fclose(f) != 0) why = "could not write the turned photo";
    if (why) goto finish;
    if (stat(FileName, &st) != 0 || !MoveFileExA(temp, FileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        why = "could not replace the photo";
        goto finish;
    }
    for (i = 0; i < MAX_TEMPS; i++) {
        if (Temps[i] == temp) {
            free(Temps[i]);
            Temps[i] = NULL;
        }
    }
    {
        struct utimbuf times;
        times.actime = st.st_atime;
        times.modtime = st.st_mtime;
        chmod(FileName, st.st_mode);
        utime(FileName, &times);
    }
    done = TRUE;
    if (!Quiet) printf("Modified: %s\n", FileName);

finish:
    free(orig.Data);
    free(turned.Data);
    free(out.Data);
    if (why) return Fail(FileName, why);
    RemoveTemps();
    return done;
}
