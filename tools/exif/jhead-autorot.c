/*
 * Linked into jhead.exe only; see tools/build-exif-tools.sh and the patch
 * jhead-autorot.patch, which sends -autorot here.
 *
 * jhead's own -autorot keeps the first Exif, XMP, IPTC and comment segment of
 * a photo, lets jpegtran write the turned picture and writes those four back
 * in front of it.  Everything else a photo carries is lost on the way: colour
 * profiles, extended XMP, camera segments, further comments, Multi-Picture
 * images after the end marker.  It also runs jpegtran through the command
 * processor, which finds a "jpegtran" in the photo's folder first, one photo
 * after another, and stops the whole run at the first photo jpegtran cannot
 * read.
 *
 * Here jhead reads the photos of the pattern one after another on the main
 * thread, as it always did, and decides whether and how each is turned; the
 * turns themselves run on worker threads, as many at once as there are
 * processors and free memory for (ArWorkerLimit): autorot-core.c puts each
 * turned photo together from its bytes and libjpeg-turbo's lossless turn of
 * its picture (autorot-turn.c), in this process.  This file supplies the
 * rest: the workers, files and temporary files, the report on the standard
 * output in the pattern's order, the stop, and the exit status.  A photo
 * whose picture cannot be turned, or whose result cannot be written, stays
 * as it was and counts as a failure; its temporary file goes.
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
#include "autorot-turn.h"

/* ----------------------------------------------------------- the photos */

/* One JPEG of the run, from the moment jhead has read it until its line of
   the report is out. */
typedef struct Photo {
    struct Photo *Next;    /* in the report's order */
    struct Photo *NextJob; /* in the queue of turns not yet begun */
    char *FileName;
    ArExif Found;
    int TagOnly;
    struct stat Stat;        /* of the photo when it was read: times and mode to keep */
    unsigned long long Memory; /* what its turn takes, about */
    const char *Verdict;     /* "turned", "upright", "failed", or NULL: no line */
    int Done;
} Photo;

/* Everything below is shared by the main thread and the workers, under Lock;
   Changed is signalled whenever a photo is queued or done, or the run is
   asked to stop or to end. */
static CRITICAL_SECTION Lock;
static CONDITION_VARIABLE Changed;
static INIT_ONCE Started = INIT_ONCE_STATIC_INIT;

static Photo *Reports, **ReportsEnd = &Reports; /* not yet reported, in order */
static Photo *Jobs, **JobsEnd = &Jobs;          /* queued, not yet begun */
static unsigned InFlight;                       /* queued or being turned */
static unsigned long long InFlightLargest;      /* the largest turn among them */
static unsigned MostAtOnce;                     /* turns begun while others ran, at most */
static unsigned Turning;                        /* being turned right now */
static unsigned Processors;
static unsigned long long FreeMemory;           /* physical memory free when the run began */
static HANDLE Workers[64];
static unsigned WorkerCount;
static int Ending;
static int Failures;
static volatile LONG StopAsked;

/* The run's report, read by Orlenza while the run goes on: under -autorot
   the standard output carries one line per JPEG and nothing else, "turned",
   "upright" (it needed no turn) or "failed", a tab and the path in UTF-8, in
   the order in which jhead came to the photos.  Each line is flushed whole.
   Where Windows ignores the manifest that makes UTF-8 our code page, names
   arrive in the machine's code page and are converted here. */
static void PrintLine(const char *word, const char *FileName)
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

static void FreePhoto(Photo *p)
{
    free(p->FileName);
    free(p);
}

/* Under Lock: the lines of the photos that are done, up to the first that
   is not, so that the report keeps jhead's order whichever turn ends first. */
static void FlushReports(void)
{
    while (Reports && Reports->Done) {
        Photo *p = Reports;
        Reports = p->Next;
        if (!Reports) ReportsEnd = &Reports;
        if (p->Verdict) PrintLine(p->Verdict, p->FileName);
        FreePhoto(p);
    }
}

/* Under Lock: a photo takes its place in the report. */
static Photo *NewPhoto(const char *FileName)
{
    Photo *p = calloc(1, sizeof(*p));
    if (!p || !(p->FileName = _strdup(FileName))) {
        free(p);
        return NULL;
    }
    *ReportsEnd = p;
    ReportsEnd = &p->Next;
    return p;
}

/* Under Lock. */
static void Conclude(Photo *p, const char *verdict)
{
    p->Verdict = verdict;
    p->Done = 1;
    if (verdict && strcmp(verdict, "failed") == 0) Failures++;
    FlushReports();
}

/* A photo decided on the main thread: needed no turn, or failed before a
   turn was begun. */
