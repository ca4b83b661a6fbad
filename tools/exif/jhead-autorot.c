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
 * Here jhead's reading decides whether and how a photo is to be turned; the
 * turned photo is put together by autorot-core.c from the photo's bytes and
 * jpegtran's turn of its picture, and this file supplies the rest: files,
 * temporary files, jpegtran.exe, and the run's exit status.  A photo whose
 * picture jpegtran cannot turn, or whose result cannot be written, stays as
 * it was and counts as a failure; the temporary files go in every case.
 */
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <setjmp.h>
#include <sys/stat.h>

/* windows.h brings the C library's PATH_MAX, which jhead.h defines again. */
#undef PATH_MAX
#include "jhead.h"

#include "autorot-core.h"
#include "autorot-jhead.h"

/* ------------------------------------------------------------- failures */

static int Failures;
static jmp_buf GuardJump;
static int GuardArmed;

/* Temporary files of the photo at hand, removed whatever happens to it: the
   turned picture, the thumbnail and its turn, the turned photo. */
#define MAX_TEMPS 4
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

/* The run's report, read by Orlenza while the run goes on: under -autorot
   the standard output carries one line per JPEG and nothing else, "turned",
   "upright" (it needed no turn) or "failed", a tab and the path in UTF-8.
   Each line is flushed whole.  Where Windows ignores the manifest that makes
   UTF-8 our code page, names arrive in the machine's code page and are
   converted here. */
static void Report(const char *word, const char *FileName)
{
    char *utf8 = NULL;
    if (GetACP() != CP_UTF8) {
        int wide = MultiByteToWideChar(CP_ACP, 0, FileName, -1, NULL, 0);
        wchar_t *w = wide > 0 ? malloc((size_t)wide * sizeof(wchar_t)) : NULL;
        int bytes = w && MultiByteToWideChar(CP_ACP, 0, FileName, -1, w, wide) == wide
                        ? WideCharToMultiByte(CP_UTF8, 0, w, -1, NULL, 0, NULL, NULL) : 0;
        utf8 = bytes > 0 ? malloc((size_t)bytes) : NULL;
        if (utf8 && WideCharToMultiByte(CP_UTF8, 0, w, -1, utf8, bytes, NULL, NULL) != bytes) {
            free(utf8);
            utf8 = NULL;
        }
        free(w);
    }
    printf("%s\t%s\n", word, utf8 ? utf8 : FileName);
    fflush(stdout);
    free(utf8);
}

static int Fail(const char *FileName, const char *why)
{
    fprintf(stderr, "Error : %s\nin file '%s' (left as it was)\n", why, FileName);
    Failures++;
    RemoveTemps();
    Report("failed", FileName);
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
        Report("failed", FileName);
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

static int ReadAll(const char *FileName, ArBuffer *b)
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

static int WriteAll(const char *FileName, const unsigned char *data, size_t size)
{
    FILE *f = fopen(FileName, "wb");
    int ok = f && fwrite(data, 1, size, f) == size;
    if (f && fclose(f) != 0) ok = FALSE;
    return ok;
}

/* jpegtran -trim -rotate 90 -outfile OUT IN, for jhead's "rotate 90".  The
   main picture with -copy none, as every segment but the picture's own comes
   from the photo; the thumbnail with -optimize, whose Huffman tables made
   for it usually make it smaller than the camera's, so that the turned one
   fits where the old one was. */
static int Transform(const char *transform, int thumbnail, const char *in, const char *out)
{
    char verb[32], *second;
    const char *args[10];
    int n = 0;
    snprintf(verb, sizeof(verb), "-%s", transform);
    second = strchr(verb, ' ');
    if (second) *second++ = 0;
    if (thumbnail) {
        args[n++] = "-optimize";
    } else {
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

/* The lossless turn for autorot-core.c, by jpegtran.exe: the picture is read
   from the photo itself, a thumbnail from a temporary copy. */
typedef struct {
    const char *FileName;
    const unsigned char *Photo;
} TurnContext;

static const char *TurnByJpegtran(void *context, const char *transform, int thumbnail, const unsigned char *jpeg,
                                  size_t size, ArBuffer *out)
{
    const TurnContext *c = context;
    const char *in = jpeg == c->Photo ? c->FileName : NewTemp(c->FileName);
    const char *turned = in ? NewTemp(c->FileName) : NULL;
    const char *why = NULL;

    if (!turned) why = "could not create a temporary file beside it";
    else if (in != c->FileName && !WriteAll(in, jpeg, size)) why = "could not write a temporary file beside it";
    else if (!Transform(transform, thumbnail, in, turned)) why = "jpegtran could not turn the picture";
    else if (!ReadAll(turned, out)) why = "could not read jpegtran's output";
    if (thumbnail && why) why = "jpegtran could not turn it";
    return why;
}

extern int NumOrientations;  /* exif.c: orientation tags found in the Exif block */

/* jhead skips files it may not write; one that needed turning was not. */
void AutorotReadOnly(const char *FileName)
{
    if (ReadJpegFile(FileName, READ_METADATA)) {
        if (ImageInfo.Orientation != 1 && NumOrientations > 0) Fail(FileName, "the file is read-only");
        else Report("upright", FileName);
        DiscardData();
    }
}

/* Turns FileName upright by jhead's already read Exif block; TRUE when the
   file was rewritten.  TagOnly (-norot) only sets the orientation to 1.
   Quiet is jhead's -q; the report goes out all the same. */
int AutorotFile(const char *FileName, int TagOnly, int Quiet)
{
    Section_t *exif = FindSection(M_EXIF);
    const char *why = NULL, *thumbnailNote = NULL, *temp = NULL;
    ArBuffer orig = {NULL, 0}, out = {NULL, 0};
    ArExif found;
    TurnContext context;
    struct stat st;
    int i;

    (void)Quiet;
    if (ImageInfo.Orientation == 1 || NumOrientations == 0 || !exif) {
        Report("upright", FileName);
        return FALSE;
    }
    if (!AutorotExifFindings(exif, &found)) return Fail(FileName, "its orientation tags lie outside its Exif block");
    if (!ReadAll(FileName, &orig)) return Fail(FileName, "could not read the file");
    context.FileName = FileName;
    context.Photo = orig.Data;
    why = ArTurnPhoto(orig.Data, orig.Size, &found, TagOnly, TurnByJpegtran, &context, &out, &thumbnailNote);
    if (why) goto finish;
    if (thumbnailNote) fprintf(stderr, "Note : the Exif thumbnail was kept as it was (%s)\nin file '%s'\n", thumbnailNote, FileName);

    /* Written to a temporary file first and then put in the photo's place
       in one step: the photo is never half-written. */
    temp = NewTemp(FileName);
    if (!temp) {
        why = "could not create a temporary file beside it";
        goto finish;
    }
    if (!WriteAll(temp, out.Data, out.Size)) {
        why = "could not write the turned photo";
        goto finish;
    }
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
    Report("turned", FileName);

finish:
    free(orig.Data);
    free(out.Data);
    if (why) return Fail(FileName, why);
    RemoveTemps();
    return TRUE;
}
