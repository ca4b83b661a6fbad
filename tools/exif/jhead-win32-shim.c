/*
 * Linked into jhead.exe only; see tools/build-exif-tools.sh.
 *
 * jhead is compiled with -Dsystem=jhead_checked_system, so every system()
 * call in it lands in the wrapper below, while this file (compiled without
 * that define) reaches the C runtime's real system().
 */
#include <errno.h>
#include <stdlib.h>

/* With the define, the call below would be the wrapper calling itself until
   the stack runs out. */
#ifdef system
#error "compile this file without -Dsystem=..., it must reach the real system()"
#endif

/*
 * jhead's DoCommand() clears errno, runs "jpegtran ... -outfile &o &i" through
 * system() and reports "Problem executing specified command" if system()
 * returned non-zero OR errno is non-zero afterwards.  Wine's msvcrt leaves
 * errno set by calls it makes internally even when system() succeeds, so
 * under Wine every -autorot would stop with that fatal error after jpegtran
 * had already written the turned picture to a temporary file, leaving the
 * photo unturned and the temporary file behind.
 *
 * errno means nothing after a call that succeeded, so on success we hand the
 * caller back the errno it had before the call.  A failing call is passed
 * through untouched: jhead must still see jpegtran missing or failing.
 */
int jhead_checked_system(const char *command)
{
    int errno_before = errno;
    int rc = system(command);

    if (rc == 0)
        errno = errno_before;
    return rc;
}

/*
 * jhead's own Windows wildcard code (myglob.c) expands patterns such as
 * "C:\photos\*.*" and "**" and it needs to receive them unexpanded.  The
 * MinGW start-up code can expand wildcards itself when _dowildcard is
 * non-zero; Debian's toolchain does not by default, but a toolchain built
 * with --enable-wildcard would, and then names with [ ] would be mangled and
 * "**" would stop recursing.  Say so explicitly rather than rely on the
 * default.
 */
int _dowildcard = 0;