static void Decide(const char *FileName, const char *verdict)
{
    Photo *p;
    EnterCriticalSection(&Lock);
    p = NewPhoto(FileName);
    if (p) {
        Conclude(p, verdict);
    } else {
        if (strcmp(verdict, "failed") == 0) Failures++;
        FlushReports();
        PrintLine(verdict, FileName); /* out of memory: out of order rather than lost */
    }
    LeaveCriticalSection(&Lock);
}

static int Fail(const char *FileName, const char *why)
{
    fprintf(stderr, "Error : %s\nin file '%s' (left as it was)\n", why, FileName);
    Decide(FileName, "failed");
    return FALSE;
}

/* ------------------------------------------------------------ the stop */

/* Orlenza asks a run to stop by writing "stop" to the standard input it gave
   us, a pipe: from then on no photo is begun; those being turned are finished
   and reported.  Only the word stops a run.  An input that merely ends (a
   script's closed pipe, a parent that went away) leaves the run going, as a
   console or NUL does: a run must never be cut short by how it was started. */
static DWORD WINAPI WatchStop(LPVOID unused)
{
    static const char word[] = "stop";
    size_t matched = 0;
    char c;
    DWORD got;
    (void)unused;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &c, 1, &got, NULL) && got == 1) {
        matched = c == word[matched] ? matched + 1 : c == word[0];
        if (matched < sizeof(word) - 1) continue;
        InterlockedExchange(&StopAsked, 1);
        EnterCriticalSection(&Lock);
        WakeAllConditionVariable(&Changed);
        LeaveCriticalSection(&Lock);
        break;
    }
    return 0;
}

static int Stopped(void) { return InterlockedCompareExchange(&StopAsked, 0, 0) != 0; }

static BOOL CALLBACK Start(PINIT_ONCE once, PVOID parameter, PVOID *context)
{
    SYSTEM_INFO system;
    MEMORYSTATUSEX memory;
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    (void)once, (void)parameter, (void)context;
    InitializeCriticalSection(&Lock);
    InitializeConditionVariable(&Changed);
    GetSystemInfo(&system);
    Processors = system.dwNumberOfProcessors ? system.dwNumberOfProcessors : 1;
    if (Processors > sizeof(Workers) / sizeof(Workers[0])) Processors = sizeof(Workers) / sizeof(Workers[0]);
    memory.dwLength = sizeof(memory);
    FreeMemory = GlobalMemoryStatusEx(&memory) ? memory.ullAvailPhys : 0;
    if (input && input != INVALID_HANDLE_VALUE && GetFileType(input) == FILE_TYPE_PIPE) {
        HANDLE watcher = CreateThread(NULL, 0, WatchStop, NULL, 0, NULL);
        if (watcher) CloseHandle(watcher); /* it ends with the pipe or the process */
    }
    return TRUE;
}

static void StartOnce(void) { InitOnceExecuteOnce(&Started, Start, NULL, NULL); }

/* --------------------------------------------------------------- files */

/* The whole file in one read: the C library's stream functions go through a
   small buffer, and under Wine cost a photo's turn a sixth again. */
static int ReadAll(const char *FileName, ArBuffer *b)
{
    HANDLE file = CreateFileA(FileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                              NULL);
    LARGE_INTEGER size;
    size_t done = 0;
    b->Data = NULL;
    b->Size = 0;
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && (unsigned long long)size.QuadPart <= (size_t)-1 / 2 &&
        (b->Data = malloc((size_t)size.QuadPart)) != NULL) {
        b->Size = (size_t)size.QuadPart;
        while (done < b->Size) {
            DWORD got = 0, want = b->Size - done > 0x40000000 ? 0x40000000 : (DWORD)(b->Size - done);
            if (!ReadFile(file, b->Data + done, want, &got, NULL) || got == 0) break;
            done += got;
        }
    }
    CloseHandle(file);
    return b->Data && done == b->Size;
}

static int WriteAll(const char *FileName, const ArBuffer *b)
{
    /* The temporary file NewTemp made, and no other. */
    HANDLE file = CreateFileA(FileName, GENERIC_WRITE, 0, NULL, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    size_t done = 0;
    int ok;
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    while (done < b->Size) {
        DWORD wrote = 0, want = b->Size - done > 0x40000000 ? 0x40000000 : (DWORD)(b->Size - done);
        if (!WriteFile(file, b->Data + done, want, &wrote, NULL) || wrote == 0) break;
        done += wrote;
    }
    ok = done == b->Size;
    return CloseHandle(file) && ok;
}

/* A fresh, empty file beside FileName, created here so that no other program
   can take the name between choosing and using it; NULL when there is none
   to be had.  The caller frees the name. */
static char *NewTemp(const char *FileName)
{
    static volatile LONG counter;
    size_t dir = strlen(FileName);
    char *name;
    int i;

    while (dir > 0 && FileName[dir - 1] != '\\' && FileName[dir - 1] != '/' && FileName[dir - 1] != ':') dir--;
    name = malloc(dir + 40);
    if (!name) return NULL;
    memcpy(name, FileName, dir);
    for (i = 0; i < 1000; i++) {
        int fd;
        sprintf(name + dir, "~jh%lu-%ld.tmp", (unsigned long)GetCurrentProcessId(), (long)InterlockedIncrement(&counter));
        fd = _open(name, _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            _close(fd);
            return name;
        }
        if (errno != EEXIST) break;
    }
    free(name);
    return NULL;
}

/* Written to a temporary file first and then put in the photo's place in
   one step: the photo is never half-written.  Its times and mode stay. */
static const char *Replace(const Photo *p, const ArBuffer *turned)
{
    char *temp = NewTemp(p->FileName);
    const char *why = NULL;
    if (!temp) return "could not create a temporary file beside it";
    if (!WriteAll(temp, turned)) why = "could not write the turned photo";
    if (!why && !MoveFileExA(temp, p->FileName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        why = "could not replace the photo";
    if (why) {
        unlink(temp);
    } else {
        struct utimbuf times;
        times.actime = p->Stat.st_atime;
        times.modtime = p->Stat.st_mtime;
        chmod(p->FileName, p->Stat.st_mode);
        utime(p->FileName, &times);
    }
    free(temp);
    return why;
}

/* ------------------------------------------------------------- the turn */

typedef struct {
    char Message[200]; /* libjpeg's first message about the picture at hand */
} TurnContext;

static const char *TurnInProcess(void *context, const char *transform, int thumbnail, const unsigned char *jpeg,
                                 size_t size, ArBuffer *out)
{
    TurnContext *c = context;
    return ArTurnJpeg(transform, thumbnail, jpeg, size, out, c->Message, sizeof(c->Message));
}

/* On a worker: turns one photo and writes it back.  Its messages go to the
   standard error whole, a call each. */
static const char *TurnPhoto(Photo *p)
{
    ArBuffer bytes, out = {NULL, 0};
    TurnContext context;
    const char *why, *thumbnailNote = NULL;

    context.Message[0] = 0;
    /* Read here, on the worker: the reading is shared out too, and no photo
       waits in memory for a worker. */
    why = ReadAll(p->FileName, &bytes) ? ArTurnPhoto(bytes.Data, bytes.Size, &p->Found, p->TagOnly, TurnInProcess,
                                                     &context, &out, &thumbnailNote)
                                       : "could not read the file";
    free(bytes.Data);
    /* libjpeg's words explain the turn's failure, not the writing's. */
    if (!why) context.Message[0] = 0, why = Replace(p, &out);
    free(out.Data);
    if (why) {
        fprintf(stderr, "Error : %s%s%s%s\nin file '%s' (left as it was)\n", why, context.Message[0] ? " (" : "",
                context.Message, context.Message[0] ? ")" : "", p->FileName);
        return "failed";
    }
    if (thumbnailNote)
        fprintf(stderr, "Note : the Exif thumbnail was kept as it was (%s)\nin file '%s'\n", thumbnailNote, p->FileName);
    return "turned";
}

/* Under Lock: the largest turn among those queued or being turned. */
static void CountLargest(void)
{
    Photo *p;
    InFlightLargest = 0;
    for (p = Reports; p; p = p->Next)
        if (!p->Done && p->Memory > InFlightLargest) InFlightLargest = p->Memory;
}

static DWORD WINAPI Worker(LPVOID unused)
{
    (void)unused;
    EnterCriticalSection(&Lock);
    for (;;) {
        Photo *p;
        while (!Jobs && !Ending) SleepConditionVariableCS(&Changed, &Lock, INFINITE);
        if (!Jobs) break;
        p = Jobs;
        Jobs = p->NextJob;
        if (!Jobs) JobsEnd = &Jobs;
        if (Stopped()) {
            /* Not begun: no turn, and no line. */
            Conclude(p, NULL);
        } else {
            const char *verdict;
            Turning++;
            if (Turning > MostAtOnce) MostAtOnce = Turning;
            LeaveCriticalSection(&Lock);
            verdict = TurnPhoto(p);
            EnterCriticalSection(&Lock);
            Turning--;
            Conclude(p, verdict);
        }
        InFlight--;
        CountLargest();
        WakeAllConditionVariable(&Changed);
    }
    LeaveCriticalSection(&Lock);
    return 0;
}

/* On the main thread: queues the turn once there is room for it, starting a
   worker when all are busy; FALSE when the run was stopped meanwhile. */
static int Queue(Photo *p)
{
    for (;;) {
        unsigned long long largest = p->Memory > InFlightLargest ? p->Memory : InFlightLargest;
        if (Stopped()) return FALSE;
        if (InFlight < ArWorkerLimit(Processors, FreeMemory, largest)) break;
        SleepConditionVariableCS(&Changed, &Lock, INFINITE);
    }
    /* A worker first, when every one is busy: a photo is queued only where
       some worker will take it. */
    if (WorkerCount <= InFlight && WorkerCount < Processors) {
        HANDLE worker = CreateThread(NULL, 0, Worker, NULL, 0, NULL);
        if (worker) Workers[WorkerCount++] = worker;
    }
    if (WorkerCount == 0) return FALSE; /* no thread to be had */
    p->NextJob = NULL;
    *JobsEnd = p;
    JobsEnd = &p->NextJob;
    InFlight++;
    if (p->Memory > InFlightLargest) InFlightLargest = p->Memory;
    WakeAllConditionVariable(&Changed);
    return TRUE;
}

/* -------------------------------------------------- jhead's entry points */

/* jhead stops the process on any error it meets (ErrFatal); while a photo is
   being read, that comes back here so that the photo counts as not turned
   and the files after it are still done. */
static jmp_buf GuardJump;
static int GuardArmed;

void AutorotGuard(const char *FileName, void (*Process)(const char *))
{
    StartOnce();
    if (Stopped()) return; /* no photo is begun after a stop */
    if (setjmp(GuardJump) == 0) {
        GuardArmed = 1;
        Process(FileName);
    } else {
        DiscardData();
        Decide(FileName, "failed");
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

extern int NumOrientations;  /* exif.c: orientation tags found in the Exif block */

/* jhead skips files it may not write; one that needed turning was not. */
void AutorotReadOnly(const char *FileName)
{
    if (ReadJpegFile(FileName, READ_METADATA)) {
        if (ImageInfo.Orientation != 1 && NumOrientations > 0) Fail(FileName, "the file is read-only");
        else Decide(FileName, "upright");
        DiscardData();
    }
}

/* Takes up FileName by jhead's already read Exif block: reports it upright,
   or queues its turn.  TagOnly (-norot) only sets the orientation to 1.
   Quiet is jhead's -q; the report goes out all the same. */
int AutorotFile(const char *FileName, int TagOnly, int Quiet)
{
    Section_t *exif = FindSection(M_EXIF);
    Photo *p;
    ArExif found;
    struct stat st;
    int queued, stopped;

    (void)Quiet;
    StartOnce();
    if (ImageInfo.Orientation == 1 || NumOrientations == 0 || !exif) {
        Decide(FileName, "upright");
        return FALSE;
    }
    if (!AutorotExifFindings(exif, &found)) return Fail(FileName, "its orientation tags lie outside its Exif block");
    if (stat(FileName, &st) != 0) return Fail(FileName, "could not read the file");
    EnterCriticalSection(&Lock);
    p = NewPhoto(FileName);
    if (p) {
        p->Found = found;
        p->TagOnly = TagOnly;
        p->Stat = st;
        p->Memory = ArTurnMemory((unsigned)ImageInfo.Width, (unsigned)ImageInfo.Height, (unsigned long long)st.st_size);
    }
    if (!p) {
        LeaveCriticalSection(&Lock);
        return Fail(FileName, "out of memory");
    }
    queued = Queue(p);
    stopped = !queued && Stopped();
    if (!queued) Conclude(p, stopped ? NULL : "failed");
    LeaveCriticalSection(&Lock);
    if (!queued && !stopped) fprintf(stderr, "Error : no thread to turn it on\nin file '%s' (left as it was)\n", FileName);
    return queued;
}

/* Waits for every turn, reports the last photos and ends the workers; how
   many photos that needed turning were not turned. */
int AutorotFinish(void)
{
    unsigned i;
    StartOnce();
    EnterCriticalSection(&Lock);
    while (InFlight > 0) SleepConditionVariableCS(&Changed, &Lock, INFINITE);
    FlushReports();
    Ending = 1;
    WakeAllConditionVariable(&Changed);
    LeaveCriticalSection(&Lock);
    for (i = 0; i < WorkerCount; i++) {
        WaitForSingleObject(Workers[i], INFINITE);
        CloseHandle(Workers[i]);
    }
    if (MostAtOnce > 0)
        fprintf(stderr, "Note : up to %u photos turned at once (%u processors, %llu MB free)\n", MostAtOnce, Processors,
                FreeMemory >> 20);
    return Failures;
}
